#pragma once

#include "platform/kit/TextAttributes.h"
#include "platform/kit/View.h"

#include <QString>

// The head of the sources pane's information area: the selected source's name
// in large bold type with a white edge above and left of it.
class CalSourceInfoView final : public kit::View {
    Q_OBJECT
public:
    explicit CalSourceInfoView(const QRectF& frame = QRectF());

    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }

    void drawRect(kit::Graphics& graphics, const QRectF& dirtyRect) override;

private:
    QString title_;
    kit::TextAttributes titleBigTextAttribs;
};

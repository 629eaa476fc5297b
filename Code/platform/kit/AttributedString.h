#pragma once

#include "platform/kit/TextAttributes.h"

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

namespace kit {

// A text with attributes on its runs: what the views measure and draw. Runs cover
// the text without gaps; the paragraph style of a text is that of its first run.
class AttributedString final {
public:
    struct Run {
        int start = 0;
        int length = 0;
        TextAttributes attributes;
    };

    AttributedString() = default;
    explicit AttributedString(const QString& text, const TextAttributes& attributes = {});

    const QString& string() const { return text_; }
    int length() const { return int(text_.size()); }
    bool isEmpty() const { return text_.isEmpty(); }
    const std::vector<Run>& runs() const { return runs_; }

    void append(const QString& text, const TextAttributes& attributes);
    void append(const AttributedString& other);
    // Gives the characters from `start` on, `length` of them, these attributes.
    void setAttributes(const TextAttributes& attributes, int start, int length);
    TextAttributes attributesAt(int index) const;
    ParagraphStyle paragraphStyle() const;
    AttributedString substring(int start, int length) const;

    // The size of the text on unbounded lines (one line per paragraph), in points.
    QSizeF size() const;
    // The rectangle the text takes when laid out in a box of `size`: lines wrap
    // at its width and only whole lines that fit in its height count. Origin 0, 0.
    QRectF boundingRectWithSize(const QSizeF& size) const;

    bool operator==(const AttributedString& o) const;

private:
    void mergeRuns();
    QString text_;
    std::vector<Run> runs_;
};

}  // namespace kit

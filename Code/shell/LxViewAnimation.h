#pragma once

#include "platform/kit/Animation.h"
#include "platform/kit/ViewAnimation.h"

#include <QImage>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>

#include <vector>

namespace kit {
class View;
}

// Moves and resizes views and windows from start frames to end frames over time,
// and fades them in or out. A view is faded through image snapshots laid over it
// (the view itself is hidden meanwhile), so that what it draws need not know about
// opacity. Frame origins land on whole points. One object can be reused for a new
// move with resetViewAnimations, which is how the progress strip keeps one around.
//
// Defaults: 0.5 seconds, ease-in-out, non-blocking. Main thread only.
class LxViewAnimation : public kit::Animation {
    Q_OBJECT

public:
    // One target with optional start and end frames and an optional fade. An effect
    // of FadeOut fades the target out; FadeIn fades it in; None moves it only.
    using Entry = kit::ViewAnimation::Entry;
    using Effect = kit::ViewAnimation::Effect;

    explicit LxViewAnimation(const std::vector<Entry>& viewAnimations);
    ~LxViewAnimation() override;

    // Gives a held animation a new description; only the new targets move.
    void resetViewAnimations(const std::vector<Entry>& viewAnimations);
    // Completes and stores the description: entries without a view or window are
    // dropped, missing frames are the target's present frame.
    void setViewAnimations(const std::vector<Entry>& viewAnimations);
    const std::vector<Entry>& viewAnimations() const { return viewAnimations_; }

    // A running animation jumps to its end state; nothing happens otherwise.
    void fastFinishAnimation();

    void setCurrentProgress(double progress) override;

    // The frame of `target` at a curved value from 0 to 1, with the origin on whole
    // points; the zero rectangle for a target without an entry.
    QRectF frameForViewAtProgress(const QObject* target, double value) const;
    QRectF originalFrameForView(const QObject* target) const;
    QRectF destinationFrameForView(const QObject* target) const;

    bool continuouslyUpdatesFadingViews() const { return continuouslyUpdatesFadingViews_; }
    void setContinuouslyUpdateFadingViews(bool on) { continuouslyUpdatesFadingViews_ = on; }
    bool ordersOutFadedWindows() const { return ordersOutFadedWindows_; }
    void setOrdersOutFadedWindows(bool on) { ordersOutFadedWindows_ = on; }

    // The image view laid over the view of entry `index` while it fades (null when
    // none is).
    kit::View* fadeViewForIndex(int index) const;

private:
    const Entry* entryFor(const QObject* target) const;
    void stepView(kit::View* view, int index, const QRectF& frame, bool fadeOut, double progress);
    void stepWindow(QObject* window, bool fadeOut, double progress);
    // Takes away the image views left over by a fade that did not reach its end,
    // leaving each view as its fade would have ended.
    void dropLeftoverFades();

    std::vector<Entry> viewAnimations_;
    std::vector<QPointer<QObject>> views_;
    QMap<QString, QPointer<kit::View>> fadeViews_;
    QMap<QString, QImage> fadeImages_;
    bool continuouslyUpdatesFadingViews_ = true;
    bool ordersOutFadedWindows_ = true;
};

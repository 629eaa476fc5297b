#include "shell/CollapsablePanel.h"

#include "platform/kit/Button.h"
#include "platform/kit/Color.h"
#include "platform/kit/Event.h"
#include "platform/kit/Font.h"
#include "platform/kit/Geometry.h"
#include "platform/kit/Graphics.h"
#include "platform/kit/Perform.h"
#include "platform/kit/TextField.h"
#include "platform/kit/Window.h"
#include "shell/CollapsablePanelHead.h"
#include "shell/LxViewAnimation.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDuration = 0.15;
constexpr double kShiftDuration = 1.2;  // Shift held: slow enough to watch
constexpr QSizeF kButtonSize(13, 13);
constexpr double kLabelHeight = 16;

QColor bottomLineColor() {
    return kit::Color::white(0.612);
}

}  // namespace

CollapsablePanel::CollapsablePanel(const QRectF& frame, const QString& title, bool withDataLabel,
                                   double dataLabelX)
    : kit::View(frame), contentBgdColor_(kit::Color::white(0.97)) {
    // The parts, as the pane's interface holds them; awakeFromNib places them.
    gui_header_ = new CollapsablePanelHead(QRectF(0, 0, frame.width(), titleHeight_));
    addSubview(gui_header_);
    gui_disclosureButton_ =
        new kit::Button(QRectF(QPointF(), kButtonSize), kit::Button::Type::Disclosure);
    gui_disclosureButton_->setTarget(this);
    gui_disclosureButton_->setAction("disclosureTrianglePressed");
    gui_header_->addSubview(gui_disclosureButton_);
    const kit::Font font = kit::Font::systemFont(kit::Font::smallSystemFontSize());
    gui_titleLabel_ = kit::TextField::labelWithString(title, QRectF(0, 0, 100, kLabelHeight));
    gui_titleLabel_->setTextFont(font);
    gui_header_->addSubview(gui_titleLabel_);
    if (withDataLabel) {
        gui_dataLabel_ =
            kit::TextField::labelWithString(QString(), QRectF(dataLabelX, 0, 100, kLabelHeight));
        gui_dataLabel_->setTextFont(font);
        gui_dataLabel_->setAlignment(kit::TextAlignment::Right);
        gui_header_->addSubview(gui_dataLabel_);
    }
    gui_contentView_ = new kit::View(QRectF(0, 0, frame.width(), 1));
    addSubview(gui_contentView_);
    awakeFromNib();
}

void CollapsablePanel::awakeFromNib() {
    if (gui_titleLabel_) titleCollapsed_ = titleDisclosed_ = gui_titleLabel_->stringValue();
    dataCollapsed_ = dataDisclosed_ = gui_dataLabel_ ? gui_dataLabel_->stringValue() : QString();

    const double w = frame().width(), h = frame().height(), band = titleHeight_;
    if (gui_header_) gui_header_->setFrame(QRectF(0, h - band, w, band));
    double buttonWidth = 0;
    if (gui_disclosureButton_) {
        const QSizeF size = gui_disclosureButton_->frame().size();
        buttonWidth = size.width();
        gui_disclosureButton_->setFrame(
            QRectF(QPointF(3, std::floor((band - size.height()) / 2)), size));
    }
    double titleY = 0;
    if (gui_titleLabel_) {
        const double x = 3 + buttonWidth, lh = gui_titleLabel_->frame().height();
        titleY = std::floor((band - lh) / 2) - 1;
        gui_titleLabel_->setFrame(QRectF(x, titleY, w - x - 5, lh));
    }
    if (gui_dataLabel_) {
        const QRectF d = gui_dataLabel_->frame();
        gui_dataLabel_->setFrame(QRectF(d.x(), titleY, w - d.x() - 5, d.height()));
    }
    if (gui_contentView_) {
        gui_contentView_->setFrame(QRectF(0, 1, w, h - band - 1));
        gui_contentView_->setAutoresizesSubviews(false);
    }
    setAutoresizesSubviews(false);
    if (gui_disclosureButton_) {
        gui_disclosureButton_->setAllowsMixedState(true);
        gui_disclosureButton_->setState(collapsed_ ? kit::Button::Off : kit::Button::On);
    }
    if (gui_header_) {
        gui_header_->setCollapsed(collapsed_);
        gui_header_->setDrawsWhileCollapsed(drawsTitlebarWhileCollapsed_);
        gui_header_->setHeaderPressed(headerPressed_);
        gui_header_->setInAnimation(inAnimation_);
    }
}

void CollapsablePanel::positionControls() {
    const QRectF f = frame();
    placingControls_ = true;
    kit::View::setFrame(QRectF(f.x(), std::floor(f.y()), f.width(), std::floor(f.height())));
    placingControls_ = false;
    const QRectF r = frame();
    if (gui_header_)
        gui_header_->setFrame(QRectF(0, r.height() - titleHeight_, r.width(), titleHeight_));
    setNeedsDisplay(true);
}

void CollapsablePanel::setFrame(const QRectF& f) {
    const QRectF old = frame();
    kit::View::setFrame(f);
    // Every change of the frame, each step of an animation among them, is
    // followed by the header and, during a change, by the window.
    if (!placingControls_ && !kit::equalRects(old, frame())) adjustWindowPosition();
}

// -- Titles and data texts

void CollapsablePanel::showStateTexts() {
    if (gui_titleLabel_)
        gui_titleLabel_->setStringValue(collapsed_ ? titleCollapsed_ : titleDisclosed_);
    if (gui_dataLabel_)
        gui_dataLabel_->setStringValue(collapsed_ ? dataCollapsed_ : dataDisclosed_);
}

void CollapsablePanel::setTitleForCollapsedState(const QString& title) {
    titleCollapsed_ = title;
    if (collapsed_) showStateTexts();
}

void CollapsablePanel::setTitleForDisclosedState(const QString& title) {
    titleDisclosed_ = title;
    if (!collapsed_) showStateTexts();
}

void CollapsablePanel::setDataForCollapsedState(const QString& data) {
    dataCollapsed_ = data;
    if (collapsed_) showStateTexts();
}

void CollapsablePanel::setDataForDisclosedState(const QString& data) {
    dataDisclosed_ = data;
    if (!collapsed_) showStateTexts();
}

void CollapsablePanel::setDrawsTitlebarWhileCollapsed(bool draws) {
    drawsTitlebarWhileCollapsed_ = draws;
    if (gui_header_) gui_header_->setDrawsWhileCollapsed(draws);
}

// -- Changes

void CollapsablePanel::setCollapsedState(bool collapsed) {
    const bool animated = usesAnimation_;
    usesAnimation_ = false;
    setCollapsed(collapsed);
    usesAnimation_ = animated;
    setNeedsDisplay(true);
}

void CollapsablePanel::disclosureTrianglePressed(QObject*) {
    setCollapsed(!collapsed_);
    setNeedsDisplay(true);
}

void CollapsablePanel::changeWindowMinHeightBy(double delta) {
    kit::Window* w = window();
    if (!w) return;
    const QSizeF min = w->minSize();
    w->setMinSize(QSizeF(min.width(), std::max(0.0, min.height() + delta)));
}

void CollapsablePanel::setCollapsed(bool collapsed) {
    if (collapsed == collapsed_) return;
    QPointer<CollapsablePanel> alive(this);
    if (gui_disclosureButton_) gui_disclosureButton_->setState(kit::Button::Mixed);
    if (!collapsed && gui_contentView_) gui_contentView_->setHidden(false);
    collapsed_ = collapsed;
    if (paneDelegate_)
        kit::perform(paneDelegate_, "collapsablePanelToggled", static_cast<QObject*>(this));
    if (!alive) return;
    showStateTexts();
    if (!collapsed && gui_header_) gui_header_->setCollapsed(false);

    kit::Window* w = window();
    windowReferenceFrame_ = w ? w->frame() : QRectF();
    referenceFrame_ = frame();
    QRectF target = referenceFrame_;
    const double content = gui_contentView_ ? gui_contentView_->frame().height() : 0.0;
    target.setHeight(collapsed ? titleHeight_ : titleHeight_ + content + 1);
    targetHeight_ = float(target.height());
    // The window may not be made smaller than its minimum, nor the minimum larger
    // than the window: the minimum shrinks before a collapse, grows after a
    // disclosure.
    if (collapsed) changeWindowMinHeightBy(-(content + 1));
    runChange(target, std::nullopt, usesAnimation_);
    if (!alive) return;
    if (!collapsed) changeWindowMinHeightBy(content + 1);

    if (collapsed && gui_contentView_) gui_contentView_->setHidden(true);
    if (gui_disclosureButton_)
        gui_disclosureButton_->setState(collapsed ? kit::Button::Off : kit::Button::On);
    if (gui_header_) {
        gui_header_->setCollapsed(collapsed);
        gui_header_->setNeedsDisplay(true);
    }
}

void CollapsablePanel::changeContentHeightBy(float delta) {
    QPointer<CollapsablePanel> alive(this);
    if (collapsed_) setCollapsed(false);
    if (!alive || delta == 0) return;

    kit::Window* w = window();
    windowReferenceFrame_ = w ? w->frame() : QRectF();
    referenceFrame_ = frame();
    QRectF paneTarget = referenceFrame_;
    paneTarget.setHeight(paneTarget.height() + delta);
    QRectF contentTarget = gui_contentView_ ? gui_contentView_->frame() : QRectF();
    targetHeight_ = float(titleHeight_ + contentTarget.height() + 1 + delta);
    contentTarget.setHeight(contentTarget.height() + delta);
    if (delta < 0) changeWindowMinHeightBy(delta);
    // The content's subviews keep their places relative to its top meanwhile.
    if (gui_contentView_) gui_contentView_->setAutoresizesSubviews(true);
    runChange(paneTarget, contentTarget, true);
    if (!alive) return;
    if (gui_contentView_) gui_contentView_->setAutoresizesSubviews(false);
    if (delta > 0) changeWindowMinHeightBy(delta);
}

void CollapsablePanel::runChange(const QRectF& paneTarget,
                                 const std::optional<QRectF>& contentTarget, bool animate) {
    QPointer<CollapsablePanel> alive(this);
    kit::Window* w = window();
    QPointer<kit::View> root = w ? w->contentView() : nullptr;
    const bool rootAutoresizes = root ? root->autoresizesSubviews() : true;
    if (root) root->setAutoresizesSubviews(false);
    saveSiblingViewStates();

    inAnimation_ = true;
    if (!animate) {
        setFrame(paneTarget);
        adjustWindowPosition();
    } else {
        if (gui_header_) gui_header_->setInAnimation(true);
        const bool shift = kit::Event::currentEvent().hasModifier(kit::ModifierFlags::Shift);
        changeDuration_ = shift ? kShiftDuration : kDuration;
        std::vector<LxViewAnimation::Entry> entries{
            {this, std::nullopt, paneTarget, LxViewAnimation::Effect::None}};
        if (contentTarget && gui_contentView_)
            entries.push_back({gui_contentView_.data(), std::nullopt, *contentTarget,
                               LxViewAnimation::Effect::None});
        LxViewAnimation animation(entries);
        animation.setOrdersOutFadedWindows(false);
        animation.setContinuouslyUpdateFadingViews(false);
        animation.setAnimationBlockingMode(kit::Animation::BlockingMode::Blocking);
        animation.setDuration(changeDuration_);
        animation.startAnimation();
        if (!alive) return;
        if (gui_header_) gui_header_->setInAnimation(false);
    }
    inAnimation_ = false;
    setFrame(paneTarget);

    if (root) root->setAutoresizesSubviews(rootAutoresizes);
    restoreSiblingViewStates();
}

void CollapsablePanel::adjustWindowPosition() {
    positionControls();
    if (!inAnimation_) return;
    // How far the pane has shrunk so far (negative while it grows). Taken as the
    // difference of the heights, it needs no division by the whole change.
    const float shrunk = float(referenceFrame_.height() - frame().height());
    for (size_t i = 0; i < viewsAbove_.size() && i < viewsAboveRects_.size(); ++i) {
        if (!viewsAbove_[i] || !viewsAboveRects_[i]) continue;
        const QRectF saved = viewsAboveRects_[i]->rect();
        viewsAbove_[i]->setFrame(saved.translated(0, -shrunk));
    }
    kit::Window* w = window();
    if (!w) return;
    const QRectF now = w->frame();
    w->setFrame(QRectF(now.x(), float(windowReferenceFrame_.y() + shrunk), now.width(),
                       windowReferenceFrame_.height() - shrunk),
                true);
    w->display();
}

// -- Siblings

void CollapsablePanel::saveSiblingViewStates() {
    viewsAbove_.clear();
    viewsAboveRects_.clear();
    viewResizingMasks_.clear();
    kit::Window* w = window();
    kit::View* root = w ? w->contentView() : nullptr;
    if (!root) return;
    // The pane's top edge as the window's content view sees it.
    QRectF pane = referenceFrame_;
    if (kit::View* parent = superview(); parent && parent != root)
        pane = parent->convertRectToView(pane, root);
    const double top = pane.y() + pane.height();
    for (kit::View* v : root->subviews()) {
        if (v == this) continue;
        viewResizingMasks_.push_back(v->autoresizingMask());
        v->setAutoresizingMask(kit::View::NotSizable);
        // One point of overlap still counts as above.
        if (v->frame().y() >= top - 1) {
            viewsAbove_.emplace_back(v);
            viewsAboveRects_.push_back(std::make_shared<RectObj>(v->frame()));
        }
    }
}

void CollapsablePanel::restoreSiblingViewStates() {
    const std::vector<unsigned> masks = std::move(viewResizingMasks_);
    viewResizingMasks_.clear();
    kit::Window* w = window();
    kit::View* root = w ? w->contentView() : nullptr;
    if (!root) return;
    size_t next = 0;
    for (kit::View* v : root->subviews()) {
        if (v == this) continue;
        if (next >= masks.size()) break;
        v->setAutoresizingMask(masks[next++]);
    }
}

void CollapsablePanel::addToContentView(kit::View* view) {
    if (!view || !gui_contentView_) return;
    // Unless told otherwise, a view keeps its distance to the content's top when
    // the content's height changes.
    constexpr unsigned vertical =
        kit::View::MinYMargin | kit::View::HeightSizable | kit::View::MaxYMargin;
    if (!(view->autoresizingMask() & vertical))
        view->setAutoresizingMask(view->autoresizingMask() | kit::View::MinYMargin);
    gui_contentView_->addSubview(view);
}

// -- Drawing and clicks

void CollapsablePanel::drawRect(kit::Graphics& g, const QRectF&) {
    if (collapsed_ && !drawsTitlebarWhileCollapsed_ && !inAnimation_) return;
    const QRectF b = bounds();
    if (paintContentBgd_) {
        g.setFillColor(contentBgdColor_);
        g.fillRect(QRectF(b.x(), 1, b.width(), b.height() - titleHeight_ - 1));
    }
    if (collapsed_ && !inAnimation_) return;
    g.setFillColor(bottomLineColor());
    g.fillRect(QRectF(b.x(), 1, b.width(), 1));
}

bool CollapsablePanel::inHeaderBand(const QPointF& p) const {
    const QRectF b = bounds();
    return QRectF(b.x(), b.height() - titleHeight_, b.width(), titleHeight_).contains(p);
}

void CollapsablePanel::setHeaderPressed(bool pressed) {
    headerPressed_ = pressed;
    if (!gui_header_) return;
    gui_header_->setHeaderPressed(pressed);
    gui_header_->setNeedsDisplay(true);
}

void CollapsablePanel::mouseDown(const kit::Event& event) {
    const QPointF p = convertPointFromView(event.locationInWindow(), nullptr);
    if (gui_header_ && gui_header_->frame().contains(p)) setHeaderPressed(true);
}

void CollapsablePanel::mouseDragged(const kit::Event& event) {
    setHeaderPressed(inHeaderBand(convertPointFromView(event.locationInWindow(), nullptr)));
}

void CollapsablePanel::mouseUp(const kit::Event&) {
    QPointer<CollapsablePanel> alive(this);
    if (headerPressed_) setCollapsed(!collapsed_);
    if (alive) setHeaderPressed(false);
}

#include "platform/kit/Alert.h"

#include "platform/kit/Button.h"
#include "platform/kit/Font.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/ModalSession.h"
#include "platform/kit/Panel.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TextField.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

constexpr double kWidth = 420, kMargin = 20, kIcon = 64, kGap = 16, kButtonHeight = 28;

QImage styleIcon(Alert::Style style) {
    const QStyle::StandardPixmap p = style == Alert::Style::Critical ? QStyle::SP_MessageBoxCritical
                                     : style == Alert::Style::Warning
                                         ? QStyle::SP_MessageBoxWarning
                                         : QStyle::SP_MessageBoxInformation;
    return QApplication::style()->standardIcon(p).pixmap(int(kIcon), int(kIcon)).toImage();
}

double textHeight(TextField* field, double width) {
    QLabel* l = field->label();
    if (!l || field->stringValue().isEmpty()) return 0;
    return std::ceil(double(l->heightForWidth(int(width))));
}

}  // namespace

Alert::Alert() {
    panel_ = new Panel(QRectF(0, 0, kWidth, 150), Panel::Titled);
    panel_->setParent(this);
    panel_->setTitle(QString());
}

Alert::~Alert() {
    if (Sheet::sheetParent(panel_)) Sheet::endSheet(panel_, ModalSession::Abort);
}

Button* Alert::addButtonWithTitle(const QString& title) {
    auto* b = new Button(QRectF(0, 0, 80, kButtonHeight));
    b->setTitle(title);
    const int code = FirstButtonReturn + int(buttons_.size());
    b->setActionHandler([this, code](QObject*) { answer(code); });
    if (buttons_.empty())
        b->setKeyEquivalent(QStringLiteral("\r"));
    else if (title == QStringLiteral("Cancel"))
        b->setKeyEquivalent(QStringLiteral("\x1b"));
    buttons_.push_back(b);
    return b;
}

Panel* Alert::window() {
    layout();
    return panel_;
}

void Alert::layout() {
    if (buttons_.empty()) addButtonWithTitle(QStringLiteral("OK"));
    View* content = panel_->contentView();
    const double textX = kMargin + kIcon + kGap;
    const double textW = kWidth - textX - kMargin;
    if (!messageField_) {
        messageField_ = TextField::labelWithString(QString());
        messageField_->setWraps(true);
        messageField_->setTextFont(Font::boldSystemFont(Font::systemFontSize()));
        informativeField_ = TextField::labelWithString(QString());
        informativeField_->setWraps(true);
        informativeField_->setTextFont(Font::systemFont(Font::smallSystemFontSize()));
        content->addSubview(messageField_);
        content->addSubview(informativeField_);
    }
    messageField_->setStringValue(message_);
    informativeField_->setStringValue(informative_);
    const double messageH = textHeight(messageField_, textW);
    const double infoH = textHeight(informativeField_, textW);
    const double textH = messageH + (infoH > 0 ? 8 + infoH : 0);
    const double height = kMargin + std::max(kIcon, textH) + kGap + kButtonHeight + kMargin;
    panel_->setContentSize(QSizeF(kWidth, height));

    // y grows upwards: the texts hang from the top, the buttons stand on the bottom.
    const double top = panel_->contentRect().height() - kMargin;
    if (!iconView_) {
        iconView_ = new ImageView(QRectF());
        content->addSubview(iconView_);
    }
    iconView_->setFrame(QRectF(kMargin, top - kIcon, kIcon, kIcon));
    iconView_->setImage(icon_.isNull() ? styleIcon(style_) : icon_);
    messageField_->setFrame(QRectF(textX, top - messageH, textW, messageH));
    informativeField_->setFrame(QRectF(textX, top - textH, textW, infoH));

    double right = kWidth - kMargin;
    for (Button* b : buttons_) {
        const QFontMetrics fm(b->hostedWidget()->font());
        const double w = std::max(80.0, double(fm.horizontalAdvance(b->title())) + 32.0);
        b->setFrame(QRectF(right - w, kMargin, w, kButtonHeight));
        if (!b->superview()) content->addSubview(b);
        right -= w + 8;
    }
}

int Alert::runModal() {
    layout();
    panel_->center();
    mode_ = Mode::Modal;
    const int code = ModalSession::runModalForWindow(panel_);
    mode_ = Mode::None;
    panel_->orderOut();
    return code;
}

bool Alert::beginSheetModalForWindow(Window* window, std::function<void(int)> handler) {
    layout();
    QPointer<Alert> self(this);
    const bool begun =
        Sheet::beginSheet(panel_, window, [self, handler = std::move(handler)](Window*, int code) {
            if (self) self->mode_ = Mode::None;
            if (handler) handler(code);
        });
    if (begun) mode_ = Mode::Sheet;
    return begun;
}

void Alert::answer(int code) {
    if (mode_ == Mode::Modal)
        ModalSession::stopModalWithCode(code);
    else if (mode_ == Mode::Sheet)
        Sheet::endSheet(panel_, code);
}

}  // namespace kit

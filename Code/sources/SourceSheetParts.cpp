#include "sources/SourceSheetParts.h"

#include "platform/foundation/Localized.h"
#include "platform/kit/Button.h"
#include "platform/kit/ColorWell.h"
#include "platform/kit/Font.h"
#include "platform/kit/Image.h"
#include "platform/kit/ImageView.h"
#include "platform/kit/Sheet.h"
#include "platform/kit/TextField.h"
#include "platform/kit/View.h"
#include "platform/kit/Window.h"

#include <QPainter>

namespace sourcesheets {

namespace {

constexpr double kBrightnessCap = 0.85;

std::function<void(const QString&)>& helpHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

}  // namespace

QImage colorizeImage(const QImage& mask, const QColor& color, bool capBrightness) {
    kit::Image::TintOptions options;
    options.halveWideMasks = true;
    if (capBrightness) options.brightnessCap = kBrightnessCap;
    return kit::Image::tinted(mask, color, options);
}

QImage picture(const QString& base, const QList<Layer>& layers) {
    const QSizeF size(kPictureSize, kPictureSize);
    const QRectF all(QPointF(0, 0), size);
    QImage result = kit::Image::withSize(size, 2.0);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.drawImage(all, kit::Image::named(base, size));
    for (const Layer& layer : layers) {
        const QImage image = kit::Image::named(layer.image, size);
        painter.drawImage(
            all, layer.color ? colorizeImage(image, *layer.color, layer.capBrightness) : image);
    }
    return result;
}

void setHelpHandler(std::function<void(const QString&)> handler) {
    helpHandler() = std::move(handler);
}

void showHelp(const QString& page) {
    if (helpHandler()) helpHandler()(page);
}

kit::TextField* label(kit::View* content, const QString& text, const QRectF& frame) {
    auto* made = kit::TextField::labelWithString(text, frame);
    made->setAlignment(kit::TextAlignment::Right);
    content->addSubview(made);
    return made;
}

kit::TextField* field(kit::View* content, const QRectF& frame, QObject* delegate) {
    auto* made = new kit::TextField(frame);
    made->setDelegate(delegate);
    content->addSubview(made);
    return made;
}

kit::Button* button(kit::View* content, const QString& title, const QString& key,
                    const QRectF& frame, QObject* target, const char* action) {
    auto* made = new kit::Button(frame);
    made->setTitle(title);
    if (!key.isEmpty()) made->setKeyEquivalent(key);
    made->setTarget(target);
    made->setAction(action);
    content->addSubview(made);
    return made;
}

kit::Button* checkbox(kit::View* content, const QString& title, const QRectF& frame,
                      QObject* target, const char* action) {
    auto* made = new kit::Button(frame, kit::Button::Type::Checkbox);
    made->setTitle(title);
    if (target) {
        made->setTarget(target);
        made->setAction(action);
    }
    content->addSubview(made);
    return made;
}

Buttons bottomButtons(kit::View* content, double width, QObject* target) {
    Buttons made;
    made.help = button(content, QStringLiteral("?"), QString(), QRectF(20, 14, 28, 28), target,
                       "helpPressed");
    made.ok = button(content, foundation::localized(QStringLiteral("csvSheetOK")),
                     QStringLiteral("\r"), QRectF(width - 120, 14, 100, 28), target, "okPressed");
    made.cancel =
        button(content, foundation::localized(QStringLiteral("csvSheetCancel")),
               QStringLiteral("\x1b"), QRectF(width - 228, 14, 100, 28), target, "cancelPressed");
    return made;
}

QRectF rowFrame(double height, int index, double x, double width) {
    return QRectF(x, height - 76 - index * 34, width, 24);
}

EditSheet editSheet(double width, double height, QObject* target) {
    EditSheet made;
    made.window = new kit::Window(QRectF(0, 0, width, height), kit::Window::Titled);
    kit::View* content = made.window->contentView();
    made.image =
        new kit::ImageView(QRectF(20, height - 20 - kPictureSize, kPictureSize, kPictureSize));
    content->addSubview(made.image);
    made.headline =
        kit::TextField::labelWithString(QString(), QRectF(kLabelX, height - 44, width - 116, 22));
    made.headline->setTextFont(kit::Font::boldSystemFont(kit::Font::systemFontSize()));
    content->addSubview(made.headline);
    const double fieldWidth = width - kFieldX - 20;
    label(content, foundation::localized(QStringLiteral("csvEditCalName")),
          rowFrame(height, 0, kLabelX, kLabelWidth));
    made.name = field(content, rowFrame(height, 0, kFieldX, fieldWidth), target);
    label(content, foundation::localized(QStringLiteral("csvEditCalDescription")),
          rowFrame(height, 1, kLabelX, kLabelWidth));
    made.description = field(content, rowFrame(height, 1, kFieldX, fieldWidth), target);
    label(content, foundation::localized(QStringLiteral("csvEditCalColor")),
          rowFrame(height, 2, kLabelX, kLabelWidth));
    made.color = new kit::ColorWell(rowFrame(height, 2, kFieldX, 52));
    made.color->setTarget(target);
    made.color->setAction("colorChanged");
    content->addSubview(made.color);
    made.buttons = bottomButtons(content, width, target);
    return made;
}

bool isUp(const kit::Window* sheet) {
    return sheet && kit::Sheet::sheetParent(sheet);
}

void endIfUp(kit::Window* sheet) {
    if (isUp(sheet)) kit::Sheet::endSheet(sheet, 0);
}

DeleteSheet deleteSheet(double width, double height, QObject* target) {
    DeleteSheet made;
    made.window = new kit::Window(QRectF(0, 0, width, height), kit::Window::Titled);
    kit::View* content = made.window->contentView();
    made.image =
        new kit::ImageView(QRectF(20, height - 20 - kPictureSize, kPictureSize, kPictureSize));
    content->addSubview(made.image);
    made.text =
        kit::TextField::labelWithString(QString(), QRectF(100, height - 20 - 56, width - 120, 56));
    made.text->setWraps(true);
    content->addSubview(made.text);
    made.ok =
        button(content, foundation::localized(QStringLiteral("csvSheetDelete")),
               QStringLiteral("\r"), QRectF(width - 120, 14, 100, 28), target, "okDeletePressed");
    made.cancel = button(content, foundation::localized(QStringLiteral("csvSheetCancel")),
                         QStringLiteral("\x1b"), QRectF(width - 228, 14, 100, 28), target,
                         "cancelDeletePressed");
    return made;
}

QString capitalizedWords(const QString& text) {
    QStringList words = text.toLower().split(u' ');
    for (QString& word : words)
        if (!word.isEmpty()) word[0] = word[0].toUpper();
    return words.join(u' ');
}

}  // namespace sourcesheets

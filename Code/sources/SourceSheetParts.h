#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QObject;

namespace kit {
class Button;
class ColorWell;
class ImageView;
class TextField;
class View;
class Window;
}  // namespace kit

// What the calendar and marker sheets share: their pictures, tinted masks laid
// over a base image, the help page their Help buttons open, and the controls
// of their layouts. Main thread only.
namespace sourcesheets {

constexpr double kPictureSize = 64;

// The mask multiplied by the colour's red, green and blue (its alpha is not
// used); a mask wider than 65 pixels (drawn for twice the resolution) is halved
// first, and a colour brighter than 0.85 is taken at that brightness, so a
// white calendar still shows on the white page of the picture.
QImage colorizeImage(const QImage& mask, const QColor& color, bool capBrightness = true);

// One layer over the base: a named image, tinted with the colour when it has
// one (a bright colour capped, unless the picture shows it as it is).
struct Layer {
    QString image;
    std::optional<QColor> color;
    bool capBrightness = true;
};
// The named base image of kPictureSize points with the layers drawn over it in
// order, each from its own full size into the whole picture.
QImage picture(const QString& base, const QList<Layer>& layers);

// The Help buttons open the help page of that name; set by the application.
void setHelpHandler(std::function<void(const QString& page)> handler);
void showHelp(const QString& page);

// The controls of the sheets' layouts, in the kit's coordinates (origin at the
// lower left of the content view).
kit::TextField* label(kit::View* content, const QString& text, const QRectF& frame);
kit::TextField* field(kit::View* content, const QRectF& frame, QObject* delegate);
kit::Button* button(kit::View* content, const QString& title, const QString& key,
                    const QRectF& frame, QObject* target, const char* action);
// A checkbox; without a target it sends nothing (its state is read later).
kit::Button* checkbox(kit::View* content, const QString& title, const QRectF& frame,
                      QObject* target = nullptr, const char* action = nullptr);

// The bottom row of an edit sheet of `width`: Help at the left, Cancel and OK
// at the right (actions helpPressed, cancelPressed, okPressed).
struct Buttons {
    kit::Button* help = nullptr;
    kit::Button* cancel = nullptr;
    kit::Button* ok = nullptr;
};
Buttons bottomButtons(kit::View* content, double width, QObject* target);

// The form of an edit sheet: the picture at the upper left, the headline
// beside it, and below it rows of a label and a control.
constexpr double kLabelX = 96;
constexpr double kLabelWidth = 92;
constexpr double kFieldX = kLabelX + kLabelWidth + 8;
// Row `index` of the form of a sheet `height` high.
QRectF rowFrame(double height, int index, double x, double width);

// An edit sheet of `width` x `height` with its picture, headline, the rows of
// name, description and colour (the fields tell `target` controlTextDidChange,
// the colour well sends colorChanged), and its bottom buttons.
struct EditSheet {
    kit::Window* window = nullptr;
    kit::ImageView* image = nullptr;
    kit::TextField* headline = nullptr;
    kit::TextField* name = nullptr;
    kit::TextField* description = nullptr;
    kit::ColorWell* color = nullptr;
    Buttons buttons;
};
EditSheet editSheet(double width, double height, QObject* target);

// Whether the sheet is up on a window; ends it when it is.
bool isUp(const kit::Window* sheet);
void endIfUp(kit::Window* sheet);

// A delete confirmation of `width` x `height`: the picture at the upper left,
// the question beside it, Cancel and Delete at the lower right (actions
// cancelDeletePressed, okDeletePressed).
struct DeleteSheet {
    kit::Window* window = nullptr;
    kit::ImageView* image = nullptr;
    kit::TextField* text = nullptr;
    kit::Button* cancel = nullptr;
    kit::Button* ok = nullptr;
};
DeleteSheet deleteSheet(double width, double height, QObject* target);

// Every word with a capital first letter ("LOCAL CALENDARS": "Local Calendars").
QString capitalizedWords(const QString& text);

}  // namespace sourcesheets

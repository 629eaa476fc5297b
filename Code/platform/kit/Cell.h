#pragma once

#include "platform/kit/Font.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariant>

#include <optional>

namespace kit {

class Event;
class Graphics;
class View;

// What a mouse event over a cell hits (bits of hitTestForEvent's answer).
namespace CellHit {
constexpr unsigned None = 0, ContentArea = 1, EditableTextArea = 2, TrackableArea = 4;
}

// A cell: a lightweight object that draws one item inside a view (a day of a
// year page, a row of a list) without being a view itself. drawWithFrame draws
// the border and background a subclass wants and then the interior.
class Cell {
public:
    enum State { Off = 0, On = 1, Mixed = -1 };

    Cell() = default;
    virtual ~Cell() = default;

    virtual void drawWithFrame(Graphics& graphics, const QRectF& frame, View* controlView);
    virtual void drawInteriorWithFrame(Graphics& graphics, const QRectF& frame, View* controlView);
    // The rectangle inside `bounds` where the content is drawn.
    virtual QRectF drawingRectForBounds(const QRectF& bounds) const { return bounds; }
    virtual QSizeF cellSize() const { return QSizeF(0, 0); }

    // What the event (a mouse event of `controlView`, which read its event
    // number to tell a new press from one seen before) hits inside the cell
    // drawn in `cellFrame`: by default its content, and its editable text
    // where the cell is editable; none outside the frame.
    virtual unsigned hitTestForEvent(const Event& event, const QRectF& cellFrame,
                                     View* controlView);
    // Where in-place editing of the cell drawn in `cellFrame` takes place: the
    // frame by default; none refuses the editing.
    virtual std::optional<QRectF> editingFrameForCellFrame(const QRectF& cellFrame,
                                                           View* controlView);
    // The cell's picture (a null image when it has none).
    virtual QImage image() const { return image_; }
    void setImage(const QImage& image) { image_ = image; }
    bool isEditable() const { return editable_; }
    void setEditable(bool e) { editable_ = e; }

    QVariant objectValue() const { return value_; }
    virtual void setObjectValue(const QVariant& value) { value_ = value; }
    QString stringValue() const { return value_.toString(); }
    void setStringValue(const QString& s) { setObjectValue(s); }
    QVariant representedObject() const { return represented_; }
    void setRepresentedObject(const QVariant& o) { represented_ = o; }
    int state() const { return state_; }
    void setState(int s) { state_ = s; }
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool h) { highlighted_ = h; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool e) { enabled_ = e; }
    int tag() const { return tag_; }
    void setTag(int t) { tag_ = t; }
    Font font() const { return font_; }
    void setFont(const Font& f) { font_ = f; }
    View* controlView() const { return controlView_; }
    void setControlView(View* v) { controlView_ = v; }

private:
    QVariant value_;
    QVariant represented_;
    int state_ = Off;
    bool highlighted_ = false;
    bool enabled_ = true;
    bool editable_ = false;
    int tag_ = 0;
    QImage image_;
    Font font_;
    View* controlView_ = nullptr;
};

}  // namespace kit

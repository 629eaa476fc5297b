#pragma once

#include "platform/kit/AttributedString.h"
#include "platform/kit/Gradient.h"
#include "platform/kit/Path.h"

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;

namespace kit {

class TextLayout;

// How drawn pixels combine with those already there.
enum class CompositingOperation {
    Clear = 0,
    Copy = 1,
    SourceOver = 2,
    SourceIn = 3,
    SourceOut = 4,
    SourceAtop = 5,
    DestinationOver = 6,
    DestinationIn = 7,
    DestinationOut = 8,
    DestinationAtop = 9,
    Xor = 10,
    PlusDarker = 11,
    Highlight = 12,  // drawn as source-over
    PlusLighter = 13
};

// What drawRect: and the offscreen drawing draw with: fills, strokes, paths,
// gradients, images with compositing and opacity, and attributed text, in the
// coordinates of the view or image being drawn (y grows upwards unless the
// context is flipped). Text and images are drawn upright whichever way y grows:
// the context asks its view whether it is flipped each time it draws them, so a
// view may answer differently while it draws under a transform of its own.
//
// A Graphics wraps a QPainter. One made for an image owns its painter and may be
// used on any thread (it draws from model data only, never from widgets).
class Graphics final {
public:
    // Where the drawing goes: a window on the screen, an image (offscreen pages,
    // snapshots, views rendered to pictures) or a printed page. Views may leave
    // out what only makes sense on the screen (hover marks, focus rings).
    enum class Destination { Screen, Image, Print };

    // Draws through `painter`, whose world transform already maps the coordinates
    // to draw in; `flipped` tells whether y grows downwards in them.
    Graphics(QPainter& painter, bool flipped);
    // Draws into `image`; y grows upwards from its bottom edge unless `flipped`.
    Graphics(QImage& image, bool flipped = false);
    ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // The innermost Graphics of the calling thread that is drawing now, or null.
    static Graphics* current();

    QPainter& painter() { return *painter_; }
    // Taken from the painter's device when made; drawing code that paints a
    // page into an image on its way to the printer says so with setDestination.
    Destination destination() const { return destination_; }
    void setDestination(Destination d) { destination_ = d; }
    bool isDrawingToScreen() const { return destination_ == Destination::Screen; }
    static Destination destinationOf(const QPaintDevice* device);
    bool isFlipped() const;
    // Makes isFlipped() ask `query` (a view's current answer) at every use.
    void setFlippedQuery(std::function<bool()> query) { flippedQuery_ = std::move(query); }

    // -- State (saved and restored together with the painter's transform and clip)
    void saveGraphicsState();
    void restoreGraphicsState();
    void setColor(const QColor& c);  // fill and stroke
    void setFillColor(const QColor& c) { state_.fill = c; }
    void setStrokeColor(const QColor& c) { state_.stroke = c; }
    QColor fillColor() const { return state_.fill; }
    QColor strokeColor() const { return state_.stroke; }
    void setCompositingOperation(CompositingOperation op) { state_.op = op; }
    CompositingOperation compositingOperation() const { return state_.op; }
    // The width of lines drawn by paths that have none of their own; 1.
    void setDefaultLineWidth(double w) { state_.lineWidth = w > 0 ? w : 1.0; }
    double defaultLineWidth() const { return state_.lineWidth; }
    // A shadow under everything drawn until the state is restored: offset in
    // points with y upwards on screen whatever the context, blur radius, colour.
    void setShadow(const QPointF& offset, double blurRadius, const QColor& color);
    void clearShadow() { state_.shadow.reset(); }
    void setShouldAntialias(bool on);
    void setAlpha(double alpha);  // a global opacity multiplied into everything drawn

    // -- Transforms, applied to the coordinates drawn in (the first one applied last)
    void translate(double dx, double dy);
    void scale(double sx, double sy);
    void rotate(double degrees);  // counter-clockwise where y grows upwards
    void concat(const QTransform& t);
    QTransform currentTransform() const;

    // -- Clipping
    void clipToRect(const QRectF& r);  // intersects the clip with the rectangle
    void addClip(const Path& path);    // intersects the clip with the path
    void setClip(const Path& path);    // replaces the clip

    // -- Fills and strokes, with the current colours and compositing
    void fillRect(const QRectF& r);
    void fillRect(const QRectF& r, CompositingOperation op);
    void fillRects(const std::vector<QRectF>& rects);
    // A frame of `width` inside the rectangle's edges.
    void frameRect(const QRectF& r, double width = 1.0);
    void strokeRect(const QRectF& r);  // centred on the edges, default line width
    void fill(const Path& path);
    void stroke(const Path& path);
    void strokeLine(const QPointF& from, const QPointF& to);
    void fillOval(const QRectF& r) { fill(Path::oval(r)); }
    void strokeOval(const QRectF& r) { stroke(Path::oval(r)); }
    void fillRoundedRect(const QRectF& r, double xr, double yr) {
        fill(Path::roundedRect(r, xr, yr));
    }

    // -- Gradients
    void drawGradient(const Gradient& g, const QRectF& rect, double angle);
    void drawGradient(const Gradient& g, const Path& path, double angle);
    void drawGradient(const Gradient& g, const QPointF& from, const QPointF& to,
                      bool extendBefore = false, bool extendAfter = false);

    // -- Images. `source` is a rectangle of the image in points with y upwards
    // from its bottom edge (the zero rectangle: the whole image; a negative width
    // or height mirrors the picture). An image is drawn upright in a flipped
    // context only when `respectFlipped` is set.
    void drawImage(const QImage& image, const QRectF& dest, const QRectF& source = QRectF(),
                   CompositingOperation op = CompositingOperation::SourceOver,
                   double fraction = 1.0, bool respectFlipped = true);
    void drawImageAtPoint(const QImage& image, const QPointF& point,
                          const QRectF& source = QRectF(),
                          CompositingOperation op = CompositingOperation::SourceOver,
                          double fraction = 1.0, bool respectFlipped = true);

    // -- Text. At a point: the point is the corner of the text's box that lies at
    // the start of its first line's baseline side: the lower left corner where y
    // grows upwards, the upper left where it grows downwards; paragraphs are not
    // wrapped. In a rectangle: lines wrap at its width from its top edge, only whole
    // lines that fit are drawn, and nothing leaves the rectangle.
    void drawString(const QString& text, const QPointF& point, const TextAttributes& attributes);
    void drawString(const QString& text, const QRectF& rect, const TextAttributes& attributes);
    void drawAttributedString(const AttributedString& text, const QPointF& point);
    void drawAttributedString(const AttributedString& text, const QRectF& rect);
    // A laid-out text from `origin` along growing y (see TextLayout).
    void drawTextLayout(const TextLayout& layout, const QPointF& origin);

private:
    struct Shadow {
        QPointF offset;
        double blur = 0;
        QColor color;
    };
    struct State {
        QColor fill = QColor(0, 0, 0);
        QColor stroke = QColor(0, 0, 0);
        CompositingOperation op = CompositingOperation::SourceOver;
        double lineWidth = 1.0;
        std::optional<Shadow> shadow;
    };

    void init(bool flipped);
    // Draws one primitive (whose extent in the current coordinates is `bounds`)
    // with the current shadow and compositing operation.
    void paintPrimitive(const QRectF& bounds, const std::function<void(QPainter&)>& draw);
    QImage renderLayer(const QRect& deviceRect, const std::function<void(QPainter&)>& draw);
    void paintShadow(const QRectF& bounds, const std::function<void(QPainter&)>& draw);
    bool paintPlusDarker(const QRectF& bounds, const std::function<void(QPainter&)>& draw);
    QRectF deviceBounds() const;
    void applyPen(QPainter& p, const Path& path) const;

    std::unique_ptr<QPainter> ownPainter_;
    QPainter* painter_ = nullptr;
    bool flipped_ = false;
    Destination destination_ = Destination::Screen;
    std::function<bool()> flippedQuery_;
    State state_;
    std::vector<State> saved_;
};

}  // namespace kit

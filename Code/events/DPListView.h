#pragma once

#include "platform/kit/TextAttributes.h"
#include "platform/kit/TextLayout.h"
#include "platform/kit/View.h"

#include <QColor>
#include <QString>

#include <optional>

namespace kit {
class Graphics;
}

// What the two lists of the day popup share: the two drawing switches the popup hands them, the one
// text layout each reuses for every text it draws, the drawing of a text wrapped into a rectangle
// from its top edge, and the four colours of an entry's box. The lists only draw; they never change
// a record. Main thread only.
class DPListView : public kit::View {
    Q_OBJECT

public:
    // The colours of one box: the dark edge, the rim, the shade at its top and
    // the body.
    struct BoxColors {
        QColor edge, rim, top, body;
    };
    // How a list derives a box's edge and rim from a base colour.
    struct BoxStyle {
        double greyThreshold;   // saturations up to this count as grey
        double edgeBrightness;  // of the edge of a coloured box
        bool halfSaturatedRim;  // rim: half the saturation at full brightness,
                                // else saturation 0.5 at brightness 0.9
    };
    // The four greys without a base colour; otherwise derived from its hue,
    // saturation and brightness (its alpha is not used).
    static BoxColors boxColors(const std::optional<QColor>& base, const BoxStyle& style);

    explicit DPListView(const QRectF& frame = QRectF());

    void setUseCalendarColors(bool use) { useCalendarColors_ = use; }
    bool useCalendarColors() const { return useCalendarColors_; }
    void setDoubleStrike(bool on) { textDoubleStrike_ = on; }
    bool doubleStrike() const { return textDoubleStrike_; }
    void setFlippedY(bool flipped) { flippedY_ = flipped; }
    bool isFlipped() const override { return flippedY_; }

    // The small system font in white (front copy) and black (back copy).
    static kit::TextAttributes titleAttributes(const QColor& color);

    // Draws `text` wrapped to the rectangle's width, from its top edge down,
    // with only the whole lines that fit into its height; a rectangle lower
    // than one line still shows the first line.
    void drawBoxedText(kit::Graphics& g, const QString& text, const kit::TextAttributes& attributes,
                       const QRectF& rect);
    // A title in the text column (x, y, w, h) of a box: the back copy in black
    // in (x, y + 3, w, h - 4), one point above the front copy in white in
    // (x, y + 2, w, h - 4), drawn twice with double strike.
    void drawTitle(kit::Graphics& g, const QString& text, const QRectF& rect);

private:
    bool useCalendarColors_ = false;
    bool flippedY_ = false;
    bool textDoubleStrike_ = false;
    kit::TextLayout textLayout_;
};

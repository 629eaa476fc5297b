#pragma once

#include <QFont>
#include <QString>

class QPaintDevice;

namespace kit {

// A font at a size in points, as the views choose it: the system font at the
// regular or small system size, bold or not, or a named family. One point is one
// unit of view coordinates whatever the resolution of the device drawn on, so a
// Font is turned into a QFont for a particular device when it is drawn.
// A value type; safe to use on any thread.
class Font final {
public:
    Font();  // the regular system font at the regular size
    Font(const QString& family, double pointSize, bool bold = false);

    static double systemFontSize() { return 13.0; }
    static double smallSystemFontSize() { return 11.0; }
    static double labelFontSize() { return 10.0; }
    static Font systemFont(double pointSize);
    static Font boldSystemFont(double pointSize);
    static QString systemFamily();

    QString family() const { return family_; }
    double pointSize() const { return size_; }
    bool isBold() const { return bold_; }
    Font withSize(double pointSize) const { return Font(family_, pointSize, bold_); }
    Font bold() const { return Font(family_, size_, true); }

    // The QFont that draws at this size on `device` (null: the measuring device,
    // on which one pixel is one point).
    QFont qfont(const QPaintDevice* device = nullptr) const;
    // The device on which measurements are made (72 dots per inch).
    static const QPaintDevice* measuringDevice();

    // Metrics in points. The descender is negative (below the baseline).
    double ascender() const;
    double descender() const;
    double lineHeight() const;  // the default distance between two baselines
    double capHeight() const;
    double xHeight() const;
    double widthOfString(const QString& text) const;

    bool operator==(const Font& o) const {
        return family_ == o.family_ && size_ == o.size_ && bold_ == o.bold_;
    }
    bool operator!=(const Font& o) const { return !(*this == o); }

private:
    QString family_;
    double size_ = 13.0;
    bool bold_ = false;
    QFont measure_;
};

}  // namespace kit

#include "platform/kit/TextLayout.h"

#include "platform/foundation/Log.h"
#include "platform/kit/Graphics.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QTextCharFormat>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <exception>
#include <limits>

namespace kit {

namespace {

bool isParagraphBreak(QChar c) {
    return c == u'\n' || c == u'\r' || c == QChar(0x2028) || c == QChar(0x2029);
}

QTextCharFormat charFormat(const TextAttributes& a, const QPaintDevice* device) {
    QTextCharFormat f;
    f.setFont(a.font.qfont(device));
    f.setForeground(a.color);
    if (a.backgroundColor) f.setBackground(*a.backgroundColor);
    if (a.underline) f.setFontUnderline(true);
    if (a.strikethrough) f.setFontStrikeOut(true);
    if (a.kern != 0.0) {
        f.setFontLetterSpacingType(QFont::AbsoluteSpacing);
        f.setFontLetterSpacing(a.kern);
    }
    return f;
}

bool keepsOneLine(LineBreakMode m) {
    return m == LineBreakMode::Clipping || m == LineBreakMode::TruncatingHead ||
           m == LineBreakMode::TruncatingTail || m == LineBreakMode::TruncatingMiddle;
}

}  // namespace

TextLayout::TextLayout() = default;
TextLayout::~TextLayout() = default;

void TextLayout::setText(const AttributedString& text) {
    text_ = text;
    valid_ = false;
}

void TextLayout::setContainerSize(const QSizeF& size) {
    if (size == container_) return;
    container_ = size;
    valid_ = false;
}

void TextLayout::layout(const QPaintDevice* device) const {
    const QPaintDevice* dev = device ? device : Font::measuringDevice();
    const double dpi = dev->logicalDpiY();
    if (valid_ && dpi == laidOutDpi_) return;
    paragraphs_.clear();
    lines_.clear();
    valid_ = true;
    laidOutDpi_ = dpi;

    const QString& s = text_.string();
    if (s.isEmpty()) return;
    const ParagraphStyle style = text_.paragraphStyle();
    const bool unboundedWidth = container_.width() >= kUnlimited;
    const bool unboundedHeight = container_.height() >= kUnlimited;
    const double w = unboundedWidth ? kUnlimited : std::max(0.0, container_.width());
    const double h = container_.height();
    const bool oneLine = keepsOneLine(style.lineBreakMode);

    double y = 0;
    bool full = false;
    int start = 0;
    for (int paragraph = 0; !full; ++paragraph) {
        int end = start;
        while (end < s.size() && !isParagraphBreak(s[end])) ++end;
        QString paraText = s.mid(start, end - start);
        const TextAttributes first = text_.attributesAt(start);
        QList<QTextLayout::FormatRange> formats;
        bool elided = false;
        if (!unboundedWidth && style.lineBreakMode != LineBreakMode::Clipping && oneLine) {
            const QFontMetricsF fm(first.font.qfont(dev), dev);
            if (fm.horizontalAdvance(paraText) > w) {
                const Qt::TextElideMode mode =
                    style.lineBreakMode == LineBreakMode::TruncatingHead     ? Qt::ElideLeft
                    : style.lineBreakMode == LineBreakMode::TruncatingMiddle ? Qt::ElideMiddle
                                                                             : Qt::ElideRight;
                paraText = fm.elidedText(paraText, mode, w);
                formats.append({0, int(paraText.size()), charFormat(first, dev)});
                elided = true;
            }
        }
        if (!elided) {
            for (const auto& run : text_.runs()) {
                const int a = std::max(start, run.start), b = std::min(end, run.start + run.length);
                if (a < b) formats.append({a - start, b - a, charFormat(run.attributes, dev)});
            }
        }

        auto tl = std::make_unique<QTextLayout>(paraText, first.font.qfont(dev),
                                                const_cast<QPaintDevice*>(dev));
        QTextOption option;
        option.setUseDesignMetrics(true);
        option.setWrapMode(oneLine || unboundedWidth
                               ? QTextOption::NoWrap
                               : (style.lineBreakMode == LineBreakMode::CharWrapping
                                      ? QTextOption::WrapAnywhere
                                      : QTextOption::WrapAtWordBoundaryOrAnywhere));
        option.setAlignment(unboundedWidth ? Qt::AlignLeft : qtAlignment(style.alignment));
        if (unboundedWidth || oneLine) option.setFlags(QTextOption::IncludeTrailingSpaces);
        tl->setTextOption(option);
        tl->setFormats(formats);
        tl->beginLayout();
        for (int index = 0;; ++index) {
            QTextLine line = tl->createLine();
            if (!line.isValid()) break;
            line.setLeadingIncluded(true);
            line.setLineWidth(w);
            const double lineY = lines_.empty() ? 0.0 : y + style.lineSpacing;
            const double lineH = line.height();
            if (!unboundedHeight && lineY + lineH > h + 1e-6) {
                full = true;
                break;
            }
            line.setPosition(QPointF(0, lineY));
            const QRectF natural = line.naturalTextRect();
            Line l;
            l.paragraph = paragraph;
            l.lineIndex = index;
            l.y = lineY;
            l.height = lineH;
            l.x = unboundedWidth ? 0.0 : natural.x();
            l.width = natural.width();
            // An elided line stands for its whole paragraph.
            l.characters = elided ? (end - start) : line.textLength();
            lines_.push_back(l);
            y = lineY + lineH;
        }
        tl->endLayout();
        paragraphs_.push_back(std::move(tl));
        if (end >= s.size()) break;
        start = end + ((s[end] == u'\r' && end + 1 < s.size() && s[end + 1] == u'\n') ? 2 : 1);
    }
}

int TextLayout::lineCount() const {
    layout(nullptr);
    return int(lines_.size());
}

std::vector<QRectF> TextLayout::lineRects() const {
    layout(nullptr);
    std::vector<QRectF> out;
    for (const Line& l : lines_) out.emplace_back(l.x, l.y, l.width, l.height);
    return out;
}

QRectF TextLayout::usedRect() const {
    layout(nullptr);
    if (lines_.empty()) return QRectF();
    double x0 = std::numeric_limits<double>::max(), x1 = std::numeric_limits<double>::lowest();
    for (const Line& l : lines_) {
        x0 = std::min(x0, l.x);
        x1 = std::max(x1, l.x + l.width);
    }
    const Line& last = lines_.back();
    return QRectF(x0, 0, std::max(0.0, x1 - x0), last.y + last.height);
}

int TextLayout::characterCountThatFits() const {
    layout(nullptr);
    if (lines_.empty()) return 0;
    // Whole paragraphs before the last fitting line's paragraph, with their breaks.
    const QString& s = text_.string();
    int count = 0, paragraph = 0, pos = 0;
    const Line& last = lines_.back();
    while (paragraph < last.paragraph && pos < s.size()) {
        while (pos < s.size() && !isParagraphBreak(s[pos])) ++pos;
        if (pos < s.size())
            pos += (s[pos] == u'\r' && pos + 1 < s.size() && s[pos + 1] == u'\n') ? 2 : 1;
        ++paragraph;
    }
    count = pos;
    for (const Line& l : lines_)
        if (l.paragraph == last.paragraph) count += l.characters;
    return std::min(count, int(s.size()));
}

void TextLayout::draw(QPainter& painter, const QPointF& origin) const {
    layout(painter.device());
    for (const Line& l : lines_) {
        const QTextLine line = paragraphs_[size_t(l.paragraph)]->lineAt(l.lineIndex);
        line.draw(&painter, origin);
    }
}

void TextLayout::draw(Graphics& graphics, const QPointF& origin) const {
    graphics.drawTextLayout(*this, origin);
}

bool TextLayout::drawBoxed(Graphics& graphics, const AttributedString& text, const QRectF& rect,
                           const std::function<void(bool)>& drawing) {
    setText(text);
    setContainerSize(rect.size());
    // The layout runs its lines down from its origin; mirroring y onto the box
    // puts the first line at the box's top edge.
    if (drawing) drawing(true);
    graphics.saveGraphicsState();
    bool drawn = true;
    try {
        graphics.scale(1, -1);
        graphics.translate(0, -(2 * rect.y() + rect.height()));
        draw(graphics, QPointF(rect.x(), rect.y()));
    } catch (const std::exception& e) {
        foundation::log(QStringLiteral("ERROR: glyph drawing failed with exception %1")
                            .arg(QString::fromUtf8(e.what())));
        drawn = false;
    }
    graphics.restoreGraphicsState();
    if (drawing) drawing(false);
    return drawn;
}

QRectF TextLayout::requiredRect(const AttributedString& text, const QSizeF& size) {
    try {
        setText(text);
        setContainerSize(size);
        return usedRect();
    } catch (const std::exception& e) {
        foundation::log(QStringLiteral("ERROR: glyph rect estimation failed with exception %1")
                            .arg(QString::fromUtf8(e.what())));
        return QRectF();
    }
}

}  // namespace kit

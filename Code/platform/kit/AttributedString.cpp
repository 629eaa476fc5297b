#include "platform/kit/AttributedString.h"

#include "platform/kit/TextLayout.h"

#include <algorithm>

namespace kit {

AttributedString::AttributedString(const QString& text, const TextAttributes& attributes)
    : text_(text) {
    if (!text_.isEmpty()) runs_.push_back({0, int(text_.size()), attributes});
}

void AttributedString::append(const QString& text, const TextAttributes& attributes) {
    if (text.isEmpty()) return;
    runs_.push_back({int(text_.size()), int(text.size()), attributes});
    text_ += text;
    mergeRuns();
}

void AttributedString::append(const AttributedString& other) {
    for (const Run& r : other.runs_) append(other.text_.mid(r.start, r.length), r.attributes);
}

void AttributedString::setAttributes(const TextAttributes& attributes, int start, int length) {
    start = std::clamp(start, 0, int(text_.size()));
    const int end = std::clamp(start + std::max(0, length), start, int(text_.size()));
    if (start == end) return;
    std::vector<Run> out;
    for (const Run& r : runs_) {
        const int rEnd = r.start + r.length;
        if (rEnd <= start || r.start >= end) {
            out.push_back(r);
            continue;
        }
        if (r.start < start) out.push_back({r.start, start - r.start, r.attributes});
        if (rEnd > end) out.push_back({end, rEnd - end, r.attributes});
    }
    out.push_back({start, end - start, attributes});
    std::sort(out.begin(), out.end(), [](const Run& a, const Run& b) { return a.start < b.start; });
    runs_ = std::move(out);
    mergeRuns();
}

TextAttributes AttributedString::attributesAt(int index) const {
    for (const Run& r : runs_)
        if (index >= r.start && index < r.start + r.length) return r.attributes;
    return runs_.empty() ? TextAttributes() : runs_.back().attributes;
}

ParagraphStyle AttributedString::paragraphStyle() const {
    return runs_.empty() ? ParagraphStyle() : runs_.front().attributes.paragraph;
}

AttributedString AttributedString::substring(int start, int length) const {
    start = std::clamp(start, 0, int(text_.size()));
    const int end = std::clamp(start + std::max(0, length), start, int(text_.size()));
    AttributedString out;
    for (const Run& r : runs_) {
        const int s = std::max(start, r.start), e = std::min(end, r.start + r.length);
        if (s < e) out.append(text_.mid(s, e - s), r.attributes);
    }
    return out;
}

QSizeF AttributedString::size() const {
    if (text_.isEmpty()) return QSizeF(0, 0);
    TextLayout layout;
    layout.setText(*this);
    layout.setContainerSize(QSizeF(TextLayout::kUnlimited, TextLayout::kUnlimited));
    return layout.usedRect().size();
}

QRectF AttributedString::boundingRectWithSize(const QSizeF& size) const {
    if (text_.isEmpty()) return QRectF();
    TextLayout layout;
    layout.setText(*this);
    layout.setContainerSize(size);
    const QRectF used = layout.usedRect();
    return QRectF(0, 0, used.width(), used.height());
}

bool AttributedString::operator==(const AttributedString& o) const {
    if (text_ != o.text_ || runs_.size() != o.runs_.size()) return false;
    for (size_t i = 0; i < runs_.size(); ++i) {
        if (runs_[i].start != o.runs_[i].start || runs_[i].length != o.runs_[i].length ||
            !(runs_[i].attributes == o.runs_[i].attributes))
            return false;
    }
    return true;
}

void AttributedString::mergeRuns() {
    std::vector<Run> out;
    for (const Run& r : runs_) {
        if (r.length <= 0) continue;
        if (!out.empty() && out.back().start + out.back().length == r.start &&
            out.back().attributes == r.attributes)
            out.back().length += r.length;
        else
            out.push_back(r);
    }
    runs_ = std::move(out);
}

}  // namespace kit

#include "platform/kit/TextAttributes.h"

#include "platform/kit/AttributedString.h"

namespace kit {

QSizeF TextAttributes::sizeOfString(const QString& text) const {
    return AttributedString(text, *this).size();
}

Qt::Alignment qtAlignment(TextAlignment a) {
    switch (a) {
        case TextAlignment::Right:
            return Qt::AlignRight;
        case TextAlignment::Center:
            return Qt::AlignHCenter;
        case TextAlignment::Justified:
            return Qt::AlignJustify;
        default:
            return Qt::AlignLeft;
    }
}

}  // namespace kit

#include "platform/kit/TextAttributes.h"

#include "platform/kit/AttributedString.h"

namespace kit {

QSizeF TextAttributes::sizeOfString(const QString& text) const {
    return AttributedString(text, *this).size();
}

}  // namespace kit

#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

#include <utility>

namespace foundation {

// Fills a localised format text with arguments, safely: a translation may carry
// fewer, more or other placeholders than the code expects, and it must show
// wrong text then, never read what was not given.
//
// Placeholders: %@ (any value, as text), %d and %i (a whole number), %ld, %li,
// %lld, %lli (the same), %u, %lu, %llu (a whole number not below 0), and %% for a
// percent sign. Each may name its argument by position, counted from 1 (%1$@,
// %2$li); a text uses either positions or the order of its placeholders, not
// both. A placeholder whose argument is missing or of the wrong kind stays as
// it is written; a text with a placeholder of any other form, a lone % at its
// end, position 0 or both ways of counting is malformed and comes back as it
// stands. Arguments are put in as they are: a "%" inside one is not read again.
QString formatLocalized(const QString& text, const QVariantList& arguments);

template <typename... Args>
QString formatLocalizedWith(const QString& text, Args&&... args) {
    return formatLocalized(text, QVariantList{QVariant::fromValue(std::forward<Args>(args))...});
}

}  // namespace foundation

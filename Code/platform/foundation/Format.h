#pragma once

#include <QString>

namespace foundation {

// printf-style formatting that never depends on the user's locale: "%f" always
// writes a point. Use it for every text that is stored or parsed again.
QString format(const char* fmt, ...) Q_ATTRIBUTE_FORMAT_PRINTF(1, 2);

// Reads numbers and words from a text left to right, skipping the characters to
// be skipped (white space unless changed) before each item. Locale-independent.
// A failed scan leaves the position and the output unchanged.
class Scanner final {
public:
    explicit Scanner(QString text);

    void setCharactersToBeSkipped(const QString& chars);  // empty: skip nothing
    bool scanInt(int* value);                             // optional sign, decimal digits
    bool scanLongLong(qint64* value);
    bool scanDouble(double* value);  // optional sign, digits, point, exponent
    bool scanFloat(float* value);
    bool scanString(const QString& literal);                // exactly this text
    bool scanUpToString(const QString& stop, QString* into);  // up to (not including) stop
    bool isAtEnd();  // only skippable characters remain
    int scanLocation() const { return pos_; }
    void setScanLocation(int pos) { pos_ = pos; }

private:
    void skip();
    QString text_;
    QString skipped_;
    int pos_ = 0;
};

}  // namespace foundation

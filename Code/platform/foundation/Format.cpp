#include "platform/foundation/Format.h"

#include <algorithm>
#include <cstdarg>
#include <limits>

namespace foundation {

QString format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    // QString::vasprintf formats numbers in the C locale whatever the process locale is.
    QString s = QString::vasprintf(fmt, ap);
    va_end(ap);
    return s;
}

Scanner::Scanner(QString text)
    : text_(std::move(text)), skipped_(QStringLiteral(" \t\n\r\f\v")) {}

void Scanner::setCharactersToBeSkipped(const QString& chars) { skipped_ = chars; }

void Scanner::skip() {
    while (pos_ < text_.size() && skipped_.contains(text_.at(pos_))) ++pos_;
}

bool Scanner::isAtEnd() {
    const int keep = pos_;
    skip();
    const bool end = pos_ >= text_.size();
    pos_ = keep;
    return end;
}

bool Scanner::scanLongLong(qint64* value) {
    const int start = pos_;
    skip();
    int p = pos_;
    bool negative = false;
    if (p < text_.size() && (text_[p] == u'-' || text_[p] == u'+')) {
        negative = text_[p] == u'-';
        ++p;
    }
    const int digits = p;
    qint64 v = 0;
    bool overflow = false;
    while (p < text_.size() && text_[p].isDigit() && text_[p].unicode() < 128) {
        const int d = text_[p].unicode() - '0';
        if (v > (std::numeric_limits<qint64>::max() - d) / 10) overflow = true;
        if (!overflow) v = v * 10 + d;
        ++p;
    }
    if (p == digits) {
        pos_ = start;
        return false;
    }
    if (overflow) v = std::numeric_limits<qint64>::max();
    pos_ = p;
    if (value) *value = negative ? -v : v;
    return true;
}

bool Scanner::scanInt(int* value) {
    qint64 v = 0;
    if (!scanLongLong(&v)) return false;
    if (value)
        *value = int(std::clamp<qint64>(v, std::numeric_limits<int>::min(),
                                        std::numeric_limits<int>::max()));
    return true;
}

bool Scanner::scanDouble(double* value) {
    const int start = pos_;
    skip();
    int p = pos_;
    auto isDigit = [&](int i) { return i < text_.size() && text_[i].unicode() >= '0' && text_[i].unicode() <= '9'; };
    if (p < text_.size() && (text_[p] == u'-' || text_[p] == u'+')) ++p;
    int mantissa = 0;
    while (isDigit(p)) ++p, ++mantissa;
    if (p < text_.size() && text_[p] == u'.') {
        ++p;
        while (isDigit(p)) ++p, ++mantissa;
    }
    if (mantissa == 0) {
        pos_ = start;
        return false;
    }
    if (p < text_.size() && (text_[p] == u'e' || text_[p] == u'E')) {
        int q = p + 1;
        if (q < text_.size() && (text_[q] == u'-' || text_[q] == u'+')) ++q;
        if (isDigit(q)) {
            while (isDigit(q)) ++q;
            p = q;
        }
    }
    bool ok = false;
    const double v = QStringView(text_).mid(pos_, p - pos_).toDouble(&ok);  // C locale
    if (!ok) {
        pos_ = start;
        return false;
    }
    pos_ = p;
    if (value) *value = v;
    return true;
}

bool Scanner::scanFloat(float* value) {
    double v = 0;
    if (!scanDouble(&v)) return false;
    if (value) *value = float(v);
    return true;
}

bool Scanner::scanString(const QString& literal) {
    const int start = pos_;
    skip();
    if (QStringView(text_).mid(pos_).startsWith(literal)) {
        pos_ += literal.size();
        return true;
    }
    pos_ = start;
    return false;
}

bool Scanner::scanUpToString(const QString& stop, QString* into) {
    const int start = pos_;
    skip();
    int end = text_.indexOf(stop, pos_);
    if (end < 0) end = text_.size();
    if (end == pos_) {
        pos_ = start;
        return false;
    }
    if (into) *into = text_.mid(pos_, end - pos_);
    pos_ = end;
    return true;
}

}  // namespace foundation

#include "data/appPref.h"

#include "platform/foundation/Format.h"
#include "platform/foundation/Threads.h"

#include <QRgba64>

#include <algorithm>
#include <cmath>
#include <limits>

struct appPref::Storage {
    mutable foundation::Lock lock;
    QVariantMap map;
};

namespace {

const QString kDefaultColorString = QStringLiteral("127 127 127 1.000000");

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Double:
        case QMetaType::Float:
            return true;
        default:
            return false;
    }
}

bool isFloating(const QVariant& v) {
    return v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
}

bool isText(const QVariant& v) {
    return v.typeId() == QMetaType::QString;
}

int clampToInt(double value) {
    if (std::isnan(value)) return 0;
    return int(std::clamp(std::trunc(value), double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}

// The conversions of a stored object to each kind. Numbers convert as numbers
// (truncated toward zero where an integer is asked for); a text converts through
// the number at its start, and anything else reads as zero.
bool boolOf(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    if (isNumber(v)) return v.toDouble() != 0.0;
    if (isText(v)) {
        const QString text = v.toString().trimmed();
        double number = 0;
        if (foundation::Scanner(text).scanDouble(&number)) return number != 0.0;
        return text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
               text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
    }
    return false;
}

int intOf(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? 1 : 0;
    if (isFloating(v)) return clampToInt(v.toDouble());
    if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong)
        return int(std::min<qulonglong>(v.toULongLong(), std::numeric_limits<int>::max()));
    if (isNumber(v))
        return int(std::clamp<qlonglong>(v.toLongLong(), std::numeric_limits<int>::min(),
                                         std::numeric_limits<int>::max()));
    if (isText(v)) {
        int number = 0;
        foundation::Scanner(v.toString()).scanInt(&number);
        return number;
    }
    return 0;
}

double doubleOf(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? 1.0 : 0.0;
    if (isNumber(v)) return v.toDouble();
    if (isText(v)) {
        double number = 0;
        foundation::Scanner(v.toString()).scanDouble(&number);
        return number;
    }
    return 0.0;
}

QVariant plainCopy(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<appPref>()) return v.value<appPref>().toVariantMap();
    if (v.typeId() == QMetaType::QVariantMap) {
        QVariantMap map = v.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) it.value() = plainCopy(it.value());
        return map;
    }
    if (v.typeId() == QMetaType::QVariantList) {
        QVariantList list = v.toList();
        for (auto& item : list) item = plainCopy(item);
        return list;
    }
    return v;
}

}  // namespace

appPref::appPref() : d_(std::make_shared<Storage>()) {}

appPref appPref::fromMap(const QVariantMap& map) {
    auto storage = std::make_shared<Storage>();
    storage->map = map;
    return appPref(std::move(storage));
}

QVariantMap appPref::toVariantMap() const {
    QVariantMap map;
    {
        foundation::Guard guard(d_->lock);
        map = d_->map;
    }
    // Nested records are copied under their own locks, never while holding this one.
    for (auto it = map.begin(); it != map.end(); ++it) it.value() = plainCopy(it.value());
    return map;
}

bool appPref::contains(const QString& key) const {
    foundation::Guard guard(d_->lock);
    return d_->map.contains(key);
}

bool appPref::isEmpty() const {
    foundation::Guard guard(d_->lock);
    return d_->map.isEmpty();
}

QStringList appPref::keys() const {
    foundation::Guard guard(d_->lock);
    return d_->map.keys();
}

QVariant appPref::object(const QString& key) const {
    foundation::Guard guard(d_->lock);
    return d_->map.value(key);
}

void appPref::setObject(const QString& key, const QVariant& value) {
    foundation::Guard guard(d_->lock);
    d_->map.insert(key, value);
}

void appPref::remove(const QString& key) {
    foundation::Guard guard(d_->lock);
    d_->map.remove(key);
}

std::optional<appPref> appPref::dictForKey(const QString& key) {
    foundation::Guard guard(d_->lock);
    const auto it = d_->map.find(key);
    if (it == d_->map.end()) return std::nullopt;
    if (it.value().metaType() == QMetaType::fromType<appPref>()) return it.value().value<appPref>();
    if (it.value().typeId() == QMetaType::QVariantMap) {
        const appPref nested = fromMap(it.value().toMap());
        it.value() = QVariant::fromValue(nested);
        return nested;
    }
    return std::nullopt;
}

// Nothing under the key, an invalid value, or (for the text kinds) an object that
// is not text all count as missing: the default is stored in its place.
QVariant appPref::objectOrDefault(const QString& key, const QVariant& defaultValue, bool textOnly) {
    foundation::Guard guard(d_->lock);
    QVariant value = d_->map.value(key);
    if (!value.isValid() || (textOnly && !isText(value))) {
        d_->map.insert(key, defaultValue);
        value = defaultValue;
    }
    return value;
}

// ---- colours

// QColor keeps 16 bits per channel. Red, green and blue are truncated from those
// exactly (so 127/255 stays 127); alpha is written rounded to 1/10000, so an alpha
// of 0.5, held as 32768/65535, is written 0.500000 rather than 0.500008.
QString appPref::colorString(const QColor& color) {
    const QColor rgb = color.toRgb();
    const QRgba64 c = rgb.rgba64();
    const int red = int(c.red() * 255 / 65535);
    const int green = int(c.green() * 255 / 65535);
    const int blue = int(c.blue() * 255 / 65535);
    const double alpha = std::round(rgb.alphaF() * 10000.0) / 10000.0;
    return foundation::format("%i %i %i %f", red, green, blue, alpha);
}

void appPref::setColorForKey(const QColor& color, const QString& key) {
    setObject(key, colorString(color));
}

// A text that lacks some of its numbers (empty, a word, "255 0 0") takes the
// default grey's values for the numbers from the first unreadable one on: "255 0 0"
// reads as opaque red, a word as the grey. Such a text is left as it is.
QColor appPref::colorForKey(const QString& key) {
    const QString text = objectOrDefault(key, kDefaultColorString, true).toString();
    foundation::Scanner scanner(text);
    int red = 127, green = 127, blue = 127;
    double alpha = 1.0;
    if (scanner.scanInt(&red) && scanner.scanInt(&green) && scanner.scanInt(&blue))
        scanner.scanDouble(&alpha);
    return QColor::fromRgbF(std::clamp(red, 0, 255) / 255.0, std::clamp(green, 0, 255) / 255.0,
                            std::clamp(blue, 0, 255) / 255.0, std::clamp(alpha, 0.0, 1.0));
}

// ---- numbers

void appPref::setBoolForKey(bool value, const QString& key) {
    setObject(key, QVariant(value));
}

bool appPref::boolForKey(const QString& key) {
    return boolOf(objectOrDefault(key, QVariant(false), false));
}

void appPref::setIntForKey(int value, const QString& key) {
    setObject(key, QVariant(qint64(value)));
}

int appPref::intForKey(const QString& key) {
    return intOf(objectOrDefault(key, QVariant(qint64(0)), false));
}

void appPref::setDoubleForKey(double value, const QString& key) {
    setObject(key, QVariant(value));
}

double appPref::doubleForKey(const QString& key) {
    return doubleOf(objectOrDefault(key, QVariant(0.0), false));
}

// Stored as the double of the single-precision value, so whatever reads the
// number later sees exactly what a float holds.
void appPref::setFloatForKey(double value, const QString& key) {
    setObject(key, QVariant(double(float(value))));
}

double appPref::floatForKey(const QString& key) {
    return double(float(doubleOf(objectOrDefault(key, QVariant(0.0), false))));
}

// ---- dates

QString appPref::dateString(int day, int month, int year) {
    return foundation::format("%i %i %i", day, month, year);
}

void appPref::setDateForKey(const MyDate& date, const QString& key) {
    setObject(key, dateString(date.dayNum(), date.monthNum(), date.yearNum()));
}

// As with colours, numbers missing from the text (from the first unreadable one
// on) are taken from the default, today: "3 2" is 3 February of this year.
MyDatePtr appPref::dateForKey(const QString& key) {
    const MyDatePtr today = MyDate::date();
    const QString text =
        objectOrDefault(key, dateString(today->dayNum(), today->monthNum(), today->yearNum()), true)
            .toString();
    foundation::Scanner scanner(text);
    int day = today->dayNum(), month = today->monthNum(), year = today->yearNum();
    if (scanner.scanInt(&day) && scanner.scanInt(&month)) scanner.scanInt(&year);
    return MyDate::dateWithDayMonthYear(day, month, year);
}

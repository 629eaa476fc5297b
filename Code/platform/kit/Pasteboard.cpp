#include "platform/kit/Pasteboard.h"

#include <QMimeData>
#include <QUrl>

namespace kit {

namespace {

const QString kPrefix = QStringLiteral("application/x-zolt-type;name=");

}  // namespace

std::shared_ptr<Pasteboard> Pasteboard::dragPasteboard() {
    static const auto board = std::make_shared<Pasteboard>();
    return board;
}

std::shared_ptr<Pasteboard> Pasteboard::withMimeData(const QMimeData* data) {
    auto board = std::make_shared<Pasteboard>();
    if (!data) return board;
    for (const QString& mime : data->formats()) {
        const QString type = typeForMimeType(mime);
        board->types_ << type;
        board->data_.insert(type, data->data(mime));
    }
    return board;
}

QString Pasteboard::mimeTypeForType(const QString& type) {
    if (type.contains(u'/') && !type.contains(u' ')) return type;
    return kPrefix + QString::fromLatin1(QUrl::toPercentEncoding(type));
}

QString Pasteboard::typeForMimeType(const QString& mimeType) {
    if (!mimeType.startsWith(kPrefix)) return mimeType;
    return QUrl::fromPercentEncoding(mimeType.mid(kPrefix.size()).toLatin1());
}

int Pasteboard::declareTypes(const QStringList& types, QObject* owner) {
    types_.clear();
    data_.clear();
    owner_ = nullptr;
    return addTypes(types, owner);
}

int Pasteboard::addTypes(const QStringList& types, QObject* owner) {
    for (const QString& t : types)
        if (!types_.contains(t)) types_ << t;
    owner_ = owner;
    return ++changeCount_;
}

QString Pasteboard::availableTypeFromArray(const QStringList& types) const {
    for (const QString& t : types)
        if (types_.contains(t)) return t;
    return QString();
}

bool Pasteboard::setData(const QByteArray& data, const QString& type) {
    if (!types_.contains(type)) return false;
    data_.insert(type, data);
    return true;
}

bool Pasteboard::setString(const QString& text, const QString& type) {
    return setData(text.toUtf8(), type);
}

QString Pasteboard::stringForType(const QString& type) const {
    return QString::fromUtf8(data_.value(type));
}

std::unique_ptr<QMimeData> Pasteboard::toMimeData() const {
    auto mime = std::make_unique<QMimeData>();
    for (const QString& t : types_) mime->setData(mimeTypeForType(t), data_.value(t));
    return mime;
}

}  // namespace kit

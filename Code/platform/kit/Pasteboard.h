#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class QMimeData;

namespace kit {

// Typed data handed from one place to another, as a drag carries it. Types are
// MIME types ("text/plain") or names of the system's own ("YearView
// YearViewCell"), which travel as MIME types of their own; declaring types
// clears the board and names its owner. A board turns into QMimeData for Qt's
// drags and is read back from it. Main thread only.
class Pasteboard final {
public:
    Pasteboard() = default;

    // The board every drag of the application is prepared on.
    static std::shared_ptr<Pasteboard> dragPasteboard();
    // A board holding a copy of what `data` carries.
    static std::shared_ptr<Pasteboard> withMimeData(const QMimeData* data);
    // The MIME type a type travels as, and back.
    static QString mimeTypeForType(const QString& type);
    static QString typeForMimeType(const QString& mimeType);
    static QString stringType() { return QStringLiteral("text/plain"); }

    // Clears the board, declares `types` and answers the new change count.
    int declareTypes(const QStringList& types, QObject* owner);
    int addTypes(const QStringList& types, QObject* owner);
    QStringList types() const { return types_; }
    bool hasType(const QString& type) const { return types_.contains(type); }
    // The first of `types` the board holds (empty when none).
    QString availableTypeFromArray(const QStringList& types) const;
    // Data of a declared type; false for a type that was not declared.
    bool setData(const QByteArray& data, const QString& type);
    bool setString(const QString& text, const QString& type);
    QByteArray dataForType(const QString& type) const { return data_.value(type); }
    QString stringForType(const QString& type) const;
    int changeCount() const { return changeCount_; }
    QObject* owner() const { return owner_; }

    // The board as Qt's drag data (declared types without data travel empty).
    std::unique_ptr<QMimeData> toMimeData() const;

private:
    QStringList types_;
    QMap<QString, QByteArray> data_;
    int changeCount_ = 0;
    QPointer<QObject> owner_;
};

}  // namespace kit

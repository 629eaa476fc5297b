#pragma once

#include "data/MyDate.h"

#include <QColor>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

// A preference dictionary (one settings group, or one per-calendar or per-marker
// record inside a group) with typed accessors that give each kind of value one
// stored form:
//   boolean, integer, double, float: numbers (bool, qint64, double; a float is
//     stored as the double of its single-precision value);
//   colour: the text "%i %i %i %f" (red, green, blue 0-255, alpha);
//   date: the text "%i %i %i" (day, month, year).
// A getter that finds nothing under its key stores the kind's default first
// (NO, 0, 0.0, grey 127 127 127 1.000000, today), so that the next save of the
// group writes it out.
//
// An appPref is a handle: copies share one dictionary, so a change made through
// one holder is seen by every other holder of the same group. Nested records
// are shared the same way once reached through dictForKey(). The dictionary is
// guarded by a lock of its own, so a background save may read a group while the
// main thread changes it.
class appPref final {
public:
    appPref();  // a new, empty dictionary
    static appPref fromMap(const QVariantMap& map);

    // A plain deep copy for saving: nested appPref values become QVariantMaps again.
    QVariantMap toVariantMap() const;

    bool contains(const QString& key) const;
    bool isEmpty() const;
    QStringList keys() const;
    QVariant object(const QString& key) const;  // invalid when missing
    void setObject(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // The nested record under the key, shared: a plain QVariantMap stored there is
    // replaced by a shared appPref on first access, so later accesses and every
    // holder of this group see one record. nullopt when the key holds no record.
    std::optional<appPref> dictForKey(const QString& key);

    void setColorForKey(const QColor& color, const QString& key);
    QColor colorForKey(const QString& key);
    void setBoolForKey(bool value, const QString& key);
    bool boolForKey(const QString& key);
    void setIntForKey(int value, const QString& key);
    int intForKey(const QString& key);
    void setDoubleForKey(double value, const QString& key);
    double doubleForKey(const QString& key);
    void setFloatForKey(double value, const QString& key);
    double floatForKey(const QString& key);
    void setDateForKey(const MyDate& date, const QString& key);
    MyDatePtr dateForKey(const QString& key);

    // The stored texts, as the accessors write them.
    static QString colorString(const QColor& color);
    static QString dateString(int day, int month, int year);

    struct Storage;

private:
    explicit appPref(std::shared_ptr<Storage> storage) : d_(std::move(storage)) {}
    QVariant objectOrDefault(const QString& key, const QVariant& defaultValue, bool textOnly);

    std::shared_ptr<Storage> d_;
};

Q_DECLARE_METATYPE(appPref)

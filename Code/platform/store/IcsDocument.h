#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

namespace calstore::detail {

// An iCalendar file as a tree of content lines, for changing some properties
// and keeping everything else exactly as it was: an unchanged line is written
// back byte for byte (its folding, its parameters, values no parser
// understands), so that what the store does not model survives a save.
//
// Parsing never fails: a line without a colon is kept as it is. Only the
// structure (BEGIN/END) and the lines the store rewrites are interpreted.
class IcsDocument final {
public:
    struct Parameter {
        QByteArray name;  // upper case
        QList<QByteArray> values;
        bool operator==(const Parameter&) const = default;
    };

    struct Property {
        QByteArray name;  // upper case
        QList<Parameter> parameters;
        QByteArray value;  // raw (escaped) value text
        QByteArray raw;    // the original lines; empty once changed

        const Parameter* parameter(const QByteArray& name) const;
        QByteArray parameterValue(const QByteArray& name) const;
        void setParameter(const QByteArray& name, const QByteArray& value);  // empty removes
        void changed() { raw.clear(); }
    };

    struct Component;
    using ComponentPtr = std::shared_ptr<Component>;

    // A component with its properties and subcomponents in file order.
    struct Component {
        QByteArray name;  // upper case: VCALENDAR, VEVENT, VALARM ...
        QByteArray beginRaw, endRaw;
        struct Item {
            std::shared_ptr<Property> property;
            ComponentPtr component;
        };
        std::vector<Item> items;

        std::shared_ptr<Property> property(const QByteArray& name) const;
        QList<std::shared_ptr<Property>> properties(const QByteArray& name) const;
        QList<ComponentPtr> components(const QByteArray& name) const;
        // Sets the property's value and parameters, in place of the first one of
        // that name (the others go); added after the last property when missing.
        std::shared_ptr<Property> set(const QByteArray& name, const QByteArray& value,
                                      const QList<Parameter>& parameters = {});
        void add(const std::shared_ptr<Property>& property);
        void removeAll(const QByteArray& name);
        void remove(const std::shared_ptr<Property>& property);
        void removeComponent(const ComponentPtr& component);
        void addComponent(const ComponentPtr& component);
        // A deep copy whose lines are all rewritten.
        ComponentPtr clone() const;
    };

    static IcsDocument parse(const QByteArray& text);
    QByteArray serialize() const;

    // The top-level components (VCALENDARs) and whatever lies between them.
    std::vector<Component::Item> top;

    // Every component of that name inside the VCALENDARs, in file order.
    QList<ComponentPtr> components(const QByteArray& name) const;
    ComponentPtr firstCalendar() const;

    // Text values: escaping of TEXT values (RFC 5545 3.3.11).
    static QByteArray escapeText(const QString& text);
    static QString unescapeText(const QByteArray& value);
    // A parameter value, quoted when it needs to be.
    static QByteArray parameterText(const QString& text);

private:
    QByteArray lineEnd_ = "\r\n";
};

}  // namespace calstore::detail

#include "platform/kit/Perform.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"

#include <QMetaMethod>
#include <QMetaObject>

#include <array>
#include <atomic>
#include <memory>

namespace kit {

namespace {

bool invocable(const QMetaMethod& m) {
    return m.methodType() == QMetaMethod::Method || m.methodType() == QMetaMethod::Slot;
}

// Brings `value` to the parameter type `want`, by name match, QObject pointer
// cast or Qt's conversions.
bool adapt(QVariant& value, const QMetaMethod& m, int index) {
    const QMetaType want = m.parameterMetaType(index);
    const QByteArray wantName = m.parameterTypeName(index);
    if (wantName == "QVariant") return true;
    if (value.metaType().isValid() && wantName == value.metaType().name()) return true;
    if (!want.isValid()) return false;
    if (value.metaType() == want) return true;
    if ((want.flags() & QMetaType::PointerToQObject) &&
        (value.metaType().flags() & QMetaType::PointerToQObject || !value.isValid())) {
        QObject* o = value.isValid() ? *static_cast<QObject* const*>(value.constData()) : nullptr;
        if (o && want.metaObject() && !o->metaObject()->inherits(want.metaObject())) return false;
        value = QVariant(want, &o);
        return true;
    }
    if (!value.isValid()) {
        value = QVariant(want);  // a null argument: the type's default value
        return true;
    }
    return value.convert(want);
}

// The arguments' types as a text for the log: "(QString, int)".
QString describe(const QVariantList& args) {
    QStringList names;
    for (const QVariant& v : args)
        names << (v.isValid() ? QString::fromLatin1(v.metaType().name()) : QStringLiteral("null"));
    return QLatin1Char('(') + names.join(QStringLiteral(", ")) + QLatin1Char(')');
}

}  // namespace

bool respondsTo(const QObject* target, const char* name) {
    if (!target || !name) return false;
    const QMetaObject* mo = target->metaObject();
    for (int i = 0; i < mo->methodCount(); ++i) {
        const QMetaMethod m = mo->method(i);
        if (invocable(m) && m.name() == name) return true;
    }
    return false;
}

bool performWithArguments(QObject* target, const char* name, const QVariantList& args,
                          QVariant* result) {
    if (!target || !name || args.size() > 10) return false;
    const QMetaObject* mo = target->metaObject();
    QByteArray refused;  // the signature of an operation the arguments did not fit
    // The most derived class's operation wins.
    for (int i = mo->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod m = mo->method(i);
        if (!invocable(m) || m.name() != name || m.parameterCount() != args.size()) continue;
        QVariantList values = args;
        bool ok = true;
        for (int j = 0; j < values.size() && ok; ++j) ok = adapt(values[j], m, j);
        if (!ok) {
            if (refused.isEmpty()) refused = m.methodSignature();
            continue;
        }
        std::array<QGenericArgument, 10> a{};
        std::array<QByteArray, 10> names;  // alive for the call
        for (int j = 0; j < values.size(); ++j) {
            names[size_t(j)] = m.parameterTypeName(j);
            a[size_t(j)] = QGenericArgument(names[size_t(j)].constData(),
                                            names[size_t(j)] == "QVariant"
                                                ? static_cast<const void*>(&values[j])
                                                : values[j].constData());
        }
        QVariant ret;
        QGenericReturnArgument r;
        const QMetaType rt = m.returnMetaType();
        QByteArray retName;
        if (result && rt.isValid() && rt.id() != QMetaType::Void) {
            ret = QVariant(rt);
            retName = rt.name();
            r = QGenericReturnArgument(retName.constData(), ret.data());
        }
        const bool done = m.invoke(target, Qt::DirectConnection, r, a[0], a[1], a[2], a[3], a[4],
                                   a[5], a[6], a[7], a[8], a[9]);
        if (result) *result = ret;
        return done;
    }
    if (!refused.isEmpty())
        foundation::log(QStringLiteral("oops, %1 of %2 cannot take the arguments %3")
                            .arg(QString::fromLatin1(refused), QString::fromLatin1(mo->className()),
                                 describe(args)));
    return false;
}

void performAfterCurrentEventWithArguments(QObject* target, const char* name,
                                           const QVariantList& args) {
    QPointer<QObject> guard(target);
    const QByteArray n(name);
    foundation::afterCurrentEvent([guard, n, args] {
        if (guard) performWithArguments(guard, n.constData(), args);
    });
}

bool performOnMainThreadWithArguments(QObject* target, const char* name, const QVariantList& args,
                                      bool wait) {
    if (!target) return false;
    QPointer<QObject> guard(target);
    const QByteArray n(name);
    if (!wait) {
        foundation::onMain([guard, n, args] {
            if (guard) performWithArguments(guard, n.constData(), args);
        });
        return respondsTo(target, name);
    }
    auto done = std::make_shared<std::atomic<bool>>(false);
    foundation::onMainAndWait([guard, n, args, done] {
        if (guard) *done = performWithArguments(guard, n.constData(), args);
    });
    return *done;
}

}  // namespace kit

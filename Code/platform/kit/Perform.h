#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include <optional>
#include <type_traits>
#include <utility>

// Asking an object to perform an operation by name: views talk to their owners
// this way instead of through typed calls. The operation is a Q_INVOKABLE method
// (or slot) of the target; the call answers whether the target responded.
namespace kit {

// Whether `target` has an operation called `name` (any number of arguments).
bool respondsTo(const QObject* target, const char* name);

// Calls the operation `name` of `target` whose parameters take `args` (converted
// where Qt can convert them); answers false when the target is null or has no
// such operation. `result`, when given, receives the operation's result.
bool performWithArguments(QObject* target, const char* name, const QVariantList& args,
                          QVariant* result = nullptr);

namespace detail {
template <typename T>
QVariant toVariant(T&& value) {
    using D = std::decay_t<T>;
    if constexpr (std::is_same_v<D, const char*> || std::is_same_v<D, char*>)
        return QVariant(QString::fromUtf8(value));
    else if constexpr (std::is_same_v<D, QVariant>)
        return value;
    else
        return QVariant::fromValue(std::forward<T>(value));
}
}  // namespace detail

template <typename... Args>
bool perform(QObject* target, const char* name, Args&&... args) {
    return performWithArguments(target, name, {detail::toVariant(std::forward<Args>(args))...});
}

// The operation's result, or none when the target did not respond.
template <typename R, typename... Args>
std::optional<R> performReturning(QObject* target, const char* name, Args&&... args) {
    QVariant result;
    if (!performWithArguments(target, name, {detail::toVariant(std::forward<Args>(args))...},
                              &result))
        return std::nullopt;
    return result.value<R>();
}

// Performs the operation after the event being handled now, on the main thread;
// nothing happens when the target is gone by then.
void performAfterCurrentEventWithArguments(QObject* target, const char* name,
                                           const QVariantList& args);
template <typename... Args>
void performAfterCurrentEvent(QObject* target, const char* name, Args&&... args) {
    performAfterCurrentEventWithArguments(target, name,
                                          {detail::toVariant(std::forward<Args>(args))...});
}

// Performs the operation on the main thread, waiting for it when `wait` is set
// (directly when already on the main thread).
bool performOnMainThreadWithArguments(QObject* target, const char* name, const QVariantList& args,
                                      bool wait);
template <typename... Args>
bool performOnMainThread(QObject* target, const char* name, bool wait, Args&&... args) {
    return performOnMainThreadWithArguments(target, name,
                                            {detail::toVariant(std::forward<Args>(args))...}, wait);
}

}  // namespace kit

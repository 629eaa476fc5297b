#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace foundation {

// Quick looks at the network for an account check: does a host name resolve,
// and does a host take TCP connections on a port. Both run in the background
// (host look-ups on Qt's look-up threads, connections on the main thread's event
// loop) and never block the caller; each gives up after its timeout. The answer
// comes on the main thread, once, unless `context` is gone by then.
class NetworkProbe final {
public:
    NetworkProbe() = delete;

    using AddressesHandler = std::function<void(const QList<QHostAddress>& addresses)>;
    using ReachableHandler = std::function<void(bool reachable)>;

    // The IPv4 and IPv6 addresses of `name`, in the order the resolver gives
    // them; none when the name is empty (then nothing is looked up), does not
    // resolve, or the look-up takes longer than `timeoutSeconds`.
    static void lookUpHost(const QString& name, double timeoutSeconds, QObject* context,
                           AddressesHandler done);

    // Whether a TCP connection to `port` of `host` can be opened: the name is
    // looked up and its addresses are tried in turn until one accepts; nothing is
    // sent and the connection is closed at once. The look-up and each attempt
    // get `timeoutSeconds`. Port 0 is never reachable.
    static void checkReachable(const QString& host, quint16 port, double timeoutSeconds,
                               QObject* context, ReachableHandler done);
    // The same for addresses already known, tried in the given order.
    static void checkReachable(const QList<QHostAddress>& addresses, quint16 port,
                               double timeoutSeconds, QObject* context, ReachableHandler done);
};

}  // namespace foundation

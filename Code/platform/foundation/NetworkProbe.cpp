#include "platform/foundation/NetworkProbe.h"

#include "platform/foundation/Dispatch.h"

#include <QCoreApplication>
#include <QHostInfo>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace foundation {

namespace {

int milliseconds(double seconds) {
    return int(std::clamp(seconds, 0.0, 24.0 * 3600.0) * 1000.0);
}

// Runs `start` on the main thread (at once when already there), where the
// probes' objects live and answer.
void startOnMain(std::function<void()> start) {
    if (isMainThread())
        start();
    else
        onMain(std::move(start));
}

// Who asked: a probe answers only while its context (when it had one) lives.
struct Asker {
    explicit Asker(QObject* context) : context(context), hasContext(context != nullptr) {}
    bool gone() const { return hasContext && !context; }
    QPointer<QObject> context;
    bool hasContext;
};

// A probe running on the main thread that answers once and then deletes itself.
template <class... Args>
class OneAnswer : public QObject {
public:
    using Handler = std::function<void(Args...)>;
    OneAnswer(const Asker& asker, Handler done) : asker_(asker), done_(std::move(done)) {
        setParent(QCoreApplication::instance());
    }

    void answer(Args... args) {
        if (answered_) return;
        answered_ = true;
        stopped();
        if (done_ && !asker_.gone()) done_(args...);
        deleteLater();
    }

protected:
    virtual void stopped() {}

private:
    Asker asker_;
    Handler done_;
    bool answered_ = false;
};

// One look-up with its timeout.
class Lookup final : public OneAnswer<const QList<QHostAddress>&> {
public:
    using OneAnswer::OneAnswer;

    void start(const QString& name, double timeoutSeconds) {
        QTimer::singleShot(milliseconds(timeoutSeconds), this, [this] {
            if (id_ >= 0) QHostInfo::abortHostLookup(id_);
            answer({});
        });
        id_ = QHostInfo::lookupHost(name, this, [this](const QHostInfo& info) {
            id_ = -1;
            answer(info.error() == QHostInfo::NoError ? info.addresses() : QList<QHostAddress>());
        });
    }

private:
    int id_ = -1;
};

// Tries the addresses one after the other.
class Connector final : public OneAnswer<bool> {
public:
    Connector(const Asker& asker, Handler done) : OneAnswer(asker, std::move(done)) {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { next(); });
    }

    void start(const QList<QHostAddress>& addresses, quint16 port, double timeoutSeconds) {
        addresses_ = addresses;
        port_ = port;
        timeoutMs_ = milliseconds(timeoutSeconds);
        if (port == 0) addresses_.clear();
        next();
    }

private:
    void stopped() override {
        timer_.stop();
        dropSocket();
    }

    void next() {
        timer_.stop();
        dropSocket();
        if (addresses_.isEmpty()) return answer(false);
        const QHostAddress address = addresses_.takeFirst();
        socket_ = new QTcpSocket(this);
        connect(socket_, &QTcpSocket::connected, this, [this] { answer(true); });
        connect(socket_, &QTcpSocket::errorOccurred, this, [this] {
            // Later, out of the socket's own signal.
            QTimer::singleShot(0, this, [this] { next(); });
        });
        timer_.start(timeoutMs_);
        socket_->connectToHost(address, port_);
    }

    void dropSocket() {
        if (!socket_) return;
        QTcpSocket* s = socket_;
        socket_ = nullptr;
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }

    QList<QHostAddress> addresses_;
    quint16 port_ = 0;
    int timeoutMs_ = 0;
    QTimer timer_;
    QTcpSocket* socket_ = nullptr;
};

}  // namespace

void NetworkProbe::lookUpHost(const QString& name, double timeoutSeconds, QObject* context,
                              AddressesHandler done) {
    const Asker asker(context);
    startOnMain([=] {
        if (asker.gone()) return;
        auto* lookup = new Lookup(asker, done);
        if (name.trimmed().isEmpty()) {
            // Nothing to look up; answered after the caller has returned.
            QTimer::singleShot(0, lookup, [lookup] { lookup->answer({}); });
            return;
        }
        lookup->start(name, timeoutSeconds);
    });
}

void NetworkProbe::checkReachable(const QString& host, quint16 port, double timeoutSeconds,
                                  QObject* context, ReachableHandler done) {
    const Asker asker(context);
    lookUpHost(host, timeoutSeconds, context, [=](const QList<QHostAddress>& addresses) {
        if (!asker.gone()) checkReachable(addresses, port, timeoutSeconds, asker.context, done);
    });
}

void NetworkProbe::checkReachable(const QList<QHostAddress>& addresses, quint16 port,
                                  double timeoutSeconds, QObject* context, ReachableHandler done) {
    const Asker asker(context);
    startOnMain([=] {
        if (asker.gone()) return;
        auto* connector = new Connector(asker, done);
        // Always answered after the caller has returned.
        QTimer::singleShot(0, connector,
                           [=] { connector->start(addresses, port, timeoutSeconds); });
    });
}

}  // namespace foundation

#include "prefs/CalDAVConnector.h"

#include "data/CalendarSources.h"
#include "platform/foundation/HttpRequest.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NetworkProbe.h"

#include <QHash>
#include <QUrl>

namespace {

using foundation::HttpRequest;

// Server name -> its running connector. Main thread only.
QHash<QString, CalDAVConnector*>& activeConnectors() {
    static QHash<QString, CalDAVConnector*> registry;
    return registry;
}

void logHostNotFound(const QString& server) {
    foundation::log(QStringLiteral("ERROR: host %1 could not be found").arg(server));
}

QString messageFor(const HttpRequest::Response& response) {
    switch (response.error) {
        case HttpRequest::Error::AuthenticationFailed:
            return foundation::localized(
                QStringLiteral("caldavConnectionErrorAuthenticationFailed"),
                QStringLiteral("authentication failed"));
        case HttpRequest::Error::InsecureAuthentication:
            return foundation::localized(
                QStringLiteral("caldavConnectionErrorInsecureAuthentication"),
                QStringLiteral("the server asks for the password unencrypted, please use SSL"));
        default:
            return foundation::localized(QStringLiteral("caldavConnectionErrorGenericFailure"),
                                         QStringLiteral("connection failed"));
    }
}

}  // namespace

void CalDAVConnector::serverValid(const CalDAVConf& conf, QObject* context, BoolHandler done) {
    const QString server = conf.server();
    foundation::NetworkProbe::lookUpHost(
        server, kProbeTimeout, context,
        [server, done = std::move(done)](const QList<QHostAddress>& addresses) {
            if (addresses.isEmpty() && !server.trimmed().isEmpty()) logHostNotFound(server);
            done(!addresses.isEmpty());
        });
}

void CalDAVConnector::serverReachable(CalDAVConf& conf, QObject* context, BoolHandler done) {
    if (conf.port() == 0) conf.setPort(80);
    const QString server = conf.server();
    const int port = conf.port();
    if (port < 0 || port > 65535) {
        foundation::log(QStringLiteral("ERROR: port %1 is not a TCP port").arg(port));
        foundation::NetworkProbe::checkReachable(QList<QHostAddress>(), 0, kProbeTimeout, context,
                                                 std::move(done));
        return;
    }
    foundation::NetworkProbe::checkReachable(server, quint16(port), kProbeTimeout, context,
                                             std::move(done));
}

CalDAVConnector* CalDAVConnector::connectorForServer(const QString& server) {
    return activeConnectors().value(server, nullptr);
}

CalDAVConnector* CalDAVConnector::connectorForConfig(const CalDAVConf& conf) {
    if (CalDAVConnector* running = connectorForServer(conf.server())) return running;
    auto* connector = new CalDAVConnector(conf);
    activeConnectors().insert(conf.server(), connector);
    return connector;
}

void CalDAVConnector::decommissionConnectorForServer(const QString& server, bool) {
    CalDAVConnector* connector = activeConnectors().take(server);
    if (!connector) return;
    connector->killConnection();
    // Its request may be inside a callback right now.
    connector->deleteLater();
}

void CalDAVConnector::installModelEntries() {
    CalendarSources::changeServices([](CalendarSources::Services& model) {
        model.serverValid = [](const QVariantMap& conf, QObject* context, BoolHandler done) {
            serverValid(CalDAVConf::fromMap(conf), context, std::move(done));
        };
        model.serverReachable = [](QVariantMap& map, QObject* context, BoolHandler done) {
            CalDAVConf conf = CalDAVConf::fromMap(map);
            serverReachable(conf, context, std::move(done));
            map = conf.toMap();
        };
        model.serverConfigCheck = [](const QVariantMap& conf, QObject* replyTo,
                                     ReplyHandler reply) {
            connectorForConfig(CalDAVConf::fromMap(conf))
                ->startCheckingConnectionAndReplyTo(replyTo, std::move(reply));
        };
        model.endServerCheck = [](const QVariantMap& conf, bool abandoned) {
            decommissionConnectorForServer(CalDAVConf::fromMap(conf).server(), abandoned);
        };
    });
}

CalDAVConnector::CalDAVConnector(const CalDAVConf& conf) : myconf(conf.copy()) {}

CalDAVConnector::~CalDAVConnector() {
    for (auto it = activeConnectors().begin(); it != activeConnectors().end(); ++it)
        if (it.value() == this) {
            activeConnectors().erase(it);
            break;
        }
}

void CalDAVConnector::startCheckingConnectionAndReplyTo(QObject* replyTo, ReplyHandler reply) {
    replyTo_ = replyTo;
    replyMethod_ = std::move(reply);
    const QString text =
        QStringLiteral("%1%2:%3%4")
            .arg(myconf.usesSSL() ? QStringLiteral("https://") : QStringLiteral("http://"),
                 myconf.server())
            .arg(myconf.port())
            .arg(myconf.path());
    foundation::log(QStringLiteral("contacting %1...").arg(text));
    if (request_) request_->cancel();
    delete request_;
    auto* request = new HttpRequest(QUrl(text), "OPTIONS", this);
    request_ = request;
    foundation::log(QStringLiteral("request: OPTIONS %1").arg(text));
    request->setChallengeHandler([this, request](const HttpRequest::Challenge& challenge)
                                     -> std::optional<HttpRequest::Credential> {
        if (challenge.previousFailureCount == 0) {
            foundation::log(QStringLiteral("authenticating %1...").arg(myconf.user()));
            return HttpRequest::Credential{myconf.user(), myconf.password()};
        }
        // The credential was refused: one reply, and the request stops here.
        foundation::log(QStringLiteral("ERROR: authentication failed."));
        request->cancel();
        HttpRequest::Response refused;
        refused.error = HttpRequest::Error::AuthenticationFailed;
        endConnection(messageFor(refused), true);
        return std::nullopt;
    });
    request->start([this](const HttpRequest::Response& response) {
        if (response.error == HttpRequest::Error::None) {
            statusCode_ = response.status;
            foundation::log(QStringLiteral("URL response %1 header fields: %2")
                                .arg(response.status)
                                .arg(response.headerNames().join(QStringLiteral(", "))));
            if (response.status >= 400)
                return endConnection(
                    foundation::localized(QStringLiteral("caldavConnectionErrorHTTPErrorCode"),
                                          QStringLiteral("HTTP error code")),
                    true);
            foundation::log(QStringLiteral("connection finished loading"));
            return endConnection(QString(), false);
        }
        if (response.status > 0) statusCode_ = response.status;
        const QString message = messageFor(response);
        foundation::log(QStringLiteral("ERROR: connection failed: %1")
                            .arg(response.errorText.isEmpty() ? message : response.errorText));
        endConnection(message, true);
    });
}

void CalDAVConnector::killConnection() {
    replyTo_ = nullptr;
    replyMethod_ = nullptr;
}

void CalDAVConnector::endConnection(const QString& message, bool failed) {
    foundation::log(QStringLiteral("ending connection... error = %1")
                        .arg(failed ? message : QStringLiteral("(null)")));
    if (!replyTo_ || !replyMethod_) return;
    ReplyHandler reply = std::move(replyMethod_);
    replyMethod_ = nullptr;
    replyTo_ = nullptr;
    reply(failed ? message + QLatin1Char('.') : QString());
}

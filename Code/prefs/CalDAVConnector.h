#pragma once

#include "prefs/CalDAVConf.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

namespace foundation {
class HttpRequest;
}  // namespace foundation

// Checks a calendar-server account before it is taken: does the server name
// resolve, does its port take connections, and does an "OPTIONS" request to
// the account's path succeed with the account's user name and password. One
// connector runs against one server; the registry holds at most one per server
// name. A check replies once, with an empty text for success or a message
// ending in a full stop; a silenced connector replies no more. The log shows
// statuses and header names, never header values or the password. Main thread
// only.
class CalDAVConnector final : public QObject {
    Q_OBJECT
public:
    using BoolHandler = std::function<void(bool)>;
    using ReplyHandler = std::function<void(const QString& message)>;

    // Seconds the look-up and each connection attempt may take.
    static constexpr double kProbeTimeout = 3.0;

    // Whether the server name resolves; an empty name is not looked up. The
    // answer comes later on the main thread, unless `context` went.
    static void serverValid(const CalDAVConf& conf, QObject* context, BoolHandler done);
    // Whether a TCP connection to the server's port opens, trying every
    // address of the name in turn. A port of 0 becomes 80 in `conf`.
    static void serverReachable(CalDAVConf& conf, QObject* context, BoolHandler done);

    static CalDAVConnector* connectorForServer(const QString& server);
    // The registered connector of the configuration's server (which keeps the
    // configuration it was made with), else a new one, registered.
    static CalDAVConnector* connectorForConfig(const CalDAVConf& conf);
    // Silences the server's connector and drops it from the registry. Finishing
    // and abandoning a check do the same, whatever `forceKill` says.
    static void decommissionConnectorForServer(const QString& server, bool forceKill);

    // Sets the model's probe entries (its forwarding operations) to this class.
    static void installModelEntries();

    explicit CalDAVConnector(const CalDAVConf& conf);
    ~CalDAVConnector() override;

    const CalDAVConf& conf() const { return myconf; }
    qint64 statusCode() const { return statusCode_; }

    // Sends the request; `reply` gets the result once, unless `replyTo` went
    // or the connector was silenced first.
    void startCheckingConnectionAndReplyTo(QObject* replyTo, ReplyHandler reply);
    // No reply will come.
    void killConnection();

private:
    void endConnection(const QString& message, bool failed);

    CalDAVConf myconf;
    QPointer<QObject> replyTo_;
    ReplyHandler replyMethod_;
    QPointer<foundation::HttpRequest> request_;
    qint64 statusCode_ = 0;
};

// The calendar-server probe against servers this test starts on the loopback
// address: name, reachability and the authenticated "OPTIONS" request, with
// its single reply and a log that keeps secrets out.

#include "platform/foundation/Log.h"
#include "prefs/CalDAVConnector.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"

#include <QSslConfiguration>

#include <gtest/gtest.h>

#include <optional>

using testsupport::LoopbackServer;
using testsupport::reply;
using testsupport::waitUntil;

namespace {

const QString kPassword = QStringLiteral("s3cret-Pw");
const QByteArray kHeaderValue = "hidden-header-value";

CalDAVConf confFor(const LoopbackServer& server, bool ssl, const QString& password = kPassword) {
    CalDAVConf conf;
    conf.setServer(QStringLiteral("127.0.0.1"));
    conf.setPort(server.port());
    conf.setPath(QStringLiteral("/cal/"));
    conf.setUser(QStringLiteral("anna"));
    conf.setPassword(password);
    conf.setUsesSSL(ssl);
    return conf;
}

// Asks for Basic credentials and takes exactly anna's.
QByteArray basicAccount(const QByteArray& head) {
    const QByteArray good =
        "Authorization: Basic " + QByteArray("anna:" + kPassword.toUtf8()).toBase64();
    if (head.contains(good)) return reply(200, "OK", "X-Secret: " + kHeaderValue + "\r\n");
    return reply(401, "Unauthorized", "WWW-Authenticate: Basic realm=\"cal\"\r\n");
}

// Runs one check to its end and a little beyond; every reply it gave.
QStringList check(const CalDAVConf& conf) {
    QObject receiver;
    QStringList replies;
    CalDAVConnector* connector = CalDAVConnector::connectorForConfig(conf);
    connector->startCheckingConnectionAndReplyTo(&receiver,
                                                 [&](const QString& m) { replies << m; });
    EXPECT_TRUE(waitUntil([&] { return !replies.isEmpty(); }, 20));
    // Whatever the request still does must not reply again.
    waitUntil([] { return false; }, 0.3);
    CalDAVConnector::decommissionConnectorForServer(conf.server(), false);
    return replies;
}

std::optional<bool> answer(const std::function<void(CalDAVConnector::BoolHandler)>& probe) {
    std::optional<bool> result;
    probe([&](bool r) { result = r; });
    waitUntil([&] { return result.has_value(); }, 20);
    return result;
}

// Trusts the test's certificate while it exists.
class TrustedCertificate final {
public:
    TrustedCertificate() : saved_(QSslConfiguration::defaultConfiguration()) {
        QSslConfiguration trusted = saved_;
        trusted.addCaCertificate(QSslCertificate(QByteArray(testsupport::kCertificate)));
        QSslConfiguration::setDefaultConfiguration(trusted);
    }
    ~TrustedCertificate() { QSslConfiguration::setDefaultConfiguration(saved_); }

private:
    QSslConfiguration saved_;
};

}  // namespace

TEST(CalDAVConnector, RepliesOverPlainHttp) {
    struct Case {
        QByteArray response;
        QString reply;
    };
    const Case cases[] = {
        {reply(200, "OK"), QString()},
        {reply(404, "Not Found"), QStringLiteral("HTTP error code.")},
        {reply(401, "Unauthorized", "WWW-Authenticate: Basic realm=\"cal\"\r\n"),
         QStringLiteral("the server asks for the password unencrypted, please use SSL.")},
    };
    for (const Case& c : cases) {
        LoopbackServer server([&](const QByteArray&) { return c.response; });
        EXPECT_EQ(check(confFor(server, false)), QStringList{c.reply})
            << c.response.left(12).data();
        ASSERT_FALSE(server.heads.isEmpty());
        EXPECT_TRUE(server.heads.first().startsWith("OPTIONS /cal/ HTTP/1.1"));
        for (const QByteArray& head : server.heads) EXPECT_FALSE(head.contains("Authorization"));
    }
}

TEST(CalDAVConnector, AnswersTheChallengeOverTrustedHttpsAndKeepsSecretsOutOfTheLog) {
    TrustedCertificate trust;
    foundation::LogCapture log;
    LoopbackServer server(basicAccount, true);
    EXPECT_EQ(check(confFor(server, true)), QStringList{QString()});
    ASSERT_EQ(server.heads.size(), 2);
    EXPECT_TRUE(server.heads.at(1).contains("Authorization: Basic"));

    // A refused credential: one reply, though the server would go on asking.
    EXPECT_EQ(check(confFor(server, true, QStringLiteral("wrong"))),
              QStringList{QStringLiteral("authentication failed.")});

    EXPECT_TRUE(log.contains(QStringLiteral("URL response 200 header fields:")));
    EXPECT_TRUE(log.contains(QStringLiteral("X-Secret")));
    EXPECT_FALSE(log.contains(kPassword));
    EXPECT_FALSE(log.contains(QStringLiteral("wrong")));
    EXPECT_FALSE(log.contains(QString::fromLatin1(kHeaderValue)));
    EXPECT_FALSE(log.contains(QStringLiteral("Basic realm")));
}

TEST(CalDAVConnector, AnUntrustedCertificateFails) {
    LoopbackServer server(basicAccount, true);
    EXPECT_EQ(check(confFor(server, true)), QStringList{QStringLiteral("connection failed.")});
    for (const QByteArray& head : server.heads) EXPECT_FALSE(head.contains("Authorization"));
}

TEST(CalDAVConnector, NameAndReachability) {
    LoopbackServer server([](const QByteArray&) { return reply(200, "OK"); });
    QObject context;
    CalDAVConf open = confFor(server, false);
    EXPECT_EQ(answer([&](auto done) { CalDAVConnector::serverValid(open, &context, done); }), true);
    EXPECT_EQ(answer([&](auto done) { CalDAVConnector::serverReachable(open, &context, done); }),
              true);

    CalDAVConf closed = open;
    closed.setPort(testsupport::closedPort());
    EXPECT_EQ(answer([&](auto done) { CalDAVConnector::serverReachable(closed, &context, done); }),
              false);

    foundation::LogCapture log;
    for (const QString& name : {QStringLiteral("no-such-calendar-host.invalid"), QString()}) {
        CalDAVConf unknown = open;
        unknown.setServer(name);
        EXPECT_EQ(answer([&](auto done) { CalDAVConnector::serverValid(unknown, &context, done); }),
                  false);
    }
    EXPECT_EQ(log.count(QStringLiteral("could not be found")), 1);

    CalDAVConf unset = open;
    unset.setPort(0);
    answer([&](auto done) { CalDAVConnector::serverReachable(unset, &context, done); });
    EXPECT_EQ(unset.port(), 80);
}

TEST(CalDAVConnector, OneConnectorPerServerUntilDecommissioned) {
    CalDAVConf first;
    first.setServer(QStringLiteral("cal.example.invalid"));
    first.setUser(QStringLiteral("first"));
    CalDAVConf second = first;
    second.setUser(QStringLiteral("second"));

    CalDAVConnector* connector = CalDAVConnector::connectorForConfig(first);
    EXPECT_EQ(CalDAVConnector::connectorForConfig(second), connector);
    EXPECT_EQ(connector->conf().user(), QStringLiteral("first"));
    EXPECT_EQ(CalDAVConnector::connectorForServer(first.server()), connector);
    CalDAVConnector::decommissionConnectorForServer(first.server(), true);
    EXPECT_EQ(CalDAVConnector::connectorForServer(first.server()), nullptr);
}

// The network probes of the account check, against servers this test starts
// on the loopback address: host look-ups, TCP reachability over IPv4 and IPv6,
// and HTTP requests with their statuses, authentication challenges, timeouts
// and TLS refusals. Nothing leaves the machine.

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/HttpRequest.h"
#include "platform/foundation/NetworkProbe.h"
#include "platform/foundation/SystemInfo.h"
#include "support/LoopbackServer.h"
#include "support/TestSupport.h"

#include <QHostAddress>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <thread>

#include <unistd.h>

using namespace foundation;
using testsupport::closedPort;
using testsupport::LoopbackServer;
using testsupport::reply;
using testsupport::waitUntil;

namespace {

// Runs the request to its end; the answer.
HttpRequest::Response run(HttpRequest& request) {
    std::optional<HttpRequest::Response> answer;
    request.start([&](const HttpRequest::Response& r) { answer = r; });
    EXPECT_TRUE(waitUntil([&] { return answer.has_value(); }, 20));
    if (answer) return *answer;
    HttpRequest::Response none;
    none.error = HttpRequest::Error::Other;
    return none;
}

std::optional<bool> reachable(const std::function<void(NetworkProbe::ReachableHandler)>& probe) {
    std::optional<bool> answer;
    probe([&](bool r) { answer = r; });
    EXPECT_FALSE(answer.has_value()) << "answered before the caller returned";
    waitUntil([&] { return answer.has_value(); }, 20);
    return answer;
}

}  // namespace

TEST(SystemInfo, NamesTheUserAndTheMachine) {
    EXPECT_FALSE(SystemInfo::userName().isEmpty());
    EXPECT_FALSE(SystemInfo::fullUserName().isEmpty());
    EXPECT_FALSE(SystemInfo::fullUserName().contains(QLatin1Char(',')));
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    EXPECT_EQ(SystemInfo::localHostName(), QString::fromLocal8Bit(host).section('.', 0, 0));
    EXPECT_FALSE(SystemInfo::localHostName().contains(QLatin1Char('.')));
}

TEST(NetworkProbe, LooksUpHostsWithoutBlocking) {
    struct Case {
        QString name;
        bool found;
    };
    const Case cases[] = {
        {QStringLiteral("localhost"), true}, {QStringLiteral("127.0.0.1"), true},
        {QStringLiteral("::1"), true},       {QString(), false},
        {QStringLiteral("   "), false},      {QStringLiteral("no-such-host.invalid"), false},
    };
    for (const Case& c : cases) {
        std::optional<QList<QHostAddress>> answer;
        NetworkProbe::lookUpHost(c.name, 10, nullptr,
                                 [&](const QList<QHostAddress>& a) { answer = a; });
        EXPECT_FALSE(answer.has_value()) << c.name.toStdString();
        ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }, 20)) << c.name.toStdString();
        EXPECT_EQ(!answer->isEmpty(), c.found) << c.name.toStdString();
    }
}

TEST(NetworkProbe, ReachabilityOverIPv4AndIPv6) {
    LoopbackServer v4([](const QByteArray&) { return QByteArray(); });
    ASSERT_TRUE(v4.isListening());
    const quint16 closed = closedPort();
    const QHostAddress local4(QHostAddress::LocalHost);

    EXPECT_EQ(reachable([&](auto done) {
                  NetworkProbe::checkReachable(QStringLiteral("127.0.0.1"), v4.port(), 5, nullptr,
                                               done);
              }),
              true);
    EXPECT_EQ(v4.heads.size(), 0) << "nothing is sent";
    EXPECT_EQ(reachable([&](auto done) {
                  NetworkProbe::checkReachable(QStringLiteral("127.0.0.1"), closed, 5, nullptr,
                                               done);
              }),
              false);
    // Every address refuses.
    EXPECT_EQ(reachable([&](auto done) {
                  NetworkProbe::checkReachable(QList<QHostAddress>{local4, local4}, closed, 5,
                                               nullptr, done);
              }),
              false);
    EXPECT_EQ(reachable([&](auto done) {
                  NetworkProbe::checkReachable(QStringLiteral("127.0.0.1"), 0, 5, nullptr, done);
              }),
              false);
    EXPECT_EQ(reachable([&](auto done) {
                  NetworkProbe::checkReachable(QString(), v4.port(), 5, nullptr, done);
              }),
              false);

    LoopbackServer v6([](const QByteArray&) { return QByteArray(); }, false,
                      QHostAddress::LocalHostIPv6);
    if (!v6.isListening()) GTEST_SKIP() << "no IPv6 loopback here";
    EXPECT_EQ(reachable([&](auto done) {
                  NetworkProbe::checkReachable(QStringLiteral("::1"), v6.port(), 5, nullptr, done);
              }),
              true);
    // An IPv6 address that refuses, then the IPv4 one that accepts, in one probe.
    EXPECT_EQ(reachable([&](auto done) {
                  NetworkProbe::checkReachable(
                      QList<QHostAddress>{QHostAddress(QHostAddress::LocalHostIPv6), local4},
                      v4.port(), 5, nullptr, done);
              }),
              true);
}

TEST(NetworkProbe, AnswersOnTheMainThreadWhenStartedElsewhereAndNotAfterItsContextWent) {
    LoopbackServer server([](const QByteArray&) { return QByteArray(); });
    std::optional<bool> onMain;
    std::thread([&] {
        NetworkProbe::checkReachable(QStringLiteral("127.0.0.1"), server.port(), 5, nullptr,
                                     [&](bool r) { onMain = r && isMainThread(); });
    }).join();
    ASSERT_TRUE(waitUntil([&] { return onMain.has_value(); }, 20));
    EXPECT_TRUE(*onMain);

    bool called = false;
    auto* context = new QObject;
    NetworkProbe::checkReachable(QStringLiteral("127.0.0.1"), server.port(), 5, context,
                                 [&](bool) { called = true; });
    delete context;
    waitUntil([] { return false; }, 0.3);
    EXPECT_FALSE(called);
}

TEST(HttpRequest, StatusesAndTransportFailures) {
    LoopbackServer server([](const QByteArray& head) {
        if (head.startsWith("OPTIONS /missing")) return reply(404, "Not Found");
        return reply(200, "OK", "DAV: 1, calendar-access\r\n");
    });
    {
        HttpRequest r(QUrl(server.url()), "OPTIONS");
        const auto answer = run(r);
        EXPECT_EQ(answer.error, HttpRequest::Error::None);
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.header("dav"), QByteArray("1, calendar-access"));
        EXPECT_TRUE(answer.headerNames().contains(QStringLiteral("DAV")));
        ASSERT_EQ(server.heads.size(), 1);
        EXPECT_TRUE(server.heads[0].startsWith("OPTIONS /cal/ HTTP/1.1"));
        EXPECT_FALSE(server.heads[0].contains("Authorization"));
    }
    {
        HttpRequest r(QUrl(server.url(QStringLiteral("/missing"))), "OPTIONS");
        const auto answer = run(r);
        EXPECT_EQ(answer.error, HttpRequest::Error::None);
        EXPECT_EQ(answer.status, 404);
    }
    {
        HttpRequest r(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(closedPort())), "OPTIONS");
        const auto answer = run(r);
        EXPECT_EQ(answer.error, HttpRequest::Error::ConnectionRefused);
        EXPECT_EQ(answer.status, 0);
    }
}

TEST(HttpRequest, ASlowServerHitsTheTimeoutAndLateAnswersAreDropped) {
    LoopbackServer silent([](const QByteArray&) { return QByteArray(); });
    HttpRequest r(QUrl(silent.url()), "OPTIONS");
    r.setTimeout(0.5);
    int answers = 0;
    std::optional<HttpRequest::Response> answer;
    r.start([&](const HttpRequest::Response& a) {
        ++answers;
        answer = a;
    });
    ASSERT_TRUE(waitUntil([&] { return answer.has_value(); }, 20));
    EXPECT_EQ(answer->error, HttpRequest::Error::TimedOut);
    EXPECT_EQ(silent.heads.size(), 1);
    waitUntil([] { return false; }, 0.3);
    EXPECT_EQ(answers, 1);

    // Cancelled: no answer at all.
    HttpRequest c(QUrl(silent.url()), "OPTIONS");
    bool called = false;
    c.start([&](const HttpRequest::Response&) { called = true; });
    c.cancel();
    waitUntil([] { return false; }, 0.3);
    EXPECT_FALSE(called);
    EXPECT_FALSE(c.isRunning());
}

TEST(HttpRequest, BasicChallengeOverPlainHttpIsRefusedWithNothingSent) {
    LoopbackServer server([](const QByteArray&) {
        return reply(401, "Unauthorized", "WWW-Authenticate: Basic realm=\"cal\"\r\n");
    });
    HttpRequest r(QUrl(server.url()), "OPTIONS");
    int asked = 0;
    r.setChallengeHandler([&](const HttpRequest::Challenge&) {
        ++asked;
        return HttpRequest::Credential{QStringLiteral("anna"), QStringLiteral("secret")};
    });
    foundation::LogCapture log;
    const auto answer = run(r);
    EXPECT_EQ(answer.error, HttpRequest::Error::InsecureAuthentication);
    EXPECT_EQ(answer.status, 401);
    EXPECT_EQ(asked, 0);
    ASSERT_EQ(server.heads.size(), 1);
    EXPECT_FALSE(server.heads[0].contains("Authorization"));
    EXPECT_FALSE(log.contains(QStringLiteral("secret")));
    EXPECT_FALSE(log.contains(QStringLiteral("realm")));
}

TEST(HttpRequest, DigestChallengesCarryTheCountOfEarlierFailures) {
    // Refuses every credential: the handler sees the failures count up.
    LoopbackServer server([](const QByteArray&) {
        return reply(401, "Unauthorized",
                     "WWW-Authenticate: Digest realm=\"cal\", nonce=\"abc\", qop=\"auth\"\r\n");
    });
    HttpRequest r(QUrl(server.url()), "OPTIONS");
    QList<int> counts;
    QStringList schemes;
    r.setChallengeHandler(
        [&](const HttpRequest::Challenge& c) -> std::optional<HttpRequest::Credential> {
            counts << c.previousFailureCount;
            schemes << c.scheme + QLatin1Char('/') + c.realm;
            if (c.previousFailureCount > 0) return std::nullopt;
            return HttpRequest::Credential{QStringLiteral("anna"), QStringLiteral("secret")};
        });
    const auto answer = run(r);
    EXPECT_EQ(answer.error, HttpRequest::Error::AuthenticationFailed);
    EXPECT_EQ(counts, (QList<int>{0, 1}));
    EXPECT_EQ(schemes.value(0), QStringLiteral("Digest/cal"));
    bool answeredDigest = false;
    for (const QByteArray& head : server.heads) {
        EXPECT_FALSE(head.contains("secret"));
        answeredDigest |= head.contains("Authorization: Digest");
    }
    EXPECT_TRUE(answeredDigest);
}

TEST(HttpRequest, ARetryWithTheCredentialThatIsTakenSucceeds) {
    // Digest over http: the server takes any answer that names the user.
    LoopbackServer server([](const QByteArray& head) {
        if (head.contains("username=\"anna\"")) return reply(200, "OK");
        return reply(401, "Unauthorized",
                     "WWW-Authenticate: Digest realm=\"cal\", nonce=\"abc\", qop=\"auth\"\r\n");
    });
    HttpRequest r(QUrl(server.url()), "OPTIONS");
    r.setChallengeHandler([](const HttpRequest::Challenge&) {
        return HttpRequest::Credential{QStringLiteral("anna"), QStringLiteral("secret")};
    });
    const auto answer = run(r);
    EXPECT_EQ(answer.error, HttpRequest::Error::None);
    EXPECT_EQ(answer.status, 200);
}

TEST(HttpRequest, ASelfSignedCertificateIsRefused) {
    LoopbackServer server([](const QByteArray&) { return reply(200, "OK"); }, true);
    HttpRequest r(QUrl(server.url()), "OPTIONS");
    bool asked = false;
    r.setChallengeHandler([&](const HttpRequest::Challenge&) {
        asked = true;
        return HttpRequest::Credential{QStringLiteral("anna"), QStringLiteral("secret")};
    });
    const auto answer = run(r);
    EXPECT_EQ(answer.error, HttpRequest::Error::TlsFailed) << answer.errorText.toStdString();
    EXPECT_EQ(answer.status, 0);
    EXPECT_FALSE(asked);
    EXPECT_EQ(server.heads.size(), 0) << "no request goes over an untrusted connection";
}

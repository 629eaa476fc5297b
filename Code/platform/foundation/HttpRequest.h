#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>
#include <utility>

class QNetworkAccessManager;
class QNetworkReply;

namespace foundation {

// One HTTP request with a chosen method (an account check's "OPTIONS"), run on
// the main thread's event loop without blocking it, with a timeout for the
// whole exchange. Its answer comes once, on the main thread.
//
// Authentication: a 401 answer's challenge goes to the challenge handler with
// the count of credentials it refused before; a credential retries the request,
// none ends it as failed. A Basic challenge over plain http is refused without
// asking the handler and without sending anything (the password would travel
// readable); Digest is answered there. TLS errors are never ignored: a
// certificate the system does not trust fails the request. Credentials live in
// this object only, and nothing here logs header values.
class HttpRequest final : public QObject {
    Q_OBJECT

public:
    enum class Error {
        None,  // an HTTP answer came (any status)
        HostNotFound,
        ConnectionRefused,
        TimedOut,
        TlsFailed,               // handshake failed or certificate not trusted
        AuthenticationFailed,    // credential refused, or none given
        InsecureAuthentication,  // Basic over plain http: refused
        Cancelled,
        Other,
    };

    struct Challenge {
        QString scheme;  // "Basic", "Digest", ...
        QString realm;
        int previousFailureCount = 0;
        QUrl url;
    };
    struct Credential {
        QString user;
        QString password;
    };
    struct Response {
        Error error = Error::None;
        int status = 0;  // 0 without an HTTP answer
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray body;
        QString errorText;  // Qt's description of a transport failure
        // The header names (for logs: never the values).
        QStringList headerNames() const;
        QByteArray header(const QByteArray& name) const;  // case-insensitive
    };

    using ChallengeHandler = std::function<std::optional<Credential>(const Challenge&)>;
    using FinishedHandler = std::function<void(const Response&)>;

    HttpRequest(const QUrl& url, const QByteArray& method, QObject* parent = nullptr);
    ~HttpRequest() override;

    QUrl url() const { return url_; }
    QByteArray method() const { return method_; }
    double timeout() const { return timeout_; }
    void setTimeout(double seconds) { timeout_ = seconds; }
    void setChallengeHandler(ChallengeHandler handler) { challenge_ = std::move(handler); }

    // Sends the request (main thread); `done` gets the answer. Nothing happens
    // when it is running already.
    void start(FinishedHandler done);
    // Stops the request; no answer comes after it.
    void cancel();
    bool isRunning() const { return running_; }

private:
    void send(const std::optional<Credential>& credential, const QString& scheme);
    void replyFinished(QNetworkReply* reply);
    void finish(const Response& response);
    void dropReply();

    QUrl url_;
    QByteArray method_;
    double timeout_ = 30.0;
    ChallengeHandler challenge_;
    FinishedHandler done_;
    bool running_ = false;
    bool timedOut_ = false;
    int failures_ = 0;
    // The credential of the attempt running now, for a challenge Qt answers itself.
    std::optional<Credential> pending_;
    bool pendingUsed_ = false;
    QPointer<QNetworkAccessManager> network_;
    QPointer<QNetworkReply> reply_;
    QTimer timer_;
};

}  // namespace foundation

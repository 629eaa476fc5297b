#include "platform/foundation/HttpRequest.h"

#include "platform/foundation/Dispatch.h"

#include <QAuthenticator>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

#include <algorithm>

namespace foundation {

namespace {

// The schemes and the first realm of a WWW-Authenticate value (several
// challenges may share one line, separated by commas).
struct Offer {
    QStringList schemes;
    QString realm;
};

Offer parseChallenges(const QList<std::pair<QByteArray, QByteArray>>& headers) {
    static const QRegularExpression scheme(QStringLiteral(
        R"((?:^|,)\s*([A-Za-z][A-Za-z0-9!#$%&'*+.^_`|~-]*)(?=\s+[A-Za-z0-9!#$%&'*+.^_`|~-]+=|\s*$|\s*,))"));
    static const QRegularExpression realm(QStringLiteral(R"(realm\s*=\s*"([^"]*)\")"),
                                          QRegularExpression::CaseInsensitiveOption);
    Offer offer;
    for (const auto& [name, value] : headers) {
        if (name.compare("WWW-Authenticate", Qt::CaseInsensitive) != 0) continue;
        for (const QString& line : QString::fromLatin1(value).split(QLatin1Char('\n'))) {
            auto it = scheme.globalMatch(line);
            while (it.hasNext()) offer.schemes << it.next().captured(1);
            const auto m = realm.match(line);
            if (offer.realm.isEmpty() && m.hasMatch()) offer.realm = m.captured(1);
        }
    }
    return offer;
}

bool offers(const Offer& offer, const char* scheme) {
    return std::any_of(offer.schemes.begin(), offer.schemes.end(), [&](const QString& s) {
        return s.compare(QLatin1String(scheme), Qt::CaseInsensitive) == 0;
    });
}

HttpRequest::Error errorFor(QNetworkReply::NetworkError e) {
    switch (e) {
        case QNetworkReply::HostNotFoundError:
            return HttpRequest::Error::HostNotFound;
        case QNetworkReply::ConnectionRefusedError:
            return HttpRequest::Error::ConnectionRefused;
        case QNetworkReply::TimeoutError:
            return HttpRequest::Error::TimedOut;
        case QNetworkReply::SslHandshakeFailedError:
        case QNetworkReply::UnknownNetworkError:  // what an untrusted certificate can give
            return HttpRequest::Error::TlsFailed;
        case QNetworkReply::OperationCanceledError:
            return HttpRequest::Error::Cancelled;
        default:
            return HttpRequest::Error::Other;
    }
}

}  // namespace

QStringList HttpRequest::Response::headerNames() const {
    QStringList names;
    for (const auto& h : headers) names << QString::fromLatin1(h.first);
    return names;
}

QByteArray HttpRequest::Response::header(const QByteArray& name) const {
    for (const auto& h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0) return h.second;
    return {};
}

HttpRequest::HttpRequest(const QUrl& url, const QByteArray& method, QObject* parent)
    : QObject(parent), url_(url), method_(method) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        timedOut_ = true;
        if (reply_) reply_->abort();
    });
}

HttpRequest::~HttpRequest() {
    done_ = nullptr;
    dropReply();
}

void HttpRequest::start(FinishedHandler done) {
    requireMainThread("HttpRequest::start");
    if (running_) return;
    running_ = true;
    timedOut_ = false;
    failures_ = 0;
    done_ = std::move(done);
    timer_.start(int(std::clamp(timeout_, 0.0, 24.0 * 3600.0) * 1000.0));
    send(std::nullopt, QString());
}

void HttpRequest::cancel() {
    done_ = nullptr;
    timer_.stop();
    running_ = false;
    dropReply();
}

void HttpRequest::dropReply() {
    if (reply_) {
        QNetworkReply* r = reply_;
        reply_ = nullptr;
        r->disconnect(this);
        r->abort();
        r->deleteLater();
    }
    if (network_) {
        network_->disconnect(this);
        network_->deleteLater();
        network_ = nullptr;
    }
}

void HttpRequest::send(const std::optional<Credential>& credential, const QString& scheme) {
    dropReply();
    // A fresh manager for every attempt: nothing it cached (credentials,
    // connections) carries over.
    network_ = new QNetworkAccessManager(this);
    network_->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    pending_.reset();
    pendingUsed_ = false;
    QNetworkRequest request(url_);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    if (credential) {
        if (scheme.compare(QLatin1String("Basic"), Qt::CaseInsensitive) == 0) {
            const QByteArray pair = credential->user.toUtf8() + ':' + credential->password.toUtf8();
            request.setRawHeader("Authorization", "Basic " + pair.toBase64());
        } else {
            pending_ = credential;  // Qt computes the answer to the challenge
        }
    }
    connect(network_, &QNetworkAccessManager::authenticationRequired, this,
            [this](QNetworkReply*, QAuthenticator* authenticator) {
                // Answered once per attempt; a second challenge within the same
                // attempt means the credential was refused, which comes back
                // here as a 401 to be counted.
                if (!pending_ || pendingUsed_) return;
                pendingUsed_ = true;
                authenticator->setUser(pending_->user);
                authenticator->setPassword(pending_->password);
            });
    reply_ = network_->sendCustomRequest(request, method_);
    connect(reply_, &QNetworkReply::finished, this,
            [this, r = reply_.data()] { replyFinished(r); });
}

void HttpRequest::replyFinished(QNetworkReply* reply) {
    if (reply != reply_) return;
    Response response;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    response.headers = reply->rawHeaderPairs();
    if (reply->isOpen()) response.body = reply->readAll();
    const QNetworkReply::NetworkError error = reply->error();
    if (timedOut_) {
        response.error = Error::TimedOut;
        response.status = 0;
        response.errorText = QStringLiteral("the request timed out");
        return finish(response);
    }
    if (response.status == 0) {
        response.error = errorFor(error);
        response.errorText = reply->errorString();
        return finish(response);
    }
    if (response.status != 401) return finish(response);

    const Offer offer = parseChallenges(response.headers);
    const bool secure = url_.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    QString scheme;
    if (offers(offer, "Digest"))
        scheme = QStringLiteral("Digest");
    else if (offers(offer, "Basic"))
        scheme = QStringLiteral("Basic");
    else if (!offer.schemes.isEmpty())
        scheme = offer.schemes.first();
    if (scheme == QLatin1String("Basic") && !secure) {
        response.error = Error::InsecureAuthentication;
        return finish(response);
    }
    std::optional<Credential> credential;
    if (challenge_ && !scheme.isEmpty())
        credential = challenge_(Challenge{scheme, offer.realm, failures_, url_});
    if (!running_) return;  // the handler cancelled the request
    if (!credential) {
        response.error = Error::AuthenticationFailed;
        return finish(response);
    }
    ++failures_;
    send(credential, scheme);
}

void HttpRequest::finish(const Response& response) {
    timer_.stop();
    running_ = false;
    dropReply();
    FinishedHandler done = std::move(done_);
    done_ = nullptr;
    if (done) done(response);
}

}  // namespace foundation

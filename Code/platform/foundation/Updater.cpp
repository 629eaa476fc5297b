#include "platform/foundation/Updater.h"

#include "platform/foundation/Bundle.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

namespace foundation {

Updater::Updater(QObject* parent) : QObject(parent) {}

bool Updater::automaticallyChecksForUpdates() const {
    return Defaults::standard().boolForKey(automaticChecksKey);
}

void Updater::setAutomaticallyChecksForUpdates(bool on) {
    Defaults::standard().setBool(automaticChecksKey, on);
}

bool Updater::automaticallyDownloadsUpdates() const {
    return Defaults::standard().boolForKey(automaticDownloadsKey);
}

void Updater::setAutomaticallyDownloadsUpdates(bool on) {
    Defaults::standard().setBool(automaticDownloadsKey, on);
}

double Updater::updateCheckInterval() const {
    const double seconds = Defaults::standard().doubleForKey(checkIntervalKey);
    return seconds > 0 ? seconds : 86400.0;
}

void Updater::setUpdateCheckInterval(double seconds) {
    Defaults::standard().setDouble(checkIntervalKey, seconds);
}

void Updater::checkForUpdates() {
    const QUrl url(Bundle::infoValue(feedUrlInfoKey).toString());
    if (!url.isValid() || url.isEmpty()) {
        // Nothing to ask: the feed "loaded" empty. Reported after the current
        // event, as a real check would be, so callers can finish setting up.
        afterCurrentEvent([this] { report({}); });
        return;
    }
    if (!network_) network_ = new QNetworkAccessManager(this);
    QNetworkReply* reply = network_->get(QNetworkRequest(url));
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply->error() != QNetworkReply::NoError) {
            log(QStringLiteral("WARNING: update check failed: %1").arg(reply->errorString()));
            report({});
            return;
        }
        report(reply->readAll());
    });
}

void Updater::report(const QByteArray& feed) {
    if (delegate_) delegate_->updaterDidFinishLoadingAppcast(this, feed);
}

}  // namespace foundation

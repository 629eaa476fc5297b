#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;

namespace foundation {

class Updater;

// Told when an update check has loaded the update feed (or found none to load).
class UpdaterDelegate {
public:
    virtual ~UpdaterDelegate() = default;
    virtual void updaterDidFinishLoadingAppcast(Updater* updater, const QByteArray& feed) = 0;
};

// The application's update checker. Its settings (automatic checks, automatic
// downloads, check interval) live in the user defaults. A check loads the feed
// named by the bundle key "ZoltUpdateFeedURL"; without one it reports at once
// that the feed loaded with nothing in it. Every check ends with a report to the
// delegate, whether the feed loaded or not. Main thread only.
class Updater final : public QObject {
    Q_OBJECT
public:
    static inline const QString automaticChecksKey = QStringLiteral("Updater Automatic Checks");
    static inline const QString automaticDownloadsKey =
        QStringLiteral("Updater Automatic Downloads");
    static inline const QString checkIntervalKey = QStringLiteral("Updater Check Interval");
    static inline const QString feedUrlInfoKey = QStringLiteral("ZoltUpdateFeedURL");

    explicit Updater(QObject* parent = nullptr);

    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool on);
    bool automaticallyDownloadsUpdates() const;
    void setAutomaticallyDownloadsUpdates(bool on);
    double updateCheckInterval() const;  // seconds; one day when never set
    void setUpdateCheckInterval(double seconds);
    void setSendsSystemProfile(bool on) { sendsSystemProfile_ = on; }
    bool sendsSystemProfile() const { return sendsSystemProfile_; }

    UpdaterDelegate* delegate() const { return delegate_; }
    void setDelegate(UpdaterDelegate* delegate) { delegate_ = delegate; }

    void checkForUpdates();

private:
    void report(const QByteArray& feed);

    UpdaterDelegate* delegate_ = nullptr;
    QNetworkAccessManager* network_ = nullptr;
    bool sendsSystemProfile_ = false;
};

}  // namespace foundation

#pragma once

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace foundation {

// One posted notification: its name, the object that posted it (may be null)
// and its user information.
struct Notification {
    QString name;
    const void* object = nullptr;
    QVariantMap userInfo;
};

// Delivers notifications synchronously on the posting thread to the observers
// registered for their name (or for every name, with an empty name) and sender
// (or for every sender, with a null sender). An observer removed while a
// notification is being delivered is not called after its removal returns.
class NotificationCenter final {
public:
    using Handler = std::function<void(const Notification&)>;
    using Token = quint64;

    static NotificationCenter& defaultCenter();

    Token addObserver(const void* observer, const QString& name, const void* sender,
                      Handler handler);
    void removeObserver(Token token);
    void removeObserver(const void* observer);  // every registration of it
    void removeObserver(const void* observer, const QString& name, const void* sender = nullptr);

    void post(const QString& name, const void* object = nullptr,
              const QVariantMap& userInfo = {});
    void post(const Notification& notification);

private:
    struct Entry;
    void removeMatching(const std::function<bool(const Entry&)>& match);
    std::mutex mutex_;
    std::vector<std::shared_ptr<Entry>> entries_;
    Token nextToken_ = 1;
};

}  // namespace foundation

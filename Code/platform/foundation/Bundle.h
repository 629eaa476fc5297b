#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace foundation {

// What the application knows about itself: its information keys and the
// resources compiled into it (everything under Resources/).
class Bundle final {
public:
    // "CFBundleVersion" (the project version), "CFBundleShortVersionString",
    // "CFBundleName" and "BuildDate" (day.month.year of the build); an invalid
    // QVariant for any other key.
    static QVariant infoValue(const QString& key);

    // The resource path (":/…") of the resource named `name` with extension
    // `type` (either may already include the extension), searched in every folder
    // of the resources; empty when there is none.
    static QString resourcePath(const QString& name, const QString& type = QString());
    static QByteArray resourceData(const QString& name, const QString& type = QString());
};

}  // namespace foundation

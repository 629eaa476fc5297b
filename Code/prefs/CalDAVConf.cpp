#include "prefs/CalDAVConf.h"

namespace {
const QString kServer = QStringLiteral("server");
const QString kPath = QStringLiteral("path");
const QString kPort = QStringLiteral("port");
const QString kUser = QStringLiteral("user");
const QString kPassword = QStringLiteral("password");
const QString kActive = QStringLiteral("isActive");
const QString kSSL = QStringLiteral("usesSSL");
const QString kUpdate = QStringLiteral("updateFrequ");
}  // namespace

QVariantMap CalDAVConf::toMap() const {
    return {{kServer, server_}, {kPath, path_},         {kPort, port_},
            {kUser, user_},     {kPassword, password_}, {kActive, isActive_},
            {kSSL, usesSSL_},   {kUpdate, updateFrequ_}};
}

CalDAVConf CalDAVConf::fromMap(const QVariantMap& map) {
    CalDAVConf conf;
    conf.server_ = map.value(kServer).toString();
    conf.path_ = map.value(kPath).toString();
    conf.port_ = map.value(kPort).toInt();
    conf.user_ = map.value(kUser).toString();
    conf.password_ = map.value(kPassword).toString();
    conf.isActive_ = map.value(kActive).toBool();
    conf.usesSSL_ = map.value(kSSL).toBool();
    conf.updateFrequ_ = map.value(kUpdate).toInt();
    return conf;
}

#pragma once

// Shared helpers for the test programs.

#include "platform/foundation/Log.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace testsupport {

// A temporary folder removed with the object.
class TempDir final {
public:
    TempDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    bool write(const QString& name, const QByteArray& data) const;  // makes sub-folders
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir dir_;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv final {
public:
    ScopedEnv(const char* name, const QString& value);
    ~ScopedEnv();

private:
    QByteArray name_;
    QByteArray old_;
    bool had_ = false;
};

// Runs the event loop until `done` answers true or `seconds` have passed;
// answers whether `done` became true.
bool waitUntil(const std::function<bool()>& done, double seconds = 5.0);

// Pixel checks on rendered images. Points are in image pixels, (0,0) top left.
bool colorNear(const QColor& a, const QColor& b, int tolerance = 8);
QColor pixel(const QImage& image, int x, int y);
// Saves an image under the build tree's test-output folder for a person to look at;
// answers the path.
QString saveForInspection(const QImage& image, const QString& name);
// Saves a hover's drawing on the hover's dark box, as a person sees it.
void saveOnHoverBox(const QImage& ink, const QString& name);

// Registers the application's factory settings under the process's settings, as
// start-up does; false with the reason in `error` when they cannot be read.
bool registerFactoryDefaults(QString* error = nullptr);

}  // namespace testsupport

// Readable failure messages for Qt's text types.
#include <ostream>
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < l.size(); ++i) *os << (i ? ", \"" : "\"") << l[i].toStdString() << '"';
    *os << '}';
}

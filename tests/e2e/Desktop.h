#pragma once

// The real program on a display of its own: an X server (Xvfb) per test, the
// built `zolt` started on a store, settings file and cloud folder of the test,
// and real X input (xdotool) and screenshots (ImageMagick's import) on it.

#include <QByteArray>
#include <QImage>
#include <QMap>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

#include <functional>

namespace e2e {

// The folder every screenshot of the journeys is kept in (test-output/e2e next
// to the test program).
QString artefactFolder();

// Polls `done` every 100 ms until it answers true or `seconds` have passed;
// answers whether it became true.
bool waitFor(const std::function<bool()>& done, double seconds = 20.0);

// A file tree as relative path -> SHA-1 of the contents, to tell what a journey wrote.
using FileHashes = QMap<QString, QByteArray>;
FileHashes hashFiles(const QString& root);
// The paths added, removed and changed between two pictures, each marked with
// "+", "-" or "~".
QStringList changedFiles(const FileHashes& before, const FileHashes& after);

// Colour checks on screenshots.
bool colorNear(QRgb a, QRgb b, int tolerance);
int countColor(const QImage& image, const QRect& area, QRgb color, int tolerance = 24);
// The pixels of `area` (clipped to the image) for which `wanted` answers true.
int countPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& wanted);
// A red that marks and red checkboxes are drawn in (purplish under the year
// view's blue selection); no background or text of the window is that red.
inline bool isReddish(QRgb c) {
    return qRed(c) - qGreen(c) >= 50 && qRed(c) > qBlue(c) + 10;
}
// A clear green (a green calendar's colour, a done step's bullet); the
// window's own parts have none.
inline bool isGreenish(QRgb c) {
    return qGreen(c) - qRed(c) >= 50 && qGreen(c) - qBlue(c) >= 30;
}

// A point given in a window's own coordinates, x from the left edge and y
// upwards from the bottom edge as the program's views count, on the screen.
inline QPoint inWindow(const QRect& window, double x, double y) {
    return {window.x() + int(x), window.y() + window.height() - int(y)};
}

// One X server for one test.
class Desktop final {
public:
    static constexpr int kWidth = 1600;
    static constexpr int kHeight = 1000;

    Desktop() = default;
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // Starts Xvfb on a display number it picks itself; false with the reason.
    bool start(QString* why);
    QString display() const { return display_; }
    QProcessEnvironment environment() const;

    // Runs an X client of the display (xdotool, import); answers its exit status
    // as success and its standard output in `out`.
    bool run(const QString& program, const QStringList& args, QByteArray* out = nullptr,
             int timeoutMs = 15000) const;
    bool xdo(const QStringList& args, QByteArray* out = nullptr) const {
        return run(QStringLiteral("xdotool"), args, out);
    }

    // Real input at screen points.
    void moveTo(QPoint p) const;
    void click(QPoint p, int count = 1, int button = 1) const;
    // Presses at `from`, moves to `to` in small steps and releases, with the
    // keys of `modifiers` (xdotool names: alt, shift, ctrl) held throughout.
    void drag(QPoint from, QPoint to, const QStringList& modifiers = {}) const;
    // Keys one after another, separated by spaces: "ctrl+f", "Down Right Return".
    void key(const QString& keys) const;
    void type(const QString& text) const;

    // The whole screen now.
    QImage grab() const;
    // The whole screen, also kept as <journey>-<n>-<name>.png in the artefacts.
    QImage shot(const QString& journey, const QString& name) { return keep(journey, name, grab()); }
    QImage keep(const QString& journey, const QString& name, const QImage& image);
    // The geometry of a window (its id as xdotool names it).
    QRect geometry(const QString& windowId) const;

private:
    QProcess xvfb_;
    QString display_;
    int shots_ = 0;
};

// A store, settings file and cloud folder of one test.
class Sandbox final {
public:
    Sandbox();
    QString root() const { return dir_.path(); }
    QString store() const { return dir_.filePath(QStringLiteral("store")); }
    QString defaults() const { return dir_.filePath(QStringLiteral("Defaults.plist")); }
    QString cloud() const { return dir_.filePath(QStringLiteral("cloud")); }

    // The settings the program starts with; false when they cannot be written.
    bool writeDefaults(const QVariantMap& settings) const;
    QVariantMap readDefaults() const;
    // Writes a file under the store, making its folders (an atomic rename, as
    // another program would).
    bool writeStoreFile(const QString& relativePath, const QByteArray& data) const;

private:
    QTemporaryDir dir_;
};

// The built program, started on a sandbox and a desktop.
class App final {
public:
    App(Desktop& desktop, const Sandbox& sandbox) : desktop_(desktop), sandbox_(sandbox) {}
    ~App();

    // Starts the program and waits until its main window is mapped.
    bool start(QString* why);
    // Quits through the application's Quit key and waits for the process to end.
    bool quit(QString* why);
    bool running() const { return process_.state() != QProcess::NotRunning; }
    QString mainWindowId() const { return window_; }
    // The ids of the program's mapped windows, of those with this title (a
    // pattern, as xdotool takes it) when one is given.
    QStringList windowIds(const QString& title) const;
    // The screen rectangle of the program's mapped window with this title (a
    // pattern, as xdotool takes it), waiting for it up to `seconds`; empty
    // when there is none.
    QRect window(const QString& title, double seconds = 15.0) const;
    // Whether no mapped window of the program has this title (waits up to `seconds`).
    bool windowGone(const QString& title, double seconds = 15.0) const;
    // Gives the main window the keyboard again: without a window manager nobody
    // does when another window closes.
    void focusMainWindow() const;
    // What the program logged so far.
    QByteArray log();

private:
    Desktop& desktop_;
    const Sandbox& sandbox_;
    QProcess process_;
    QString window_;
    QByteArray log_;
};

}  // namespace e2e

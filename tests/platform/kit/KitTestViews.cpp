#include "KitTestViews.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <QColor>

namespace kittest {

namespace {
bool dark(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return c.alpha() > 128 && c.red() < 128 && c.green() < 128 && c.blue() < 128;
}
}  // namespace

int darkInRow(const QImage& image, int y) {
    int n = 0;
    for (int x = 0; x < image.width(); ++x) n += dark(image, x, y);
    return n;
}

int darkInColumn(const QImage& image, int x) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) n += dark(image, x, y);
    return n;
}

InkBox inkBox(const QImage& image) {
    InkBox b;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!dark(image, x, y)) continue;
            if (b.top < 0) b.top = y;
            b.bottom = y;
            if (b.left < 0 || x < b.left) b.left = x;
            if (x > b.right) b.right = x;
        }
    }
    return b;
}

void click(QWidget* widget, const QPoint& at) {
    const QPointF p = at.isNull() ? QPointF(widget->rect().center()) : QPointF(at);
    const QPointF global = widget->mapToGlobal(p);
    QMouseEvent press(QEvent::MouseButtonPress, p, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void pressKey(QWidget* widget, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) pressKey(widget, Qt::Key(c.toUpper().unicode()), QString(c));
}

}  // namespace kittest

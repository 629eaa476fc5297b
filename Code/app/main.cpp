// Zolt's entry point.
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Log.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zolt"));
    QApplication::setApplicationVersion(
        foundation::Bundle::infoValue(QStringLiteral("CFBundleVersion")).toString());

    // The application delegate takes over start-up once it exists; until then a
    // plain window shows that the program runs.
    QLabel window(QStringLiteral("Zolt %1").arg(QApplication::applicationVersion()));
    window.setAlignment(Qt::AlignCenter);
    window.resize(800, 600);
    window.setWindowTitle(QStringLiteral("Zolt"));
    window.show();
    return app.exec();
}

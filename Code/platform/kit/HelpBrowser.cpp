#include "platform/kit/HelpBrowser.h"

#include "platform/foundation/Bundle.h"

#include <QTextBrowser>

namespace kit {

HelpBrowser::HelpBrowser(const QRectF& frame) : Control(frame) {
    auto* browser = new QTextBrowser;
    browser->setOpenLinks(true);
    browser->setOpenExternalLinks(false);
    browser_ = browser;
    connect(browser, &QTextBrowser::historyChanged, this, [this] {
        if (loaded_) loaded_(this);
    });
    setHostedWidget(browser);
}

QUrl HelpBrowser::pageURL(const QString& name) {
    const QString path = foundation::Bundle::resourcePath(name, QStringLiteral("html"));
    if (path.isEmpty()) return QUrl();
    return QUrl(QStringLiteral("qrc") + path);
}

bool HelpBrowser::loadPageNamed(const QString& name) {
    const QUrl url = pageURL(name);
    if (!url.isValid()) return false;
    loadURL(url);
    return true;
}

void HelpBrowser::loadURL(const QUrl& url) {
    browser_->setSource(url);
}

QUrl HelpBrowser::currentURL() const {
    return browser_->source();
}

bool HelpBrowser::canGoBack() const {
    return browser_->isBackwardAvailable();
}

bool HelpBrowser::canGoForward() const {
    return browser_->isForwardAvailable();
}

void HelpBrowser::goBack(QObject*) {
    browser_->backward();
}

void HelpBrowser::goForward(QObject*) {
    browser_->forward();
}

}  // namespace kit

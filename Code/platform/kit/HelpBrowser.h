#pragma once

#include "platform/kit/Control.h"

#include <QUrl>

#include <functional>

class QTextBrowser;

namespace kit {

// Shows the application's help pages (HTML files among its resources) in a Qt
// text browser with a history: back and forward, and links followed in place.
// After every page that finished loading the load-finished handler runs, the
// place to update back and forward buttons. Main thread only.
class HelpBrowser final : public Control {
    Q_OBJECT

public:
    explicit HelpBrowser(const QRectF& frame = QRectF());

    // The URL of the resource page `name` ("index" for index.html); invalid
    // when there is none.
    static QUrl pageURL(const QString& name);
    // Loads the page (a new history entry); false when there is none of that name.
    bool loadPageNamed(const QString& name);
    void loadURL(const QUrl& url);
    QUrl currentURL() const;

    bool canGoBack() const;
    bool canGoForward() const;
    Q_INVOKABLE void goBack(QObject* sender = nullptr);
    Q_INVOKABLE void goForward(QObject* sender = nullptr);

    using LoadHandler = std::function<void(HelpBrowser* browser)>;
    void setLoadFinishedHandler(LoadHandler handler) { loaded_ = std::move(handler); }

    QTextBrowser* textBrowser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
    LoadHandler loaded_;
};

}  // namespace kit

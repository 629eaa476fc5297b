// The safe formatter of localised texts, the main-thread observer, the locale
// identifier and the main-thread guard.

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/LocalizedFormat.h"
#include "platform/foundation/MainThreadObserver.h"
#include "platform/foundation/NotificationCenter.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace foundation;

TEST(LocalizedFormat, FillsWellFormedTextsAndLeavesMalformedOnesAsTheyStand) {
    struct Case {
        const char* name;
        QString text;
        QVariantList args;
        QString expected;
    };
    const qint64 big = 5000000000LL;
    const Case cases[] = {
        {"object", "Delete %@?", {QStringLiteral("Work")}, "Delete Work?"},
        {"int and long", "%i of %li", {3, big}, "3 of 5000000000"},
        {"unsigned long", "%lu found", {qulonglong(12)}, "12 found"},
        {"d forms", "%d/%ld/%lld", {1, 2, 3}, "1/2/3"},
        {"positions reorder",
         "%2$@ before %1$@",
         {QStringLiteral("a"), QStringLiteral("b")},
         "b before a"},
        {"position repeated", "%1$@ and %1$@", {QStringLiteral("x")}, "x and x"},
        {"positional number", "%1$li days", {7}, "7 days"},
        {"percent sign", "100%% of %@", {QStringLiteral("it")}, "100% of it"},
        {"argument holding %", "%@ done", {QStringLiteral("50%@ %i")}, "50%@ %i done"},
        {"missing argument stays", "%@ and %@", {QStringLiteral("one")}, "one and %@"},
        {"no arguments", "Hello %@", {}, "Hello %@"},
        {"position beyond arguments", "%3$@!", {QStringLiteral("a")}, "%3$@!"},
        {"extra arguments ignored",
         "only %@",
         {QStringLiteral("a"), QStringLiteral("b")},
         "only a"},
        {"text for a number stays", "%i items", {QStringLiteral("many")}, "%i items"},
        {"double for a number stays", "%li items", {2.5}, "%li items"},
        {"negative for unsigned stays", "%lu items", {-4}, "%lu items"},
        {"unknown conversion: malformed", "%s and %@", {QStringLiteral("a")}, "%s and %@"},
        {"lone percent at the end: malformed", "%@ 100%", {QStringLiteral("a")}, "%@ 100%"},
        {"position 0: malformed", "%0$@", {QStringLiteral("a")}, "%0$@"},
        {"mixed counting: malformed",
         "%1$@ %@",
         {QStringLiteral("a"), QStringLiteral("b")},
         "%1$@ %@"},
        {"position without conversion: malformed", "%1$ x", {QStringLiteral("a")}, "%1$ x"},
        {"long object: malformed", "%l@", {QStringLiteral("a")}, "%l@"},
        {"no placeholders", "Plain", {QStringLiteral("a")}, "Plain"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatLocalized(c.text, c.args), c.expected) << c.name;
    EXPECT_EQ(formatLocalizedWith(QStringLiteral("%@: %li"), QStringLiteral("Marks"), qint64(4)),
              "Marks: 4");
}

TEST(LocaleIdentifier, IsTheSystemsUnlessATestFixesIt) {
    EXPECT_EQ(localeIdentifier(), QLocale::system().name());
    setLocaleIdentifier(QStringLiteral("de_CH"));
    EXPECT_EQ(localeIdentifier(), "de_CH");
    EXPECT_FALSE(isUSEnglishLocale());
    setLocaleIdentifier(QStringLiteral("en_US"));
    EXPECT_TRUE(isUSEnglishLocale());
    for (const char* other : {"en_GB", "en", "en_US_POSIX", "EN_US"})
        EXPECT_FALSE(isUSEnglishLocale(QString::fromLatin1(other))) << other;
    setLocaleIdentifier(QString());
    EXPECT_EQ(localeIdentifier(), QLocale::system().name());
}

namespace {
const QString kPing = QStringLiteral("MainThreadObserverTest Ping");
}

TEST(MainThreadObserver, DeliversPostsFromAnyThreadOnTheMainThreadToAWidget) {
    QLabel label;
    std::atomic<int> onMainCalls{0}, offMainCalls{0};
    MainThreadObserver::observe(&label, kPing, nullptr, [&](const Notification& n) {
        (isMainThread() ? onMainCalls : offMainCalls)++;
        label.setText(n.userInfo.value(QStringLiteral("text")).toString());
    });

    // Posted on the main thread: delivered at once.
    NotificationCenter::defaultCenter().post(kPing, nullptr,
                                             {{QStringLiteral("text"), QStringLiteral("main")}});
    EXPECT_EQ(label.text(), "main");

    std::thread t([] {
        NotificationCenter::defaultCenter().post(
            kPing, nullptr, {{QStringLiteral("text"), QStringLiteral("background")}});
    });
    t.join();
    EXPECT_EQ(label.text(), "main");  // queued, not run on the posting thread
    EXPECT_TRUE(testsupport::waitUntil([&] { return label.text() == "background"; }));
    EXPECT_EQ(onMainCalls, 2);
    EXPECT_EQ(offMainCalls, 0);
}

TEST(MainThreadObserver, GoesWithItsOwnerAndDropsDeliveriesStillQueued) {
    int calls = 0;
    auto owner = std::make_unique<QObject>();
    QPointer<MainThreadObserver> observer = MainThreadObserver::observe(
        owner.get(), kPing, nullptr, [&](const Notification&) { ++calls; });

    // A post from a background thread is queued; the owner goes before it runs.
    std::thread t([] { NotificationCenter::defaultCenter().post(kPing); });
    t.join();
    owner.reset();
    EXPECT_TRUE(observer.isNull());
    QCoreApplication::processEvents();
    NotificationCenter::defaultCenter().post(kPing);
    EXPECT_EQ(calls, 0);

    // Stopped by hand: nothing more arrives either.
    QObject other;
    auto* stopped =
        MainThreadObserver::observe(&other, kPing, nullptr, [&](const Notification&) { ++calls; });
    NotificationCenter::defaultCenter().post(kPing);
    stopped->stop();
    NotificationCenter::defaultCenter().post(kPing);
    EXPECT_EQ(calls, 1);
}

#ifndef ZOLT_RELEASE
TEST(MainThreadGuardDeathTest, AnOperationOffTheMainThreadLogsAndAborts) {
    requireMainThread("Test::onMain");  // fine here
    EXPECT_DEATH(
        {
            std::thread t([] { requireMainThread("Test::mutate"); });
            t.join();
        },
        "oops, Test::mutate called off the main thread");
}
#endif

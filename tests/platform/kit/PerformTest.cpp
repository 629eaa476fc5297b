// Operations performed by name, now, after the current event and on the main thread.

#include "platform/foundation/Log.h"
#include "platform/kit/Perform.h"
#include "platform/kit/View.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

class Owner : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void ping() { ++pings; }
    Q_INVOKABLE int add(int a, int b) { return a + b; }
    Q_INVOKABLE QString echo(const QString& s) { return s + "!"; }
    Q_INVOKABLE void takeObject(QObject* o) { taken = o; }
    Q_INVOKABLE void takeVariant(const QVariant& v) { variant = v; }
    Q_INVOKABLE void showYear(int year) { years << year; }
    void notInvokable() {}
    int pings = 0;
    QObject* taken = nullptr;
    QVariant variant;
    QList<int> years;
};

class Handler : public kit::View {
    Q_OBJECT
public:
    Q_INVOKABLE void cmiShowNotes(QObject* sender) { senders << sender; }
    QList<QObject*> senders;
};

}  // namespace

TEST(Perform, TryToPerformWalksTheResponderChain) {
    Handler top;
    auto* middle = new kit::View;
    auto* leaf = new kit::View;
    top.addSubview(middle);
    middle->addSubview(leaf);
    QObject sender;
    EXPECT_TRUE(leaf->tryToPerform("cmiShowNotes", &sender));
    EXPECT_EQ(top.senders, QList<QObject*>({&sender}));
    EXPECT_FALSE(leaf->tryToPerform("cmiHideNotes", &sender));
}

TEST(Perform, CallsOperationsByNameAndAnswersWhetherTheTargetResponded) {
    Owner o;
    EXPECT_TRUE(kit::perform(&o, "ping"));
    EXPECT_EQ(o.pings, 1);
    EXPECT_FALSE(kit::perform(&o, "missing"));
    EXPECT_FALSE(kit::perform(&o, "notInvokable"));
    EXPECT_FALSE(kit::perform(nullptr, "ping"));
    EXPECT_FALSE(kit::perform(&o, "ping", 3));  // wrong number of arguments
    EXPECT_TRUE(kit::respondsTo(&o, "showYear"));
    EXPECT_FALSE(kit::respondsTo(&o, "hideYear"));

    EXPECT_EQ(kit::performReturning<int>(&o, "add", 2, 3), 5);
    EXPECT_EQ(kit::performReturning<QString>(&o, "echo", "hi"), QString("hi!"));
    EXPECT_FALSE(kit::performReturning<int>(&o, "nothing").has_value());

    Owner other;
    EXPECT_TRUE(kit::perform(&o, "takeObject", static_cast<QObject*>(&other)));
    EXPECT_EQ(o.taken, &other);
    EXPECT_TRUE(kit::perform(&o, "takeVariant", QVariant(42)));
    EXPECT_EQ(o.variant.toInt(), 42);
    EXPECT_TRUE(kit::perform(&o, "showYear", qint64(2024)));  // converted to int
    EXPECT_EQ(o.years, QList<int>({2024}));
}

TEST(Perform, AnOperationFoundButNotFittingTheArgumentsIsLoggedWithBoth) {
    Owner o;
    struct Case {
        const char* name;
        std::function<bool()> call;
        QString logged;  // empty: no line
    };
    const Case cases[] = {
        {"text for an int", [&] { return kit::perform(&o, "showYear", "soon"); },
         "oops, showYear(int) of Owner cannot take the arguments (QString)"},
        {"object of another class",
         [&] { return kit::perform(&o, "takeObject", QVariant(QStringList{"x"})); },
         "oops, takeObject(QObject*) of Owner cannot take the arguments (QStringList)"},
        {"missing operation", [&] { return kit::perform(&o, "nothingLikeIt", 1); }, ""},
        {"other number of arguments", [&] { return kit::perform(&o, "ping", 3); }, ""},
    };
    for (const Case& c : cases) {
        foundation::LogCapture log;
        EXPECT_FALSE(c.call()) << c.name;
        if (c.logged.isEmpty())
            EXPECT_TRUE(log.lines().isEmpty()) << c.name;
        else
            EXPECT_EQ(log.lines(), QStringList{c.logged}) << c.name;
    }
    EXPECT_TRUE(o.years.isEmpty());
}

TEST(Perform, AfterTheCurrentEventAndOnTheMainThread) {
    Owner o;
    kit::performAfterCurrentEvent(&o, "showYear", 2030);
    EXPECT_TRUE(o.years.isEmpty());  // not yet
    EXPECT_TRUE(testsupport::waitUntil([&] { return !o.years.isEmpty(); }));
    EXPECT_EQ(o.years, QList<int>({2030}));

    auto* gone = new Owner;
    kit::performAfterCurrentEvent(gone, "ping");
    delete gone;  // nothing happens once it is gone
    QCoreApplication::processEvents();

    bool answered = false;
    std::thread job([&] { answered = kit::performOnMainThread(&o, "showYear", true, 2031); });
    EXPECT_TRUE(testsupport::waitUntil([&] { return o.years.size() == 2; }));
    job.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(o.years.last(), 2031);
}

#include "PerformTest.moc"

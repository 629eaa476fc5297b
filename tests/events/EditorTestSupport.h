#pragma once

// What the event editor's tests share: a temporary store with the model read
// from it (the loader tests' fixture), English texts, instant animations, and
// editors made through the registry that are dropped again after each test.

#include "data/WritersTestSupport.h"
#include "data/YearViewEventLoaderTestSupport.h"
#include "events/EventConfigController.h"
#include "platform/foundation/Defaults.h"
#include "platform/kit/Animation.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace editortest {

inline QDateTime atBerlin(int year, int month, int day, int hour = 0, int minute = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute),
                     QTimeZone(QByteArrayLiteral("Europe/Berlin")));
}

class EventConfigControllerTest : public loadertest::LoaderTest {
protected:
    void SetUp() override {
        LoaderTest::SetUp();
        kit::Animation::setInstantForTesting(true);
        foundation::Defaults::standard().setObject(QStringLiteral("AppleLanguages"),
                                                   QVariantList{QStringLiteral("en")});
    }
    void TearDown() override {
        for (const QString& uid : made) {
            if (EventConfigController* editor =
                    EventConfigController::registeredControllerForUID(uid)) {
                editor->eventWasSaved();  // nothing of the store is undone here
                editor->closeWindow();
                delete editor;
            }
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        kit::Animation::setInstantForTesting(false);
        LoaderTest::TearDown();
    }
    // An event in memory, not in the store.
    calstore::EventPtr memoryEvent(const QString& title = QStringLiteral("Meeting")) {
        auto event = calstore::Event::event();
        event->setTitle(title);
        event->setStartDate(atBerlin(2011, 6, 13, 9, 5));
        event->setEndDate(atBerlin(2011, 6, 13, 10, 0));
        return event;
    }
    EventConfigController* editorFor(const calstore::EventPtr& event) {
        EventConfigController* editor = EventConfigController::controllerForEvent(event);
        if (editor) made << editor->eventUID();
        return editor;
    }
    calstore::EventPtr stored(const QString& uid) const {
        const auto events = eventsWithUID(uid);
        return events.isEmpty() ? nullptr : events.first();
    }
    QStringList made;
};

}  // namespace editortest

#pragma once

// The source list over a small store of three local calendars, in a window:
// the model root, the list and its outline, and helpers to press, drag and
// render rows.

#include "data/Calendar.h"
#include "data/CalendarGroup.h"
#include "data/CalendarSources.h"
#include "data/EMarker.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/kit/Event.h"
#include "platform/kit/Window.h"
#include "platform/store/Store.h"
#include "sources/CalendarSourceOutlineView.h"
#include "sources/CalendarSourceView.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace sourcelisttest {

using foundation::Defaults;

struct StoreFixture : ::testing::Test {
    struct StoreCalendar {
        QString folder, title, type;
    };
    // What the store holds: three local calendars, and what a fixture adds.
    QList<StoreCalendar> storeCalendars = {{QStringLiteral("home"), QStringLiteral("Home"), {}},
                                           {QStringLiteral("work"), QStringLiteral("Work"), {}},
                                           {QStringLiteral("sport"), QStringLiteral("Sport"), {}}};

    void SetUp() override {
        Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
        for (const auto& [folder, title, type] : storeCalendars) {
            dir.write(QStringLiteral("store/%1/displayname").arg(folder), title.toUtf8());
            dir.write(QStringLiteral("store/%1/color").arg(folder), QByteArrayLiteral("#3366CC"));
            QJsonObject attributes{
                {QStringLiteral("type"), type.isEmpty() ? QStringLiteral("local") : type},
                {QStringLiteral("items"), QStringLiteral("events")}};
            dir.write(QStringLiteral("store/%1/zolt-calendar.json").arg(folder),
                      QJsonDocument(attributes).toJson());
        }
        calstore::Store::setDefaultStore(
            calstore::Store::openAt(dir.file(QStringLiteral("store"))));
        sources = std::make_shared<CalendarSources>();
        sources->loadCalendarsFromICal();
        sources->loadMarkers();

        window = std::make_unique<kit::Window>(QRectF(100, 100, 200, 300));
        list = CalendarSourceView::makeSourceListView(QRectF(0, 0, 200, 300));
        window->contentView()->addSubview(list);
        outline = CalendarSourceView::outlineViewOf(list);
        outline->setCalendarSources(sources);
        sources->setOutlineView(outline);
        outline->expandItem(
            std::static_pointer_cast<void>(SourceListItemPtr(sources->localGroup())));
        window->makeKeyAndOrderFront();
    }
    void TearDown() override {
        CalendarSources::changeServices([](CalendarSources::Services& s) { s = {}; });
        window->orderOut();
        window.reset();
        foundation::NotificationCenter::defaultCenter().removeObserver(sources.get());
        sources.reset();
        calstore::Store::setDefaultStore(nullptr);
        Defaults::resetStandard();
    }
    QPointF at(int row, double x) const {
        const QRectF r = outline->rectOfRow(row);
        return outline->convertPointToView(QPointF(x, r.center().y()), nullptr);
    }
    kit::Event press(int row, double x, qint64 number, int clicks = 1) const {
        kit::Event e = kit::Event::mouseEvent(kit::EventType::LeftMouseDown, at(row, x), 0, clicks);
        e.setEventNumber(number);
        return e;
    }
    int rowOf(const QString& title) const {
        return outline->rowForItem(sources->calendarWithName(title));
    }
    // Just inside the row's top edge: a drop there goes before the row.
    QPointF topOf(int row) const {
        return outline->convertPointToView(QPointF(60, outline->rectOfRow(row).y() + 2), nullptr);
    }
    // Presses a row, drags it a little and lets go at `to`; the drag session's
    // driver decides what happens in between.
    void dragRow(int row, qint64 number, const QPointF& to) {
        window->sendEvent(press(row, 60, number));
        window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseDragged,
                                                 at(row, 60) + QPointF(0, -10)));
        window->sendEvent(kit::Event::mouseEvent(kit::EventType::LeftMouseUp, to));
    }
    EMarkerPtr addMarker(const QString& title) {
        auto marker = std::make_shared<EMarker>();
        marker->setTitle(title);
        sources->markersGroup()->addElement(marker);
        outline->reloadData();
        outline->expandItem(
            std::static_pointer_cast<void>(SourceListItemPtr(sources->markersGroup())));
        return marker;
    }
    QImage render() const {
        QImage image = list->renderToImage();
        QImage shown(image.size(), QImage::Format_ARGB32_Premultiplied);
        shown.fill(CalendarSourceView::kKeyColor);
        QPainter(&shown).drawImage(0, 0, image);
        return shown;
    }

    testsupport::TempDir dir;
    std::shared_ptr<CalendarSources> sources;
    std::unique_ptr<kit::Window> window;
    kit::View* list = nullptr;
    CalendarSourceOutlineView* outline = nullptr;
};

}  // namespace sourcelisttest

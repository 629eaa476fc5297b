#pragma once

// The fixture of the model tests: a test store of calendar folders, saved
// settings, and a stand-in for the source list's outline.
#include "data/CalendarSources.h"

#include "data/OutlineViewSpacer.h"
#include "data/SourceListOutline.h"
#include "data/appPref.h"
#include "platform/foundation/Defaults.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/store/Capabilities.h"
#include "platform/store/Store.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <functional>

namespace calsrctest {

using foundation::Defaults;

inline const QString kMarkerA = QStringLiteral("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
inline const QString kMarkerB = QStringLiteral("BBBBBBBBBBBBBBBBBBBBBBBBBBBBBBBB");
inline const QString kMarkerC = QStringLiteral("CCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC");

// A calendar folder of the test store.
struct StoreCalendar {
    QString folder;
    QString title;
    QString type = QStringLiteral("local");
    bool tasks = false;
    int order = -1;
    QString group;  // the account group; the store's default one for the type when empty
};

// The source list's outline, as far as the model asks it.
class FakeOutline final : public SourceListOutline {
public:
    QList<SourceListItemPtr> rows;
    int selected = -1;
    int reloads = 0;

    int selectedRow() const override { return selected; }
    SourceListItemPtr itemAtRow(int row) const override {
        return row >= 0 && row < rows.size() ? rows.at(row) : nullptr;
    }
    int rowForItem(const SourceListItemPtr& item) const override { return int(rows.indexOf(item)); }
    void selectRow(int row) override { selected = row; }
    std::function<void()> onReload;  // a list that shows new rows after a reload

    void reloadData() override {
        ++reloads;
        if (onReload) onReload();
    }
    void deselectAllRows() override { selected = -1; }
};

class CalendarSourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        Defaults::resetStandard(dir.file(QStringLiteral("Defaults.plist")));
        setShowReminders(false);
    }
    void TearDown() override {
        if (sources) foundation::NotificationCenter::defaultCenter().removeObserver(sources.get());
        sources.reset();
        calstore::Store::setDefaultStore(nullptr);
        calstore::Capabilities::shared().restoreAll();
        Defaults::resetStandard();
    }

    void addCalendar(const StoreCalendar& c) {
        dir.write(QStringLiteral("store/%1/displayname").arg(c.folder), c.title.toUtf8());
        dir.write(QStringLiteral("store/%1/color").arg(c.folder), QByteArrayLiteral("#3366CC"));
        QJsonObject attributes{{QStringLiteral("type"), c.type},
                               {QStringLiteral("items"),
                                c.tasks ? QStringLiteral("tasks") : QStringLiteral("events")}};
        if (c.order >= 0) attributes.insert(QStringLiteral("order"), c.order);
        if (!c.group.isEmpty()) attributes.insert(QStringLiteral("group"), c.group);
        dir.write(QStringLiteral("store/%1/zolt-calendar.json").arg(c.folder),
                  QJsonDocument(attributes).toJson());
    }

    // Opens the test store as the process's store and loads the model from it.
    void load(bool markers = true) {
        calstore::Store::setDefaultStore(
            calstore::Store::openAt(dir.file(QStringLiteral("store"))));
        sources = std::make_shared<CalendarSources>();
        sources->loadCalendarsFromICal();
        if (markers) sources->loadMarkers();
    }

    static void setShowReminders(bool show) {
        QVariantMap general = Defaults::standard().dictionaryForKey(CalendarSources::kGeneralPrefs);
        general.insert(CalendarSources::kShowReminders, show);
        Defaults::standard().setObject(CalendarSources::kGeneralPrefs, general);
    }

    static QVariantMap calendarEntry(const QString& name, bool selected, int type, int sequence,
                                     const QString& storeType = QString()) {
        QVariantMap entry{{QStringLiteral("Name"), name},
                          {QStringLiteral("Selected"), selected},
                          {QStringLiteral("Calendar Type"), qint64(type)},
                          {QStringLiteral("Sequence"), qint64(sequence)}};
        if (!storeType.isNull()) entry.insert(QStringLiteral("CalStore Type"), storeType);
        return entry;
    }

    static QVariantMap markerEntry(const QString& name, const QString& calendar, int type,
                                   int sequence, double first = 1.0e9, double last = 1.1e9) {
        return {{QStringLiteral("Name"), name},
                {QStringLiteral("Selected"), true},
                {QStringLiteral("Description"), name + QStringLiteral(" days")},
                {QStringLiteral("Color"), QStringLiteral("255 0 0 1.000000")},
                {QStringLiteral("Type"), qint64(type)},
                {QStringLiteral("Calendar"), calendar},
                {QStringLiteral("First"), first},
                {QStringLiteral("Last"), last},
                {QStringLiteral("Sequence"), qint64(sequence)}};
    }

    static QVariantMap saved(const QString& group) {
        return Defaults::standard().dictionaryForKey(group);
    }

    // The rows of the list: group short names, "-" for spacers.
    QStringList rowNames() const {
        QStringList names;
        for (const auto& item : sources->listOfSources()) {
            if (sourceItemAs<OutlineViewSpacer>(item)) names << QStringLiteral("-");
            if (auto group = sourceItemAs<CalendarGroup>(item)) names << group->shortName();
        }
        return names;
    }

    static QStringList titles(const CalendarGroupPtr& group) {
        return group ? group->elementNames() : QStringList();
    }

    testsupport::TempDir dir;
    std::shared_ptr<CalendarSources> sources;
};

}  // namespace calsrctest

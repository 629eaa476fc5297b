#include "data/Calendar.h"
#include "data/CalendarGroup.h"
#include "data/ColorCheckbox.h"
#include "data/EMarker.h"
#include "data/ModelImages.h"
#include "data/OutlineViewSpacer.h"

#include "support/TestSupport.h"

#include <QPainter>
#include <QSet>

#include <gtest/gtest.h>

#include <map>

using testsupport::colorNear;
using testsupport::pixel;

namespace {

calstore::CalendarPtr storeCalendar(const QString& uid, const QString& title,
                                    const QString& type = calstore::CalendarTypeLocal) {
    auto c = std::make_shared<calstore::Calendar>();
    c->setUid(uid);
    c->setTitle(title);
    c->setType(type);
    c->setColor(QColor(200, 40, 40));
    return c;
}

CalendarPtr calendar(const QString& uid, const QString& title, int type = Calendar::kTypeNormal) {
    auto c = std::make_shared<Calendar>(storeCalendar(uid, title));
    c->setCalendarType(type);
    return c;
}

EMarkerPtr marker(const QString& uid, const QString& title) {
    auto m = std::make_shared<EMarker>(uid);
    m->setTitle(title);
    return m;
}

// The colour of the point (x, y) of an icon, counted in points from its
// lower-left corner as the glyphs are laid out.
QColor iconPoint(const QImage& icon, double x, double y) {
    const double scale = icon.devicePixelRatio();
    const double heightInPoints = icon.height() / scale;
    return pixel(icon, int(x * scale), int((heightInPoints - y) * scale));
}

QStringList titles(const QList<SourceListItemPtr>& items) {
    QStringList result;
    for (const auto& item : items) {
        if (auto c = sourceItemAs<Calendar>(item)) result << c->title();
        if (auto m = sourceItemAs<EMarker>(item)) result << m->title();
    }
    return result;
}

}  // namespace

TEST(CalendarTest, ANewCalendarHoldsItsValuesUntilItsStoreCalendarTakesThem) {
    auto c = std::make_shared<Calendar>();
    EXPECT_TRUE(c->isNew());
    EXPECT_EQ(c->uid(), QStringLiteral("XXX"));
    EXPECT_EQ(c->calendarOSType(), QString());
    EXPECT_FALSE(c->title().isEmpty());
    EXPECT_EQ(c->color(), QColor(Qt::blue));
    EXPECT_EQ(c->sequenceNumber(), 999);
    EXPECT_EQ(c->calendarType(), Calendar::kTypeNormal);
    EXPECT_TRUE(c->isSelected());

    c->setTitle(QStringLiteral("Garden"));
    c->setNotes(QStringLiteral("weeding"));
    c->setColor(QColor(10, 200, 30));
    EXPECT_EQ(c->title(), QStringLiteral("Garden"));

    auto fresh = storeCalendar(QStringLiteral("g1"), QStringLiteral("untitled"));
    c->setCalendar(fresh);
    c->setNotNew();
    EXPECT_FALSE(c->isNew());
    const auto held = c->calendar();
    EXPECT_EQ(held->uid(), QStringLiteral("g1"));
    EXPECT_EQ(held->title(), QStringLiteral("Garden"));
    EXPECT_EQ(held->notes(), QStringLiteral("weeding"));
    EXPECT_EQ(held->color(), QColor(10, 200, 30));
    EXPECT_EQ(c->uid(), QStringLiteral("g1"));
    EXPECT_EQ(c->calendarOSType(), calstore::CalendarTypeLocal);

    c->setIsDeleted();
    EXPECT_TRUE(c->isNew());
    EXPECT_EQ(c->uid(), QStringLiteral("XXX"));
}

TEST(CalendarTest, ChangesReplaceTheStoreCalendarInsteadOfChangingAHeldCopy) {
    auto c = std::make_shared<Calendar>(storeCalendar("w", "Work"));
    const auto before = c->calendar();
    c->setTitle(QStringLiteral("Office"));
    c->setColor(QColor(1, 2, 3));
    c->setNotes(QStringLiteral("n"));
    EXPECT_EQ(before->title(), QStringLiteral("Work"));  // a job's copy stays as it was
    EXPECT_EQ(c->title(), QStringLiteral("Office"));
    EXPECT_EQ(c->calendar()->color(), QColor(1, 2, 3));
    EXPECT_EQ(c->calendar()->notes(), QStringLiteral("n"));
    EXPECT_EQ(c->uid(), QStringLiteral("w"));
}

TEST(CalendarTest, TheStoreBirthdayCalendarAlwaysIsABirthdayStore) {
    auto c =
        std::make_shared<Calendar>(storeCalendar("b", "Birthdays", calstore::CalendarTypeBirthday));
    EXPECT_EQ(c->calendarType(), Calendar::kTypeBirthday);
    c->setCalendarType(Calendar::kTypeNormal);
    EXPECT_EQ(c->calendarType(), Calendar::kTypeBirthday);

    auto local = calendar("l", "Local");
    local->setCalendarType(Calendar::kTypeHoliday);
    EXPECT_EQ(local->calendarType(), Calendar::kTypeHoliday);
}

TEST(CalendarTest, OnlyShownOrdinaryCalendarsTakeNewEvents) {
    struct Case {
        bool shown;
        int type;
        bool canCreate;
    };
    const Case cases[] = {
        {true, 1, true}, {false, 1, false}, {true, 2, false}, {true, 3, false}, {true, 4, false}};
    for (const Case& k : cases) {
        auto c = calendar("x", "X", k.type);
        c->setSelected(k.shown);
        EXPECT_EQ(c->canCreateNewEvent(), k.canCreate) << k.shown << " " << k.type;
    }
}

TEST(CalendarTest, TypeBadgesAndTheErrorBadge) {
    const QImage error = ModelImages::named("CalTypeError");
    const std::map<int, QImage> badges{{1, QImage()},
                                       {2, ModelImages::named("CalTypeHoliday")},
                                       {3, ModelImages::named("CalTypeBirthday")},
                                       {4, ModelImages::named("CalTypeMarker")}};
    for (const auto& [type, image] : badges) {
        auto c = calendar("x", "X", type);
        EXPECT_EQ(c->calendarTypeImage(), image) << type;
        if (type != 1) EXPECT_FALSE(image.isNull()) << type;
        c->setUpdateError(QStringLiteral("could not save"));
        EXPECT_EQ(c->calendarTypeImage(), error) << type;
        c->setUpdateError(QString());
    }
    EXPECT_FALSE(error.isNull());
    QImage sheet(4 * 32, 32, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    {
        QPainter p(&sheet);
        int x = 0;
        for (const QImage& badge : {error, badges.at(2), badges.at(3), badges.at(4)}) {
            p.drawImage(QRectF(x, 0, 32, 32), badge);
            x += 32;
        }
    }
    testsupport::saveForInspection(sheet, QStringLiteral("calendar-type-badges"));
    auto birthday =
        std::make_shared<Calendar>(storeCalendar("b", "Birthdays", calstore::CalendarTypeBirthday));
    birthday->setUpdateError(QStringLiteral("failed"));
    EXPECT_EQ(birthday->calendarTypeImage(), error);
}

TEST(CalendarTest, IconsShowTheCalendarColour) {
    auto c = calendar("x", "X");
    c->setColor(QColor(20, 160, 60));
    const QImage icon = c->miniIcon();
    EXPECT_EQ(icon.width() / icon.devicePixelRatio(), 16);
    EXPECT_TRUE(colorNear(iconPoint(icon, 8, 8), QColor(20, 160, 60)));
    EXPECT_EQ(iconPoint(icon, 0.5, 0.5).alpha(), 0);
    EXPECT_EQ(iconPoint(icon, 8, 1).alpha(), 0);  // outside the circle of 2..14

    const QImage box = c->checkboxImage();
    EXPECT_EQ(box.width() / box.devicePixelRatio(), 18);
    c->setSelected(false);
    EXPECT_NE(c->checkboxImage(), box);
}

TEST(CalendarTest, ComparesBySequenceNumber) {
    auto a = calendar("a", "A"), b = calendar("b", "B");
    a->setSequenceNumber(1);
    b->setSequenceNumber(2);
    EXPECT_EQ(a->compare(*b), -1);
    EXPECT_EQ(b->compare(*a), 1);
    b->setSequenceNumber(1);
    EXPECT_EQ(a->compare(*b), 0);
}

TEST(EMarkerTest, IdentifiersAreThirtyTwoUniformHexDigits) {
    std::map<QChar, int> counts;
    QSet<QString> seen;
    const int n = 2000;
    for (int i = 0; i < n; ++i) {
        const QString uid = EMarker::createUID();
        ASSERT_EQ(uid.size(), 32);
        for (QChar ch : uid) {
            ASSERT_TRUE(QStringLiteral("0123456789ABCDEF").contains(ch)) << uid.toStdString();
            ++counts[ch];
        }
        seen.insert(uid);
    }
    EXPECT_EQ(seen.size(), n);
    // Every digit about equally often (expected 4000 each; a spread of 10 sigma
    // would still pass, a digit at half or double the rate would not).
    ASSERT_EQ(counts.size(), 16u);
    for (const auto& [ch, count] : counts) {
        EXPECT_GT(count, 3400) << QString(ch).toStdString();
        EXPECT_LT(count, 4600) << QString(ch).toStdString();
    }
}

TEST(EMarkerTest, ASavedIdentifierIsKeptAndAnEmptyOneReplaced) {
    const QString saved = QStringLiteral("ABCDEF0123456789ABCDEF0123456789");
    EXPECT_EQ(EMarker(saved).uID(), saved);
    const QString generated = EMarker(QString()).uID();
    EXPECT_EQ(generated.size(), 32);
    EXPECT_EQ(EMarker(QStringLiteral("")).uID().size(), 32);

    EMarker fresh;
    EXPECT_TRUE(fresh.isNew());
    EXPECT_TRUE(fresh.isSelected());
    EXPECT_EQ(fresh.markerType(), 1);
    EXPECT_EQ(fresh.sequenceNumber(), 999);
    EXPECT_EQ(fresh.color(), QColor(Qt::blue));
    EXPECT_TRUE(fresh.calendarUID().isNull());
    EXPECT_TRUE(fresh.markerTypeImage().isNull());  // not yet given a store
    fresh.setNotNew();
    EXPECT_FALSE(fresh.isNew());
}

TEST(EMarkerTest, TheAppliedSpanWidensOnlyOnTheSideOfTheNewDate) {
    EMarker m;
    const double created = m.earliestMarkerApplied();
    EXPECT_EQ(m.latestMarkerApplied(), created);
    m.appliedToDate(created - 86400);
    EXPECT_EQ(m.earliestMarkerApplied(), created - 86400);
    EXPECT_EQ(m.latestMarkerApplied(), created);
    m.appliedToDate(created + 3 * 86400);
    EXPECT_EQ(m.earliestMarkerApplied(), created - 86400);
    EXPECT_EQ(m.latestMarkerApplied(), created + 3 * 86400);
    m.appliedToDate(created);  // inside: nothing changes
    EXPECT_EQ(m.earliestMarkerApplied(), created - 86400);
    EXPECT_EQ(m.latestMarkerApplied(), created + 3 * 86400);
}

TEST(EMarkerTest, AMarkerWithoutStoreShowsTheErrorBadge) {
    const QImage error = ModelImages::named("CalTypeError");
    EMarker m;
    m.setCalendarUID(QStringLiteral("store-1"));
    EXPECT_TRUE(m.markerTypeImage().isNull());
    m.setCalendarUID(QStringLiteral(""));
    EXPECT_EQ(m.markerTypeImage(), error);
    m.setCalendarUID(QStringLiteral("store-1"));
    m.setErrorMsg(QStringLiteral("not a marker store"));
    EXPECT_EQ(m.markerTypeImage(), error);
    // A valid store leaves the error text as it was.
    m.setCalendarUID(QStringLiteral("store-2"));
    EXPECT_EQ(m.errorMessage(), QStringLiteral("not a marker store"));
    m.setErrorMsg(QString());
    EXPECT_TRUE(m.markerTypeImage().isNull());
}

TEST(EMarkerTest, GlyphIconsOfEveryMarkerType) {
    const QColor red(220, 20, 20);
    const QColor grey(128, 128, 128);
    const QColor white(Qt::white);
    // Points (from the lower-left corner) inside and outside each glyph.
    struct Case {
        int type;
        std::vector<QPointF> inside;
        std::vector<QPointF> outside;
    };
    const Case cases[] = {
        {1, {{1.5, 8}, {7.5, 1.5}, {7.5, 14.5}}, {{8.5, 8}, {14.5, 8}}},
        {2, {{3.5, 8}, {9.5, 8}}, {{2.5, 8}, {10.5, 8}}},
        {3, {{8.5, 8}, {14.5, 14.5}}, {{7.5, 8}, {1.5, 8}}},
        {4, {{1.5, 1.5}, {14.5, 14.5}, {8, 8}}, {}},
        {5, {{3.5, 8}, {5.5, 8}}, {{2.5, 8}, {6.5, 8}}},
        {6, {{6.5, 8}, {8.5, 8}}, {{5.5, 8}, {9.5, 8}}},
        {7, {{8.5, 8}, {8.5, 14.5}}, {{7.5, 8}, {9.5, 8}}},
        {8, {{8, 8}, {8, 3.6}, {8, 12.4}}, {{3.5, 3.5}, {12.5, 12.5}, {8, 2}}},
        {9, {{8, 12}, {4, 3.5}, {12, 3.5}}, {{3.5, 12}, {12.5, 12}, {8, 2}}},
        {12, {}, {{8, 8}, {1.5, 1.5}, {14.5, 14.5}}},
        {0, {}, {{8, 8}}},
    };
    QImage sheet(16 * 2 * 11, 32, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    int column = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EMarker m;
        m.setColor(red);
        m.setMarkerType(c.type);
        const QImage icon = m.miniIcon();
        EXPECT_EQ(icon.width() / icon.devicePixelRatio(), 16);
        EXPECT_EQ(icon.height() / icon.devicePixelRatio(), 16);
        // The grey frame and the white box.
        for (QPointF frame : {QPointF(0.5, 0.5), QPointF(15.5, 8), QPointF(8, 15.5)})
            EXPECT_TRUE(colorNear(iconPoint(icon, frame.x(), frame.y()), grey));
        for (QPointF p : c.inside)
            EXPECT_TRUE(colorNear(iconPoint(icon, p.x(), p.y()), red, 30)) << p.x() << "," << p.y();
        for (QPointF p : c.outside)
            EXPECT_TRUE(colorNear(iconPoint(icon, p.x(), p.y()), white, 30))
                << p.x() << "," << p.y();
        QImage plain = icon;
        plain.setDevicePixelRatio(1);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) sheet.setPixel(column * 32 + x, y, plain.pixel(x, y));
        ++column;
    }
    testsupport::saveForInspection(sheet, QStringLiteral("marker-glyphs"));
}

TEST(EMarkerTest, ColourAndTypeChangesRedrawTheIcons) {
    EMarker m;
    const QImage icon = m.miniIcon(), box = m.checkboxImage();
    m.setMarkerType(4);
    EXPECT_NE(m.miniIcon(), icon);
    EXPECT_EQ(m.checkboxImage(), box);
    m.setColor(QColor(0, 200, 0));
    EXPECT_TRUE(colorNear(iconPoint(m.miniIcon(), 8, 8), QColor(0, 200, 0)));
    EXPECT_NE(m.checkboxImage(), box);
}

TEST(CheckboxTest, TintedBoxesShowColourAndState) {
    const QColor blue(30, 90, 220);
    const QImage on = ColorCheckbox::checkboxWithColorAndState(blue, true);
    const QImage again = ColorCheckbox::checkboxWithColorAndState(blue, true);
    const QImage off = ColorCheckbox::checkboxWithColorAndState(blue, false);
    EXPECT_EQ(on, again);  // equal pixels
    EXPECT_EQ(on.width() / on.devicePixelRatio(), 18);
    EXPECT_EQ(on.height() / on.devicePixelRatio(), 18);
    EXPECT_NE(on, off);

    // Outside the box everything is transparent; inside, the colour tints the
    // light face (blue stays the strongest channel) without hiding it.
    EXPECT_EQ(pixel(off, 1, 1).alpha(), 0);
    const QColor face = pixel(off, 18, 12);
    EXPECT_EQ(face.alpha(), 255);
    EXPECT_GT(face.blue(), face.red() + 40);
    EXPECT_GT(face.red(), 60);  // lighter than the pure colour
    // The check mark is dark in the checked box only.
    const QColor mark = pixel(on, 16, 24);
    EXPECT_LT(mark.red() + mark.green() + mark.blue(), 120);
    EXPECT_GT(pixel(off, 16, 24).blue(), 150);

    // Other colours, both states: the face takes the colour's strongest channel,
    // the surroundings stay clear, and only the checked box carries the mark.
    struct Tint {
        QColor color;
        int strongest;  // 0 red, 1 green, 2 blue
    };
    const Tint tints[] = {{QColor(220, 40, 40), 0},
                          {QColor(40, 180, 60), 1},
                          {QColor(60, 60, 230), 2},
                          {QColor(240, 150, 20), 0}};
    for (const Tint& t : tints) {
        for (bool state : {false, true}) {
            const QImage box = ColorCheckbox::checkboxWithColorAndState(t.color, state);
            SCOPED_TRACE(t.color.name().toStdString() + (state ? " checked" : " unchecked"));
            EXPECT_EQ(box.width() / box.devicePixelRatio(), 18);
            EXPECT_EQ(pixel(box, 1, 1).alpha(), 0);
            const QColor f = pixel(box, 18, 12);
            EXPECT_EQ(f.alpha(), 255);
            const int channels[] = {f.red(), f.green(), f.blue()};
            for (int c = 0; c < 3; ++c)
                if (c != t.strongest) EXPECT_GT(channels[t.strongest], channels[c]);
            const QColor m = pixel(box, 16, 24);
            if (state)
                EXPECT_LT(m.red() + m.green() + m.blue(), 120);
            else
                EXPECT_GT(m.red() + m.green() + m.blue(), 250);
        }
    }

    // Every colour in both states, side by side, for a look.
    QImage sheet(72, 36 * (1 + int(std::size(tints))), QImage::Format_ARGB32_Premultiplied);
    sheet.setDevicePixelRatio(off.devicePixelRatio());
    sheet.fill(Qt::white);
    {
        QPainter p(&sheet);
        p.drawImage(QPointF(0, 0), off);
        p.drawImage(QPointF(18, 0), on);
        int y = 18;
        for (const Tint& t : tints) {
            p.drawImage(QPointF(0, y), ColorCheckbox::checkboxWithColorAndState(t.color, false));
            p.drawImage(QPointF(18, y), ColorCheckbox::checkboxWithColorAndState(t.color, true));
            y += 18;
        }
    }
    testsupport::saveForInspection(sheet, QStringLiteral("checkboxes"));
}

TEST(CalendarGroupTest, MovingAnElementPutsItBeforeTheTargetElement) {
    struct Case {
        int from, to;
        QStringList expected;
    };
    const Case cases[] = {
        {0, 3, {"B", "C", "A", "D"}},  {3, 0, {"D", "A", "B", "C"}}, {1, 2, {"A", "B", "C", "D"}},
        {1, 1, {"A", "B", "C", "D"}},  {0, 4, {"B", "C", "D", "A"}}, {2, 9, {"A", "B", "C", "D"}},
        {-1, 2, {"A", "B", "C", "D"}},
    };
    for (const Case& c : cases) {
        CalendarGroup group(QStringLiteral("G"), CalendarGroup::kTypeLocal);
        for (const char* t : {"A", "B", "C", "D"}) group.addElement(calendar(t, t));
        group.moveObjectFromIndexToIndex(c.from, c.to);
        EXPECT_EQ(titles(group.elements()), c.expected) << c.from << "->" << c.to;
    }
    CalendarGroup group(QStringLiteral("G"), CalendarGroup::kTypeLocal);
    for (const char* t : {"A", "B", "C"}) group.addElement(calendar(t, t));
    group.exchangeObjectAtIndexWithObjectAtIndex(0, 2);
    EXPECT_EQ(titles(group.elements()), QStringList({"C", "B", "A"}));
}

TEST(CalendarGroupTest, DuplicateTitlesAreFoundBesideTheGivenElementOnly) {
    CalendarGroup group(QStringLiteral("LOCAL"), CalendarGroup::kTypeLocal);
    auto work = calendar("1", "Work"), home = calendar("2", "Home");
    group.addElement(work);
    group.addElement(home);
    EXPECT_FALSE(group.nameHasDuplicateAside(QStringLiteral("Work"), work));
    EXPECT_TRUE(group.nameHasDuplicateAside(QStringLiteral("Work"), home));
    EXPECT_FALSE(group.nameHasDuplicateAside(QStringLiteral("work"), home));
    EXPECT_TRUE(group.nameHasDuplicateAside(QStringLiteral("Home"), nullptr));

    CalendarGroup markers(QStringLiteral("MARKERS"), CalendarGroup::kTypeMarkers);
    auto holiday = marker("", "Holiday"), sick = marker("", "Sick");
    markers.addElement(holiday);
    markers.addElement(sick);
    EXPECT_TRUE(markers.nameHasDuplicateAside(QStringLiteral("Sick"), holiday));
    EXPECT_FALSE(markers.nameHasDuplicateAside(QStringLiteral("Sick"), sick));

    CalendarGroup other(QStringLiteral("X"), CalendarGroup::kTypeReminders);
    other.addElement(calendar("3", "Todo"));
    EXPECT_FALSE(other.nameHasDuplicateAside(QStringLiteral("Todo"), nullptr));
}

TEST(CalendarGroupTest, LookUpsAnswerOnlyForTheirKindOfGroup) {
    CalendarGroup local(QStringLiteral("LOCAL"), CalendarGroup::kTypeLocal);
    CalendarGroup reminders(QStringLiteral("REMINDERS"), CalendarGroup::kTypeReminders);
    CalendarGroup markers(QStringLiteral("MARKERS"), CalendarGroup::kTypeMarkers);
    auto holidays = calendar("h", "Holidays", Calendar::kTypeHoliday);
    auto marks = calendar("m", "Marks", Calendar::kTypeMarker);
    auto work = calendar("w", "Work");
    for (auto c : {holidays, marks, work}) local.addElement(c);
    reminders.addElement(calendar("r", "Todo"));
    auto sick = marker("", "Sick");
    markers.addElement(sick);

    EXPECT_EQ(local.calendarWithUID("w"), work);
    EXPECT_EQ(local.calendarWithName("Marks"), marks);
    EXPECT_EQ(local.calendarWithName("marks"), nullptr);
    EXPECT_EQ(local.firstCalendarInList(), work);
    EXPECT_EQ(local.indexOfICalendarWithUid("m"), 1);
    EXPECT_EQ(local.indexOfItem(work), 2);
    EXPECT_EQ(local.indexOfItem(sick), -1);
    EXPECT_EQ(local.markerWithName("Sick"), nullptr);
    EXPECT_EQ(local.elementNames(), QStringList({"Holidays", "Marks", "Work"}));
    const auto stores = local.allMarkerCalendars();
    ASSERT_TRUE(stores.has_value());
    EXPECT_EQ(*stores, (QMap<QString, QString>{{"m", "Marks"}}));

    EXPECT_EQ(reminders.calendarWithUID("r"), nullptr);
    EXPECT_EQ(reminders.calendarWithName("Todo"), nullptr);
    EXPECT_EQ(reminders.indexOfICalendarWithUid("r"), -1);
    EXPECT_TRUE(reminders.elementNames().isEmpty());
    EXPECT_FALSE(reminders.allMarkerCalendars().has_value());

    EXPECT_EQ(markers.markerWithName("Sick"), sick);
    EXPECT_EQ(markers.markerWithUID(sick->uID()), sick);
    EXPECT_EQ(markers.calendarWithUID("w"), nullptr);
    EXPECT_FALSE(markers.allMarkerCalendars().has_value());
    EXPECT_EQ(markers.elementNames(), QStringList({"Sick"}));

    CalendarGroup plain(QStringLiteral("Plain"), CalendarGroup::kTypeLocal);
    plain.addElement(work);
    ASSERT_TRUE(plain.allMarkerCalendars().has_value());
    EXPECT_TRUE(plain.allMarkerCalendars()->isEmpty());
    EXPECT_EQ(CalendarGroup(QStringLiteral("Empty"), 2).firstCalendarInList(), nullptr);
}

TEST(CalendarGroupTest, SortsRemovesAndUpdatesElements) {
    CalendarGroup group(QStringLiteral("G"), CalendarGroup::kTypeLocal);
    auto a = calendar("a", "A"), b = calendar("b", "B"), c = calendar("c", "C");
    a->setSequenceNumber(2);
    b->setSequenceNumber(0);
    c->setSequenceNumber(1);
    for (auto x : {a, b, c}) group.addElement(x);
    group.addElement(a);
    group.sort();
    EXPECT_EQ(titles(group.elements()), QStringList({"B", "C", "A", "A"}));
    group.removeElement(a);  // every occurrence
    EXPECT_EQ(titles(group.elements()), QStringList({"B", "C"}));
    group.removeICalendarWithUid("c");
    EXPECT_EQ(titles(group.elements()), QStringList({"B"}));

    group.updateICalendarWithUidWithData("b", storeCalendar("b", "Renamed"));
    EXPECT_EQ(b->title(), QStringLiteral("Renamed"));

    CalendarGroup unsorted(QStringLiteral("U"), CalendarGroup::kTypeNone);
    unsorted.addElement(a);
    unsorted.addElement(b);
    unsorted.sort();
    EXPECT_EQ(titles(unsorted.elements()), QStringList({"A", "Renamed"}));
}

TEST(CalendarGroupTest, NestedGroupsAreFoundByShortName) {
    CalendarGroup root(QStringLiteral("ROOT"));
    auto inner =
        std::make_shared<CalendarGroup>(QStringLiteral("INNER"), 2, QStringLiteral("Inner"));
    auto deep = std::make_shared<CalendarGroup>(QStringLiteral("DEEP"), 2);
    inner->addElement(deep);
    root.addElement(std::make_shared<OutlineViewSpacer>());
    root.addElement(inner);
    EXPECT_EQ(root.calendarGroupWithName("INNER"), inner);
    EXPECT_EQ(root.calendarGroupWithName("DEEP"), deep);
    EXPECT_EQ(root.calendarGroupWithName("Inner"), nullptr);
    EXPECT_EQ(inner->longName(), QStringLiteral("Inner"));
    EXPECT_EQ(root.type(), CalendarGroup::kTypeNone);
    EXPECT_EQ(root.longName(), QStringLiteral("ROOT"));
}

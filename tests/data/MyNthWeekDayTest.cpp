#include "data/MyNthWeekDay.h"

#include <gtest/gtest.h>

TEST(MyNthWeekDay, ArrayKeepsNilEmptyAndOrder) {
    EXPECT_FALSE(MyNthWeekDay::arrayWithObjects(std::nullopt).has_value());

    const auto empty = MyNthWeekDay::arrayWithObjects(QList<calstore::NthWeekDay>{});
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->isEmpty());

    const QList<calstore::NthWeekDay> entries{{3, 2}, {6, -1}, {1, 0}};
    const auto list = MyNthWeekDay::arrayWithObjects(entries);
    ASSERT_TRUE(list.has_value());
    ASSERT_EQ(list->size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list->at(i)->dayOfTheWeek(), entries[i].dayOfTheWeek);
        EXPECT_EQ(list->at(i)->weekNumber(), entries[i].weekNumber);
        EXPECT_EQ(list->at(i)->calObject(), entries[i]);
    }
}

TEST(MyNthWeekDay, BuildersAndSettersFillTheRightFields) {
    const auto secondTuesday = MyNthWeekDay::objWithNthAndWeekday(2, 3);
    EXPECT_EQ(secondTuesday->weekNumber(), 2);
    EXPECT_EQ(secondTuesday->dayOfTheWeek(), 3);

    const auto entry = MyNthWeekDay::objWithCalObject({6, -1});  // last Friday
    entry->setDayOfWeek(2);
    entry->setWeekNumber(1);
    EXPECT_EQ(entry->calObject(), (calstore::NthWeekDay{2, 1}));
}

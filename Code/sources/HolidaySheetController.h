#pragma once

#include "platform/kit/SegmentedControl.h"
#include "sources/EntryListSheet.h"

#include <QMap>
#include <QString>

#include <memory>

// The holiday list sheet: the holidays of one holiday store year by year, with
// the holidays of the year before that a year lacks suggested in grey
// (carry-over holidays, written only once their date is set). Every year
// visited keeps its edits until OK writes them all as holiday entry events
// (single all-day events) and tells the year pages. There is one controller
// (sharedWinController). Main thread only.
class HolidaySheetController final : public EntryListSheet {
    Q_OBJECT

public:
    static inline const QString kNameColumn = QStringLiteral("holiday");

    static HolidaySheetController* sharedWinController();
    // Drops the controller; the next sharedWinController makes a new one (tests).
    static void resetSharedWinController();

    HolidaySheetController();
    ~HolidaySheetController() override;

    // Opens the sheet on the window at the year of the shown page and starts
    // loading that year.
    void openSheetForCalendarOnWindowFromWithCurrentYView(
        const CalendarPtr& calendar, kit::Window* window,
        const std::shared_ptr<CalendarSources>& sources, const YearPages& pages);

    // YES when a row of the shown year has exactly this title.
    bool haveHoliday(const QString& title) const;

    Q_INVOKABLE void changeYear(QObject* sender = nullptr);
    Q_INVOKABLE void newHoliday(QObject* sender = nullptr);
    Q_INVOKABLE void removeHolidays(QObject* sender = nullptr);
    Q_INVOKABLE void okPressed(QObject* sender = nullptr);

    int currentYear() const { return currentYear_; }
    kit::SegmentedControl* yearChooser() const { return gui_yearChooser; }
    // The rows and removals of the years left since the sheet opened.
    const QMap<int, QList<BirthdayPtr>>& allHolidays() const { return allHolidays_; }
    const QMap<int, QList<BirthdayPtr>>& allHolidaysToDelete() const {
        return allHolidaysToDelete_;
    }

protected:
    kit::Window* loadWindow() override;
    QString nameColumn() const override { return kNameColumn; }
    int entryYear() const override { return currentYear_; }
    QString dateTextOfRow(const Birthday& row) const override;
    bool isGreyRow(const Birthday& row) const override { return row.isFromPrevYear(); }
    void refreshCounter() override;
    BirthdayPtr makeNewRow() const override;
    bool takeTypedDate(Birthday& row, const MyDate& date) override;
    calstore::Span removalSpanFor(const calstore::EventPtr& event) const override;
    QList<YearViewTargetPtr> pagesShowing(const MyDate& date) const override;
    QString kindOfEntry() const override { return QStringLiteral("holiday"); }

private:
    void startLoadingHolidays();
    void finishLoadingHolidays();
    // A suggestion for the shown year from a holiday of the year before,
    // unless the shown year has one of that title.
    void suggest(const QString& title, double dateInYearBefore);

    QPointer<kit::SegmentedControl> gui_yearChooser;
    int currentYear_ = 0;
    QMap<int, QList<BirthdayPtr>> allHolidays_;
    QMap<int, QList<BirthdayPtr>> allHolidaysToDelete_;
};

#pragma once

#include "sources/EntryListSheet.h"

#include <QString>

#include <memory>

// The birthday list sheet: the birthdays of one birthday store as rows of day
// and name, added, renamed, re-dated and removed in the sheet and written back
// on OK as birthday entry events (all-day, yearly without end, starting in the
// current year); the year pages of the main window follow at once. The
// platform's own birthday calendar is only shown. There is one controller
// (sharedWinController). Main thread only.
class BirthdaySheetController final : public EntryListSheet {
    Q_OBJECT

public:
    static inline const QString kNameColumn = QStringLiteral("who");

    static BirthdaySheetController* sharedWinController();
    // Drops the controller; the next sharedWinController makes a new one (tests).
    static void resetSharedWinController();

    BirthdaySheetController();
    ~BirthdaySheetController() override;

    // Opens the sheet on the window and starts loading the calendar's
    // birthdays of the current year.
    void openSheetForCalendarOnWindowFromWithCurrentYView(
        const CalendarPtr& calendar, kit::Window* window,
        const std::shared_ptr<CalendarSources>& sources, const YearPages& pages);
    // Selects the first row of that name once loading has finished (at once
    // when it has).
    void selectLineWithTitle(const QString& title);

    Q_INVOKABLE void newBirthday(QObject* sender = nullptr);
    Q_INVOKABLE void removeBirthdays(QObject* sender = nullptr);
    Q_INVOKABLE void okPressed(QObject* sender = nullptr);

    // The birthday entry event of a row: all-day on its day, yearly without end.
    calstore::EventPtr entryEventForRow(const Birthday& row) const override;

    bool isBuiltinBirthdaysCalendar() const { return builtin_; }
    QString lineToSelect() const { return lineToSelect_; }

protected:
    kit::Window* loadWindow() override;
    QString nameColumn() const override { return kNameColumn; }
    int entryYear() const override;
    bool isReadOnly() const override { return builtin_; }
    QString dateTextOfRow(const Birthday& row) const override;
    void refreshCounter() override;
    BirthdayPtr makeNewRow() const override;
    QList<YearViewTargetPtr> pagesShowing(const MyDate& date) const override;
    QString kindOfEntry() const override { return QStringLiteral("birthday"); }

private:
    void startLoadingBirthdays();
    void finishLoadingBirthdays();

    bool builtin_ = false;
    QString lineToSelect_;
};

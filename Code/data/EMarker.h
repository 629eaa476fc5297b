#pragma once

#include "data/SourceListItem.h"
#include "platform/foundation/Threads.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <atomic>
#include <memory>

// One kind of day marker, defined by the user: its identifier, title,
// description, colour, glyph (marker type 1 to 9), the marker store that holds
// its marks, and the span of dates it has been applied to. Its definition is
// kept in the "AppPref Markers" settings; its marks are marker events in the
// store, whose location is "Zolt:" followed by the identifier.
//
// Shared by the views and the jobs; every member may be read on any thread
// while another changes it (the marking jobs widen the applied span while a
// configuration save reads it).
class EMarker final : public SourceListItem {
public:
    EMarker();                             // a new marker with a new identifier
    explicit EMarker(const QString& uid);  // initWithUID: keeps a saved identifier
    static QString createUID();            // 32 characters of "0123456789ABCDEF"

    bool isNew() const { return isNew_; }
    bool isSelected() const { return selectState_; }
    QString uID() const;
    QString title() const;
    QColor color() const;
    // The marker store's identifier; null when none was ever given, empty when
    // the marker has none.
    QString calendarUID() const;
    QString notes() const;  // the description
    int markerType() const { return markerType_; }
    QImage miniIcon() const;
    QImage checkboxImage() const;
    // The error badge while the marker has no marker store or carries an error
    // text; else null.
    QImage markerTypeImage() const;
    QString errorMessage() const;
    double earliestMarkerApplied() const;  // seconds since 1970
    double latestMarkerApplied() const;
    int sequenceNumber() const { return sequenceNumber_; }
    // By sequence number, ascending: -1, 0 or 1.
    int compare(const EMarker& other) const;

    void setNotNew() { isNew_ = false; }
    void setSelected(bool selected);
    void setTitle(const QString& title);
    void setNotes(const QString& notes);
    void setColor(const QColor& color);
    void setMarkerType(int type);
    // None or the empty text also gives the marker the "no calendar" error text.
    void setCalendarUID(const QString& uid);
    void setSequenceNumber(int number) { sequenceNumber_ = number; }
    void setErrorMsg(const QString& message);  // the empty text clears it
    // Widens the applied span to include the date (seconds since 1970).
    void appliedToDate(double secondsSince1970);

    void createMiniIcon();
    void createCheckboxImage();

    // The drawing order inside a day cell, set by the cell before it sorts marks.
    int sortLevel() const { return sortLevel_; }
    void setSortLevel(int level) { sortLevel_ = level; }

    // The 16 x 16 icon of a marker: its glyph in the colour inside a white box
    // with a grey frame. Types outside 1 to 9 show the empty box.
    static QImage miniIconForTypeAndColor(int markerType, const QColor& color);

private:
    mutable foundation::Lock lock_;
    std::atomic<bool> isNew_{true};
    std::atomic<bool> selectState_{true};
    QString uID_;
    QString title_;
    QString description_;
    QColor color_ = QColor(Qt::blue);
    QString calendarUID_;
    std::atomic<int> markerType_{1};
    std::atomic<int> sequenceNumber_{999};
    std::atomic<int> sortLevel_{0};
    QImage miniIcon_;
    QImage checkboxImg;
    QString errorMessage_;
    double earliestApplied = 0.0;
    double latestApplied = 0.0;
};

using EMarkerPtr = std::shared_ptr<EMarker>;

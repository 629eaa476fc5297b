#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace foundation {

// Writes one line to the program's log (standard error), exactly as given.
// Every part of the system logs through here so tests can capture the lines.
void log(const QString& line);

// Captures every log line written while it exists (on any thread), in order.
// Lines still go to standard error unless `quiet` is set. Captures may nest.
class LogCapture final {
public:
    explicit LogCapture(bool quiet = true);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& fragment) const;  // any line containing it
    int count(const QString& fragment) const;      // lines containing it
    void clear();

    struct Impl;  // shared with the log writer

private:
    Impl* d;
};

}  // namespace foundation

#pragma once
// The time-of-day texts of the Start Time and End Time cells.

#include <QLocale>
#include <QString>
#include <QTime>

// The locale's short time format with seconds (added after the minutes when
// the format has none) followed by milliseconds: "HH:mm" gives "HH:mm:ss.zzz",
// "h:mm AP" gives "h:mm:ss.zzz AP".
QString TimeOfDayFormat(const QLocale& locale);

// `time` in the format above for `locale`.
QString TimeOfDayText(const QTime& time, const QLocale& locale);

// Thread-safe: the current time of day in the system locale's format.
QString CurrentTimeOfDayText();

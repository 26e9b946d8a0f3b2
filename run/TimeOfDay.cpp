#include "TimeOfDay.h"

namespace {

// Position just after the last run of `letter` outside quoted literal text, or -1.
qsizetype EndOfField(const QString& format, QChar letter) {
    qsizetype end = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && format[i] == letter)
            end = i + 1;
    }
    return end;
}

} // namespace

QString TimeOfDayFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    qsizetype secondsEnd = EndOfField(format, QLatin1Char('s'));
    if (secondsEnd < 0) {
        const qsizetype minutesEnd = EndOfField(format, QLatin1Char('m'));
        if (minutesEnd < 0)
            return QStringLiteral("HH:mm:ss.zzz");
        // Seconds follow the minutes with the separator the locale puts before the minutes.
        qsizetype minutesStart = minutesEnd - 1;
        while (minutesStart > 0 && format[minutesStart - 1] == QLatin1Char('m'))
            --minutesStart;
        const QChar before = minutesStart > 0 ? format[minutesStart - 1] : QLatin1Char(':');
        const QString separator = before.isLetter() ? QStringLiteral(":") : QString(before);
        format.insert(minutesEnd, separator + QLatin1String("ss"));
        secondsEnd = minutesEnd + separator.size() + 2;
    }
    format.insert(secondsEnd, QLatin1String(".zzz"));
    return format;
}

QString TimeOfDayText(const QTime& time, const QLocale& locale) {
    return locale.toString(time, TimeOfDayFormat(locale));
}

QString CurrentTimeOfDayText() {
    static const QLocale locale = QLocale::system();
    static const QString format = TimeOfDayFormat(locale);
    return locale.toString(QTime::currentTime(), format);
}

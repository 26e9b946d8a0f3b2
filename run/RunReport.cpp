#include "RunReport.h"

#include "Phrases.h"
#include "SystemLog.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace {

QString CsvField(const QString& text) {
    static const QString special = QStringLiteral(",\"\r\n");
    const bool quote =
        std::any_of(text.begin(), text.end(), [](QChar c) { return special.contains(c); });
    if (!quote)
        return text;
    QString escaped = text;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString CsvLine(const QStringList& fields) {
    QStringList escaped;
    for (const QString& field : fields)
        escaped << CsvField(field);
    return escaped.join(QLatin1Char(',')) + QLatin1String("\r\n");
}

} // namespace

QString DefaultReportFolder() {
    return QFileInfo(DefaultLogFolder()).path() + QLatin1String("/Reports");
}

QStringList ResultHeaders() {
    return {Phrase(PhraseId::HeaderTestName),  Phrase(PhraseId::HeaderTestParameter),
            Phrase(PhraseId::HeaderStartTime), Phrase(PhraseId::HeaderEndTime),
            Phrase(PhraseId::HeaderResult),    Phrase(PhraseId::HeaderRemarks)};
}

QByteArray ResultCsv(const QStringList& headers, const std::vector<ResultCells::Row>& rows) {
    QString text = CsvLine(headers);
    for (const ResultCells::Row& row : rows)
        text += CsvLine(QStringList(row.begin(), row.end()));
    return text.toUtf8();
}

bool WriteResultCsv(const QString& path, const QStringList& headers,
                    const std::vector<ResultCells::Row>& rows, QString* error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(ResultCsv(headers, rows));
        if (file.commit())
            return true;
    }
    *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return false;
}

QString ReportPath(const QString& folder, const QString& configFile, const QDateTime& when) {
    QString name = QFileInfo(configFile).completeBaseName();
    if (name.isEmpty())
        name = QStringLiteral("untitled");
    const QString stem = QStringLiteral("%1/%2-%3")
                             .arg(folder, name, when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString path = stem + QLatin1String(".csv");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QStringLiteral("%1-%2.csv").arg(stem).arg(n);
    return path;
}

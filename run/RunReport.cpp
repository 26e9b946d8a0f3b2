#include "RunReport.h"

#include "Phrases.h"
#include "SafeFile.h"
#include "SystemLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

QByteArray ResultCsv(const QStringList& headers, const std::vector<ResultCells::Row>& rows,
                     const std::vector<std::optional<Verdict>>& verdicts) {
    QString text = CsvLine(headers + QStringList{QStringLiteral("Verdict")});
    for (size_t r = 0; r < rows.size(); ++r) {
        const std::optional<Verdict> verdict = r < verdicts.size() ? verdicts[r] : std::nullopt;
        text += CsvLine(QStringList(rows[r].begin(), rows[r].end())
                        << (verdict ? verdict->word() : QString()));
    }
    return text.toUtf8();
}

bool WriteResultCsv(const QString& path, const QStringList& headers,
                    const std::vector<ResultCells::Row>& rows,
                    const std::vector<std::optional<Verdict>>& verdicts, QString* error) {
    const QByteArray bytes = ResultCsv(headers, rows, verdicts);
    const std::string failure =
        WriteFileSafely(QFile::encodeName(path).toStdString(),
                        std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    *error = QFile::decodeName(QByteArray::fromStdString(failure));
    return failure.empty();
}

QString WriteNewResultCsv(const QString& path, const QStringList& headers,
                          const std::vector<ResultCells::Row>& rows,
                          const std::vector<std::optional<Verdict>>& verdicts, QString* error) {
    const QByteArray bytes = ResultCsv(headers, rows, verdicts);
    SafeFileWriter file(QFile::encodeName(path).toStdString());
    file.write(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (const std::optional<std::string> written = file.commitAsNew())
        return QFile::decodeName(QByteArray::fromStdString(*written));
    *error = QFile::decodeName(QByteArray::fromStdString(file.error()));
    return {};
}

QString RunSummaryText(const VerdictCounts& counts) {
    QString text = Phrase(PhraseId::RunSummary)
                       .arg(counts.items)
                       .arg(counts.passed)
                       .arg(counts.failed)
                       .arg(counts.notCompared);
    if (counts.notFinished > 0)
        text += Phrase(PhraseId::RunSummaryNotFinished).arg(counts.notFinished);
    return text;
}

QString ReportPath(const QString& folder, const QString& configFile, const QDateTime& when) {
    QString name = QFileInfo(configFile).completeBaseName();
    if (name.isEmpty())
        name = QStringLiteral("untitled");
    return QStringLiteral("%1/%2-%3.csv")
        .arg(folder, name, when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

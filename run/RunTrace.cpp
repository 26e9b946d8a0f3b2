#include "RunTrace.h"

#include "SystemLog.h"
#include "TraceFile.h"
#include "ZarvoCodes.h"
#include "ZarvoTrace.h"

#include <QFile>
#include <QFileInfo>

namespace {

std::string Native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString FromNative(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace

bool RunTrace::start(uint8_t port, const QString& path) {
    discard();
    // A killed run left its trace under a hidden name beside this one.
    const QFileInfo target(path);
    RecoverIncompleteTraces(target.absolutePath(), QLatin1Char('.') + target.suffix());
    file_ = std::make_shared<SafeFileWriter>(Native(path));
    if (file_->failed()) {
        SystemLog(QStringLiteral("Run trace Error! %1").arg(FromNative(file_->error())));
        file_.reset();
        return false;
    }
    const int32_t result = Zarvo_StartTrace(
        port, std::make_unique<TraceFileSink>(file_, makeTraceLineFormat(Native(path))));
    if (result != kZarvoOk) {
        // Another driver than Kestrel's own cannot trace: no trace, no fault.
        if (result != kZarvoCannotTrace)
            SystemLog(QStringLiteral("Run trace Error! Port %1 cannot be traced (%2)")
                          .arg(port)
                          .arg(result));
        file_.reset();
        return false;
    }
    port_ = port;
    return true;
}

bool RunTrace::endTrace() {
    if (!port_)
        return false;
    Zarvo_StopTrace(*port_); // the sink has flushed its last line when this returns
    port_.reset();
    return true;
}

QString RunTrace::stop(const QString& note, const QString& newName) {
    if (!endTrace())
        return {};
    const std::shared_ptr<SafeFileWriter> file = std::move(file_);
    if (!note.isEmpty())
        file->write(makeTraceLineFormat(file->target())->comment(note.toStdString()) + "\n");
    const std::optional<std::string> written =
        newName.isEmpty() ? (file->commit() ? std::optional(file->target()) : std::nullopt)
                          : file->commitAsNew(Native(newName));
    if (written)
        return FromNative(*written);
    SystemLog(QStringLiteral("Run trace Error! %1").arg(FromNative(file->error())));
    return {};
}

void RunTrace::discard() {
    endTrace();
    if (file_)
        file_->discard();
    file_.reset();
}

QString TracePathFor(const QString& reportPath, const QString& tracePath) {
    const QFileInfo info(reportPath);
    const bool asc =
        traceFormatOf(QFile::encodeName(tracePath).toStdString()) == TraceFileFormat::Asc;
    return info.path() + QLatin1Char('/') + info.completeBaseName() +
           QLatin1String(asc ? ".asc" : ".log");
}

QString CopyToNewFile(const QString& from, const QString& to, QString* error) {
    QFile source(from);
    SafeFileWriter file(Native(to));
    if (!source.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(from, source.errorString());
        return {};
    }
    while (!source.atEnd() && !file.failed()) {
        const QByteArray chunk = source.read(1 << 16);
        file.write(std::string_view(chunk.constData(), static_cast<size_t>(chunk.size())));
    }
    if (const std::optional<std::string> written = file.commitAsNew())
        return FromNative(*written);
    *error = FromNative(file.error());
    return {};
}

void RecoverIncompleteTraces(const QString& folder, const QString& extension) {
    for (const std::string& path : RecoverAbandonedFiles(Native(folder), Native(extension)))
        SystemLog(QStringLiteral("Run trace of a run that ended without finishing it: %1")
                      .arg(FromNative(path)));
}

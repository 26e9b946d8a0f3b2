#include "DbcFile.h"

#include "IniFile.h"
#include "Phrases.h"
#include "UserDialogs.h"

#include <QFileInfo>

namespace dbc {

Database loadDbcFile(const QString& path) {
    return parseDbc(ReadIniText(path).toStdString(), path.toStdString());
}

std::optional<ChosenDatabase> chooseDbcFile(UserDialogs& dialogs, const QString& current) {
    const QString path =
        dialogs.openFile(Phrase(PhraseId::ChooseDatabase), QFileInfo(current).path(),
                         QStringLiteral("DBC (*.dbc);;* (*)"));
    if (path.isEmpty())
        return std::nullopt;
    try {
        return ChosenDatabase{path, std::make_shared<const Database>(loadDbcFile(path))};
    } catch (const std::exception& e) { // DbcError or IniFileError, both naming the file
        dialogs.error(QString::fromUtf8(e.what()));
        return std::nullopt;
    }
}

} // namespace dbc

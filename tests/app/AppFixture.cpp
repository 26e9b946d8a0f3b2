#include "AppFixture.h"

#include "Globals.h"
#include "Phrases.h"
#include "ResultCells.h"
#include "SystemLog.h"

#include <QDate>
#include <QFile>
#include <QTextStream>

AppFixture::AppFixture() {
    Global_CustomerCMD = type_CustomerCMD{};
    CurrentConfigFile.clear();
    ZarvoPort = 0;
    ZarvoBaudRate = 250000;
    SetLanguage(0);
    Global_ResultCells().setRowCount(1);
    Global_ResultCells().takeChangedRows();
}

AppFixture::~AppFixture() {
    CurrentConfigFile.clear();
}

std::unique_ptr<TForm_MainKestrel> AppFixture::makeMainWindow() {
    return std::make_unique<TForm_MainKestrel>(dialogs, programDir.path(), logDir.path(),
                                               driver.binding());
}

QString AppFixture::programPath(const QString& name) const {
    return programDir.filePath(name);
}

QString AppFixture::writeConfig(const QString& name, int items, const QString& extraKey) {
    const QString path = programPath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QTextStream out(&file);
    for (int i = 0; i < items; ++i) {
        out << QStringLiteral("[%1..Item %1..Param %1]\n").arg(i);
        out << QStringLiteral("Description1=Item %1\nDescription2=Param %1\n").arg(i);
        out << QStringLiteral("TxCANID=%1\n").arg(0x100 + i, 8, 16, QLatin1Char('0'));
        if (i == items - 1 && !extraKey.isEmpty())
            out << extraKey << '\n';
    }
    return path;
}

void AppFixture::touch(const QString& name) {
    QFile file(programPath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
}

QString AppFixture::logText() const {
    QFile file(LogFilePath(logDir.path(), QDate::currentDate()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

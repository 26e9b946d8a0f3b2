#include "QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// One translator for the program's life, reloaded for each language.
QTranslator& QtTranslator() {
    static auto* translator = new QTranslator(QCoreApplication::instance());
    return *translator;
}

} // namespace

bool UseQtTranslations(int language) {
    QTranslator& translator = QtTranslator();
    QCoreApplication::removeTranslator(&translator);
    const char* const files[] = {nullptr, "qtbase_zh_CN", "qtbase_zh_TW"};
    if (language < 1 || language > 2)
        return true;
    if (!translator.load(QLatin1String(files[language]),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    QCoreApplication::installTranslator(&translator);
    return true;
}

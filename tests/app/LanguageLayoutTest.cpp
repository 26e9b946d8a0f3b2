// The windows in the three languages: the main window keeps its size, and no
// label is cut off.

#include "About.h"
#include "AddNewItem.h"
#include "AppFixture.h"
#include "Dialog_singletxcan.h"
#include "KestrelWindows.h"
#include "TestItems.h"
#include "ViewTrend.h"
#include "ZarvoConfig.h"

#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>

namespace {

// The labels of `window` that show less than their whole text, as
// "name: shown width < needed width", with every page of its tabs in front in turn.
QStringList cutLabels(QWidget* window) {
    QStringList cut;
    QList<QTabWidget*> tabs = window->findChildren<QTabWidget*>();
    const int pages = tabs.isEmpty() ? 1 : tabs.first()->count();
    for (int page = 0; page < pages; ++page) {
        if (!tabs.isEmpty())
            tabs.first()->setCurrentIndex(page);
        QApplication::processEvents();
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(window) || label->text().isEmpty() || label->wordWrap())
                continue;
            if (label->sizeHint().width() > label->width())
                cut << QStringLiteral("%1 \"%2\": %3 < %4")
                           .arg(label->objectName(), label->text())
                           .arg(label->width())
                           .arg(label->sizeHint().width());
        }
    }
    return cut;
}

// The cut labels of `window` as it opens: modally for a dialog, as the
// commands open them.
QStringList cutLabelsWhenOpen(QWidget* window) {
    QStringList cut;
    auto* dialog = qobject_cast<QDialog*>(window);
    if (!dialog) {
        window->show();
        cut = cutLabels(window);
        window->hide();
        return cut;
    }
    QTimer::singleShot(0, dialog, [&cut, dialog] {
        cut = cutLabels(dialog);
        dialog->done(QDialog::Rejected);
    });
    dialog->exec();
    return cut;
}

class LanguageLayoutTest : public AppFixture {
protected:
    LanguageLayoutTest() : windows(dialogs, programDir.path(), logDir.path(), driver.binding()) {}
    KestrelWindows windows;
};

TEST_F(LanguageLayoutTest, TheMainWindowKeepsItsSizeAndNoLabelIsCutOff) {
    Form_MainKestrel->show();
    QApplication::processEvents();
    const QSize english = Form_MainKestrel->size();
    QWidget* const others[] = {Form_AddNewItem, Form_ViewTrend, Form_SingleTxCAN, Form_About};
    const char* const okTexts[] = {"OK", "确定", "確定"};
    for (int language : {1, 2, 0}) {
        Form_MainKestrel->Lang_EngClick(language);
        QApplication::processEvents();
        // Qt's own texts (the message boxes' standard buttons) follow the choice.
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"),
                  QString::fromUtf8(okTexts[language]));
        EXPECT_EQ(Form_MainKestrel->size(), english) << language;
        EXPECT_EQ(cutLabels(Form_MainKestrel).join(QStringLiteral("; ")).toStdString(), "")
            << language;
        // Each window takes the language's phrases when it opens.
        for (QWidget* window : others)
            EXPECT_EQ(cutLabelsWhenOpen(window).join(QStringLiteral("; ")).toStdString(), "")
                << window->objectName().toStdString() << " " << language;
    }
}

} // namespace

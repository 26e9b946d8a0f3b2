// The real message boxes: modal, on top, captioned, and OK/Cancel answered as
// the commands expect.

#include "QtTranslations.h"
#include "QtUserDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>
#include <tuple>

namespace {

struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool onTop = false;
    bool modal = false;
    QStringList okCancel; // the texts of OK and Cancel where the box has them
};

// Answers the next message box with `button` once it is open, noting how it looked.
void answerNextBox(QMessageBox::StandardButton button, SeenBox& seen) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, button, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {box->windowTitle(), box->text(),
                box->icon(),        box->windowFlags().testFlag(Qt::WindowStaysOnTopHint),
                box->isModal(),     {}};
        for (const QMessageBox::StandardButton shown : {QMessageBox::Ok, QMessageBox::Cancel})
            if (box->button(shown))
                seen.okCancel << box->button(shown)->text().remove(QLatin1Char('&'));
        box->button(button)->click();
        poll->deleteLater();
    });
    poll->start(10);
}

} // namespace

TEST(QtUserDialogsTest, ConfirmationGoesAheadOnAnythingButCancel) {
    QtUserDialogs dialogs;
    for (const auto& [button, expected] :
         {std::pair{QMessageBox::Ok, true}, std::pair{QMessageBox::Cancel, false}}) {
        SeenBox seen;
        answerNextBox(button, seen);
        EXPECT_EQ(dialogs.confirm(QStringLiteral("Kestrel System"), QStringLiteral("Overwrite?")),
                  expected);
        EXPECT_EQ(seen.caption, QStringLiteral("Kestrel System"));
        EXPECT_EQ(seen.text, QStringLiteral("Overwrite?"));
        EXPECT_EQ(seen.icon, QMessageBox::Question);
        EXPECT_TRUE(seen.onTop);
        EXPECT_TRUE(seen.modal);
    }
}

TEST(QtUserDialogsTest, BoxesCarryTheirIcons) {
    QtUserDialogs dialogs;
    const std::pair<void (QtUserDialogs::*)(const QString&, const QString&), QMessageBox::Icon>
        cases[] = {{&QtUserDialogs::inform, QMessageBox::Information},
                   {&QtUserDialogs::warn, QMessageBox::Warning},
                   {&QtUserDialogs::error, QMessageBox::Critical}};
    for (const auto& [show, icon] : cases) {
        SeenBox seen;
        answerNextBox(QMessageBox::Ok, seen);
        (dialogs.*show)(QStringLiteral("Kestrel"), QStringLiteral("text"));
        EXPECT_EQ(seen.icon, icon);
        EXPECT_EQ(seen.caption, QStringLiteral("Kestrel"));
    }
}

TEST(QtUserDialogsTest, StandardButtonsSpeakTheInterfaceLanguage) {
    QtUserDialogs dialogs;
    const std::tuple<int, QString, QString> languages[] = {
        {1, QStringLiteral("确定"), QStringLiteral("取消")},
        {2, QStringLiteral("確定"), QStringLiteral("取消")},
        {0, QStringLiteral("OK"), QStringLiteral("Cancel")}};
    for (const auto& [language, ok, cancel] : languages) {
        ASSERT_TRUE(UseQtTranslations(language)) << language;
        SeenBox seen;
        answerNextBox(QMessageBox::Cancel, seen);
        dialogs.confirm(QStringLiteral("Kestrel"), QStringLiteral("Go on?"));
        EXPECT_EQ(seen.okCancel, QStringList({ok, cancel})) << language;
    }
}

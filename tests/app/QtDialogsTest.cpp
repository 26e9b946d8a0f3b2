// The real message boxes: modal, on top, captioned, and OK/Cancel answered as
// the commands expect.

#include "QtUserDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool onTop = false;
    bool modal = false;
};

// Answers the next message box with `button` once it is open, noting how it looked.
void answerNextBox(QMessageBox::StandardButton button, SeenBox& seen) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, button, &seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {box->windowTitle(), box->text(), box->icon(),
                box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), box->isModal()};
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
        EXPECT_EQ(seen.icon, QMessageBox::Warning);
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

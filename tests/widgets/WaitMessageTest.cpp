// The wait message shown while a file is written, headless.

#include "WaitMessage.h"

#include "Phrases.h"

#include <QLabel>
#include <QWindow>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

TEST(WaitMessageTest, ShownWhileTheWriterRunsAndHiddenAfterwards) {
    SetLanguage(2);
    TForm_WaitMessage wait;
    Form_WaitMessage = &wait;
    const auto* label = wait.findChild<QLabel*>(QStringLiteral("TntLabel_Message"));
    bool shownDuringWrite = false;
    // On screen, not just marked visible: the writer blocks the event loop.
    RunWithWaitMessage(
        [&] { shownDuringWrite = wait.isVisible() && wait.windowHandle()->isExposed(); });
    EXPECT_TRUE(shownDuringWrite);
    EXPECT_FALSE(wait.isVisible());
    EXPECT_EQ(label->text(), Phrase(PhraseId::PleaseWait));
    EXPECT_EQ(wait.size(), QSize(300, 100));
    EXPECT_EQ(label->pos(), QPoint(15, 20));
    EXPECT_TRUE(wait.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(wait.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

    EXPECT_THROW(RunWithWaitMessage([] { throw std::runtime_error("disk full"); }),
                 std::runtime_error);
    EXPECT_FALSE(wait.isVisible());
    Form_WaitMessage = nullptr;
    SetLanguage(0);
}

TEST(WaitMessageTest, Sizing) {
    TForm_WaitMessage wait;
    wait.setSize(420, 130);
    EXPECT_EQ(wait.size(), QSize(420, 130));
    EXPECT_EQ(wait.findChild<QWidget*>(QStringLiteral("Image_Panel"))->size(), QSize(420, 130));
    EXPECT_EQ(wait.findChild<QLabel*>(QStringLiteral("TntLabel_Message"))->pos(), QPoint(21, 26));
}

} // namespace

// The About window: the driver text, the picture cycle and the links.

#include "About.h"

#include "AppFixture.h"
#include "KestrelWindows.h"
#include "Phrases.h"

#include <QDesktopServices>
#include <QLabel>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

namespace {

// Receives the addresses that the About window hands to the desktop.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

QString visiblePicture(const TForm_About& about) {
    QString shown;
    for (int i = 1; i <= 7; ++i) {
        const auto* picture = about.findChild<QWidget*>(QStringLiteral("Image%1").arg(i));
        if (picture->isVisibleTo(&about))
            shown += picture->objectName();
    }
    return shown;
}

} // namespace

class AboutTest : public AppFixture {};

TEST_F(AboutTest, AboutShowsTheDriverTextOnceHoweverOftenItOpens) {
    driver.setDriverInfo("Kestrel test driver 1.2, 3 ports");
    KestrelWindows windows(dialogs, programDir.path(), logDir.path(), driver.binding());
    Form_MainKestrel->Menu_AboutClick();
    Form_MainKestrel->Menu_AboutClick();
    EXPECT_TRUE(Form_About->isVisible());
    EXPECT_FALSE(Form_About->isModal());
    EXPECT_EQ(Form_About->findChild<QTextEdit*>(QStringLiteral("Memo_About"))->toPlainText(),
              QStringLiteral("Kestrel test driver 1.2, 3 ports"));
}

TEST_F(AboutTest, PicturesChangeEveryFiveSecondsInTheirCycle) {
    TForm_About about;
    const auto* timer = about.findChild<QTimer*>(QStringLiteral("Timer1"));
    EXPECT_TRUE(timer->isActive()); // running from creation, not from opening
    EXPECT_EQ(timer->interval(), 5000);
    EXPECT_EQ(visiblePicture(about), QStringLiteral("Image1"));
    QStringList seen;
    for (int tick = 0; tick < 8; ++tick) {
        about.Timer1Timer();
        seen << visiblePicture(about);
    }
    EXPECT_EQ(seen.join(QLatin1Char(' ')),
              QStringLiteral("Image3 Image1 Image4 Image2 Image5 Image7 Image6 Image3"));
    const auto* shown = about.findChild<QWidget*>(QStringLiteral("Image3"));
    EXPECT_EQ(shown->x(), (about.width() - shown->width()) / 2);
    EXPECT_EQ(shown->y(), 10);
}

TEST_F(AboutTest, PicturesAndLabelsOpenTheirAddresses) {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "open");
    TForm_About about;
    about.show();
    auto* picture = about.findChild<QWidget*>(QStringLiteral("Image1"));
    QTest::mouseClick(picture, Qt::LeftButton, {}, picture->rect().center());
    emit about.findChild<QLabel*>(QStringLiteral("Label_EMail"))
        ->linkActivated(QStringLiteral("mailto:support@kestrel.example.org"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));

    ASSERT_EQ(recorder.opened.size(), 2);
    EXPECT_EQ(recorder.opened[0].path(), QStringLiteral("/products/can-usb"));
    EXPECT_EQ(recorder.opened[1].scheme(), QStringLiteral("mailto"));
    EXPECT_TRUE(about.findChild<QLabel*>(QStringLiteral("Label_EMail"))
                    ->text()
                    .contains(QStringLiteral("E-Mail ( support@kestrel.example.org )")));
}

#include "AboutTest.moc"

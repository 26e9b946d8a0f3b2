#include "WaitMessage.h"

#include "Phrases.h"
#include "SvgPicture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QWindow>

TForm_WaitMessage* Form_WaitMessage = nullptr;

namespace {

constexpr int kPlateWidth = 300;
constexpr int kPlateHeight = 100;
// How long to let the window system put the message on screen (ms).
constexpr int kExposeWait = 200;

// Hides the wait message when the write is over, however it ended.
struct HideWhenDone {
    TForm_WaitMessage* window;
    ~HideWhenDone() { window->hide(); }
};

// Shows `window` and has it painted on screen before the caller blocks the UI
// thread: the window system draws a new window only once it has exposed it,
// which takes a pass of the event loop (user input stays queued meanwhile).
void showAtOnce(QWidget* window) {
    window->show();
    QElapsedTimer waited;
    waited.start();
    do
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    while (!window->windowHandle()->isExposed() && waited.elapsed() < kExposeWait);
    window->repaint();
}

} // namespace

TForm_WaitMessage::TForm_WaitMessage(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Image_Panel(new SvgPicture(QStringLiteral(":/images/wait-plate.svg"), this)),
      TntLabel_Message(new QLabel(this)) {
    setObjectName(QStringLiteral("Form_WaitMessage"));
    // Only the plate is drawn; the rest of the window is see-through, so the
    // window takes the plate's rounded shape.
    setAttribute(Qt::WA_TranslucentBackground);
    Image_Panel->setObjectName(QStringLiteral("Image_Panel"));
    TntLabel_Message->setObjectName(QStringLiteral("TntLabel_Message"));
    TntLabel_Message->setAlignment(Qt::AlignCenter);
    TntLabel_Message->setAttribute(Qt::WA_TranslucentBackground);
    QFont font = TntLabel_Message->font();
    font.setPixelSize(16);
    font.setBold(true);
    TntLabel_Message->setFont(font);
    TntLabel_Message->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255);"));
    setSize(kPlateWidth, kPlateHeight);
}

void TForm_WaitMessage::setSize(int width, int height) {
    setFixedSize(width, height);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Image_Panel->setGeometry(0, 0, width, height);
    const int left = width / 20;
    const int top = height / 5;
    TntLabel_Message->setGeometry(left, top, width - 2 * left, height - 2 * top);
}

void TForm_WaitMessage::setMessage(const QString& text) {
    TntLabel_Message->setText(text);
}

void RunWithWaitMessage(const std::function<void()>& writer) {
    if (!Form_WaitMessage) {
        writer();
        return;
    }
    Form_WaitMessage->setSize(kPlateWidth, kPlateHeight);
    Form_WaitMessage->setMessage(Phrase(PhraseId::PleaseWait));
    showAtOnce(Form_WaitMessage);
    const HideWhenDone hide{Form_WaitMessage};
    writer();
}

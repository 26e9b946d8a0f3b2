#include "About.h"

#include "SvgPicture.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>

TForm_About* Form_About = nullptr;

namespace {

constexpr QSize kClientSize{642, 528};
constexpr int kPictureTop = 10;
constexpr int kPictureInterval = 5000; // ms

const QString kWebsite = QStringLiteral("https://kestrel.example.org");
const QString kSupportMail = QStringLiteral("support@kestrel.example.org");

// The products of the seven pictures, Image1 to Image7: picture file and web page.
struct Product {
    const char* picture;
    const char* page;
};
constexpr std::array<Product, 7> kProducts{{
    {"product-usb", "/products/can-usb"},
    {"product-serial", "/products/can-serial"},
    {"product-ethernet", "/products/can-ethernet"},
    {"product-pci", "/products/can-pci"},
    {"product-dual", "/products/can-dual"},
    {"product-logger", "/products/can-logger"},
    {"product-repeater", "/products/can-repeater"},
}};

// The order in which the pictures follow each other (0-based: Image3, Image1, ...).
constexpr std::array<int, 7> kCycle{2, 0, 3, 1, 4, 6, 5};

QLabel* linkLabel(const QString& name, const QString& text, const QString& url, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setText(QStringLiteral("<a href=\"%1\" style=\"color: rgb(0, 0, 255);\">%2</a>")
                       .arg(url, text.toHtmlEscaped()));
    label->setStyleSheet(QStringLiteral("QLabel { background-color: white; font-weight: bold; }"));
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    label->setCursor(Qt::PointingHandCursor);
    label->adjustSize();
    return label;
}

} // namespace

TForm_About::TForm_About(QWidget* parent)
    : QDialog(parent),
      Image_Background(new SvgPicture(QStringLiteral(":/images/about-background.svg"), this)),
      Label_VisitWebsite(linkLabel(QStringLiteral("Label_VisitWebsite"),
                                   QStringLiteral("Website ( %1 )").arg(kWebsite), kWebsite, this)),
      Label_EMail(linkLabel(QStringLiteral("Label_EMail"),
                            QStringLiteral("E-Mail ( %1 )").arg(kSupportMail),
                            QStringLiteral("mailto:") + kSupportMail, this)),
      Memo_About(new QTextEdit(this)), Timer1(new QTimer(this)) {
    setObjectName(QStringLiteral("Form_About"));
    setWindowTitle(QStringLiteral("About Kestrel"));
    setFixedSize(kClientSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    Image_Background->setObjectName(QStringLiteral("Image_Background"));
    Image_Background->setGeometry(rect());
    for (int i = 0; i < kPictureCount; ++i) {
        const Product& product = kProducts[static_cast<std::size_t>(i)];
        auto* picture = new SvgPicture(
            QStringLiteral(":/images/%1.svg").arg(QLatin1String(product.picture)), this);
        picture->setObjectName(QStringLiteral("Image%1").arg(i + 1));
        picture->setCursor(Qt::PointingHandCursor);
        const QString page = kWebsite + QLatin1String(product.page);
        connect(picture, &SvgPicture::clicked, this, [page] { openLink(page); });
        pictures_[static_cast<std::size_t>(i)] = picture;
    }
    // All pictures start centred for the width of Image1; Image1 is shown.
    const int left = (width() - pictures_[0]->width()) / 2;
    for (SvgPicture* picture : pictures_) {
        picture->move(left, kPictureTop);
        picture->setVisible(picture == pictures_[0]);
    }

    Label_VisitWebsite->move((width() - Label_VisitWebsite->width()) / 2, 262);
    Label_EMail->move((width() - Label_EMail->width()) / 2, 290);
    connect(Label_VisitWebsite, &QLabel::linkActivated, this, &TForm_About::openLink);
    connect(Label_EMail, &QLabel::linkActivated, this, &TForm_About::openLink);

    Memo_About->setObjectName(QStringLiteral("Memo_About"));
    Memo_About->setReadOnly(true);
    Memo_About->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont memoFont = Memo_About->font();
    memoFont.setBold(true);
    Memo_About->setFont(memoFont);
    Memo_About->setGeometry(40, 322, width() - 80, height() - 322 - 20);

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kPictureInterval);
    connect(Timer1, &QTimer::timeout, this, &TForm_About::Timer1Timer);
    Timer1->start();
}

void TForm_About::setDriverInfo(const QString& info) {
    Memo_About->clear();
    Memo_About->append(info);
    Memo_About->selectAll();
    Memo_About->setAlignment(Qt::AlignCenter);
    Memo_About->moveCursor(QTextCursor::Start);
}

void TForm_About::Timer1Timer() {
    for (SvgPicture* picture : pictures_)
        picture->hide();
    SvgPicture* next =
        pictures_[static_cast<std::size_t>(kCycle[static_cast<std::size_t>(cycleStep_)])];
    cycleStep_ = (cycleStep_ + 1) % kPictureCount;
    placePicture(next);
    next->show();
}

void TForm_About::placePicture(SvgPicture* picture) {
    picture->move((width() - picture->width()) / 2, kPictureTop);
}

void TForm_About::openLink(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}

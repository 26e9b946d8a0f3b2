#pragma once
// The About window: product pictures that change every 5 s, links to the
// maker's web site and support e-mail, and the driver's information text.

#include <QDialog>
#include <array>

class QLabel;
class QTextEdit;
class QTimer;
class SvgPicture;

class TForm_About : public QDialog {
    Q_OBJECT
public:
    explicit TForm_About(QWidget* parent = nullptr);

    // Replaces the text box's contents with `info` as one line.
    void setDriverInfo(const QString& info);

public slots:
    // Shows the next product picture of the cycle.
    void Timer1Timer();

private:
    static constexpr int kPictureCount = 7;
    void placePicture(SvgPicture* picture);
    static void openLink(const QString& url);

    SvgPicture* Image_Background;
    std::array<SvgPicture*, kPictureCount> pictures_{}; // Image1 ... Image7
    QLabel* Label_VisitWebsite;
    QLabel* Label_EMail;
    QTextEdit* Memo_About;
    QTimer* Timer1;
    int cycleStep_ = 0;
};

// The single instance, while the program's windows exist.
extern TForm_About* Form_About;

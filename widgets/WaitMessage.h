#pragma once
// The wait message: a borderless plate with one line of text that stays on
// top while Kestrel writes a settings file. UI thread only.

#include <QWidget>
#include <functional>

class QLabel;
class SvgPicture;

class TForm_WaitMessage : public QWidget {
    Q_OBJECT
public:
    explicit TForm_WaitMessage(QWidget* parent = nullptr);

    // The window becomes width x height, centred on the screen; the plate takes
    // the same size and the message sits at (width / 20, height / 5).
    void setSize(int width, int height);
    void setMessage(const QString& text);

private:
    SvgPicture* Image_Panel;
    QLabel* TntLabel_Message;
};

// The single instance, while the program's windows exist.
extern TForm_WaitMessage* Form_WaitMessage;

// Runs `writer` with the wait message "Processing.... Please wait!!" shown and
// painted, and hides it again afterwards, also when the writer throws. Without
// a wait window (tests of other windows) it just runs the writer.
void RunWithWaitMessage(const std::function<void()>& writer);

#pragma once
// The real message boxes and file dialogs: modal, on top of every window,
// parented to the window that is active when they open.

#include "UserDialogs.h"

#include <QMessageBox>

class QtUserDialogs : public UserDialogs {
public:
    void inform(const QString& caption, const QString& text) override;
    void warn(const QString& caption, const QString& text) override;
    void error(const QString& caption, const QString& text) override;
    bool confirm(const QString& caption, const QString& text) override;
    QString openFile(const QString& caption, const QString& directory,
                     const QString& filter) override;
    // Never asks about overwriting: the commands ask themselves, in their own words.
    QString saveFile(const QString& caption, const QString& directory,
                     const QString& filter) override;

private:
    static QMessageBox::StandardButton show(QMessageBox::Icon icon, const QString& caption,
                                            const QString& text,
                                            QMessageBox::StandardButtons buttons);
};

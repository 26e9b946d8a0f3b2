#pragma once
// Message boxes and file dialogs, behind one small interface so that every
// command, confirmations included, can be driven by a scripted implementation
// in headless tests. The real implementation (QMessageBox / QFileDialog) lives
// in the widgets layer; windows take a UserDialogs& from their creator.

#include <QString>

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // Modal boxes captioned `caption`, staying on top.
    virtual void inform(const QString& caption, const QString& text) = 0;
    virtual void warn(const QString& caption, const QString& text) = 0;
    virtual void error(const QString& caption, const QString& text) = 0;
    // OK / Cancel; true unless the user chose Cancel.
    virtual bool confirm(const QString& caption, const QString& text) = 0;

    // The same boxes captioned with the application's name in the current language.
    void inform(const QString& text);
    void warn(const QString& text);
    void error(const QString& text);
    bool confirm(const QString& text);

    // File dialogs: the chosen path, or an empty text when cancelled.
    virtual QString openFile(const QString& caption, const QString& directory,
                             const QString& filter) = 0;
    virtual QString saveFile(const QString& caption, const QString& directory,
                             const QString& filter) = 0;
};

#include "QtUserDialogs.h"

#include <QApplication>
#include <QFileDialog>

QMessageBox::StandardButton QtUserDialogs::show(QMessageBox::Icon icon, const QString& caption,
                                                const QString& text,
                                                QMessageBox::StandardButtons buttons) {
    QMessageBox box(icon, caption, text, buttons, QApplication::activeWindow());
    // Modality first: setting it rebuilds the window flags.
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

void QtUserDialogs::inform(const QString& caption, const QString& text) {
    show(QMessageBox::Information, caption, text, QMessageBox::Ok);
}

void QtUserDialogs::warn(const QString& caption, const QString& text) {
    show(QMessageBox::Warning, caption, text, QMessageBox::Ok);
}

void QtUserDialogs::error(const QString& caption, const QString& text) {
    show(QMessageBox::Critical, caption, text, QMessageBox::Ok);
}

bool QtUserDialogs::confirm(const QString& caption, const QString& text) {
    return show(QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel) !=
           QMessageBox::Cancel;
}

QString QtUserDialogs::openFile(const QString& caption, const QString& directory,
                                const QString& filter) {
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, directory, filter);
}

QString QtUserDialogs::saveFile(const QString& caption, const QString& directory,
                                const QString& filter) {
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, directory, filter,
                                        nullptr, QFileDialog::DontConfirmOverwrite);
}

// The Kestrel program: creates the windows and runs until the main window closes.

#include "KestrelWindows.h"
#include "MainKestrel.h"
#include "QtUserDialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace {

// The toolkit's standard error box, for an error that ends the program.
void showFatal(const QString& message) {
    QMessageBox::critical(nullptr, QApplication::applicationName(), message);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/kestrel.svg")));
    // The main window alone decides when the program ends, whatever other
    // windows are still open.
    QApplication::setQuitOnLastWindowClosed(false);
    QtUserDialogs dialogs;
    try {
        KestrelWindows windows(dialogs);
        QObject::connect(Form_MainKestrel, &TForm_MainKestrel::closed, &app,
                         &QCoreApplication::quit);
        Form_MainKestrel->show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        showFatal(QString::fromUtf8(e.what()));
    } catch (...) {
        showFatal(QString());
    }
    return 1;
}

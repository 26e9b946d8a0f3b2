// The Kestrel program.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrel"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Kestrel"));
    window.show();
    return QApplication::exec();
}

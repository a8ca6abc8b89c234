// The yardstick for the desktop comparison: the least a Qt Widgets program
// can be, one window with one label, started the same way as Kvapoměr.

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("00:00:00"));
    label.setWindowTitle(QStringLiteral("bare"));
    label.resize(312, 154);
    label.show();
    return QApplication::exec();
}

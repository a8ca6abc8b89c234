// The yardstick for the desktop comparison: the least a Qt Widgets program
// can be, one window with one label, started the same way as Kvapoměr.
// With --tick the label shows the time, rewritten once a second just after
// the second begins: the least a Qt clock costs while it runs.

#include <QApplication>
#include <QLabel>
#include <QTime>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("00:00:00"));
    label.setWindowTitle(QStringLiteral("bare"));
    label.resize(312, 154);
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setSingleShot(true);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const QTime now = QTime::currentTime();
        label.setText(now.toString(QStringLiteral("HH:mm:ss")));
        tick.start(1015 - now.msec());
    });
    if (QCoreApplication::arguments().contains(QStringLiteral("--tick"))) {
        tick.start(0);
    }
    label.show();
    return QApplication::exec();
}

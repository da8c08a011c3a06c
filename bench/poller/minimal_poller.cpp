// The least Qt program that polls the meter as leakmeter does: the greeting byte 05 once,
// then the live request 23 every 500 ms, each three-byte reply read and dropped. It is the
// yardstick for what leakmeter itself costs per reading (bench/reading-cost.sh).
//
//   minimal_poller DEVICE

#include <QCoreApplication>
#include <QSerialPort>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: minimal_poller DEVICE\n");
        return 2;
    }
    QSerialPort port(QString::fromLocal8Bit(argv[1]));
    port.setBaudRate(9600);
    if (!port.open(QIODevice::ReadWrite)) {
        std::fprintf(stderr, "minimal_poller: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    QByteArray reply;
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        reply += port.readAll();
        if (reply.size() >= 3) reply.clear();
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { port.write("\x23", 1); });
    port.write("\x05", 1);
    poll.start(500);
    return app.exec();
}

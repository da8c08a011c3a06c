// The link's fuzz scripts in the ordinary suite: every script that ever broke a rule of the
// link's fuzz target (tests/fuzz/regressions/link) and its seeds (tests/fuzz/corpus/link),
// played on the virtual clock as the target plays them. Each must leave a link that gives a
// correct meter's live reading and report within their deadlines, having written commands only.
#include <QCoreApplication>
#include <QDir>
#include <QtTest>

#include "../fuzz/linkscript.h"
#include "../fuzz/virtualclock.h"

namespace {
VirtualClock* clock_ = nullptr;
}

class TestLinkScripts : public QObject {
    Q_OBJECT
  private slots:
    void scriptLeavesTheLinkHearing_data();
    void scriptLeavesTheLinkHearing();
};

void TestLinkScripts::scriptLeavesTheLinkHearing_data() {
    QTest::addColumn<QString>("path");
    for (const char* folder : {"regressions/link", "corpus/link"}) {
        const QDir dir(QStringLiteral(LEAKMETER_FUZZ_DIR "/") + QLatin1String(folder));
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        QVERIFY2(!names.isEmpty(), qPrintable(dir.path()));
        for (const QString& name : names)
            QTest::addRow("%s/%s", folder, qPrintable(name)) << dir.filePath(name);
    }
}

void TestLinkScripts::scriptLeavesTheLinkHearing() {
    QFETCH(QString, path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray script = f.readAll();
    const QString failure = playLinkScript(
        *clock_, reinterpret_cast<const uint8_t*>(script.constData()), size_t(script.size()));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

int main(int argc, char** argv) {
    // The link's timers run on the virtual clock, as in the fuzz target.
    clock_ = new VirtualClock;
    QCoreApplication::setEventDispatcher(clock_);
    QCoreApplication app(argc, argv);
    TestLinkScripts test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_linkscripts.moc"

// The operating-system seams on the system they were built for (Linux, or Windows under Wine):
// a data log's path that no longer names the open file, a whole file replaced in one step,
// and the alarm command's group ended with everything it started.

#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

#include "../underwine.h"
#include "platform/commandprocess.h"
#include "platform/durablefile.h"

namespace {

bool WriteText(const QString& path, const QByteArray& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

QByteArray ReadText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A command whose background part outlives it, so only ending the group ends that part.
QString CommandLeavingChild() {
#ifdef Q_OS_WIN
    return QStringLiteral("start /b cmd /c \"for /l %i in (1,0,2) do @rem\" & echo started");
#else
    return QStringLiteral("sleep 60 & echo started");
#endif
}

}  // namespace

class TestPlatformSeams : public QObject {
    Q_OBJECT
  private slots:
    void pathLeftFile_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("left");
        QTest::newRow("unchanged") << "none" << false;
        QTest::newRow("renamed away") << "rename" << true;
        QTest::newRow("deleted") << "delete" << true;
        QTest::newRow("rotated: a new file of the same name") << "rotate" << true;
    }
    void pathLeftFile() {
        QFETCH(QString, change);
        QFETCH(bool, left);
        // Wine keeps a deleted file's name until the last handle to it closes, and tells no
        // handle of the deletion; Windows 10 and later remove the name at once.
        if (change == "delete" && underWine())
            QSKIP("Wine does not show a deletion to the handles still open");
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        const int fd = platform::openForAppend(path);
        QVERIFY(fd >= 0);
        QCOMPARE(platform::writeSome(fd, "row\n", 4), qint64(4));
        platform::OpenFileState state;
        QVERIFY(platform::stateOfOpenFile(fd, &state));
        QVERIFY(state.plain);
        QCOMPARE(state.size, qint64(4));
        QVERIFY(platform::syncToDisk(fd, state.plain));
        if (change == "rename" || change == "rotate")
            QVERIFY(QFile::rename(path, dir.filePath("log.csv.1")));
        if (change == "delete") QVERIFY(QFile::remove(path));
        if (change == "rotate") QVERIFY(WriteText(path, "header\n"));
        const bool seen = platform::pathLeftFile(path, fd);
        QCOMPARE(platform::closeFile(fd), 0);
        QCOMPARE(seen, left);
    }

    void replaceFile_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("reason");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("over an existing file") << true << "." << 0 << QByteArray("new");
        QTest::newRow("a new file") << false << "." << 0 << QByteArray("new");
        QTest::newRow("no such folder") << false << "gone" << ENOENT << QByteArray("<missing>");
    }
    void replaceFile() {
        QFETCH(bool, exists);
        QFETCH(QString, folder);
        QFETCH(int, reason);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString target = QDir(dir.filePath(folder)).filePath("report.txt");
        if (exists) QVERIFY(WriteText(target, "old old old"));
        QCOMPARE(platform::replaceFile(target, "new"), reason);
        QCOMPARE(ReadText(target), after);
        // Nothing but the target is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 after == "new" ? 1 : 0);
    }

    void groupEndsWithEverythingItStarted() {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        platform::startCommand(&process, CommandLeavingChild());
        const qint64 id = process.processId();
        QVERIFY(id > 0);
        QVERIFY(process.waitForFinished(10000));
        QVERIFY(process.readAll().contains("started"));
        // The command has returned; what it started in the background still runs in its group.
        QVERIFY(platform::liveGroups().contains(id));
        platform::forceGroupToEnd(id);
        QTRY_VERIFY(!platform::liveGroups().contains(id));
    }
};

QTEST_GUILESS_MAIN(TestPlatformSeams)
#include "tst_platformseams.moc"

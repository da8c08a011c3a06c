#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "../tmpfs.h"
#include "measure/reportfile.h"

using namespace measure;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool WriteRaw(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace

class TestReportFile : public QObject {
    Q_OBJECT
  private slots:
    // The file holds exactly the text's UTF-8 bytes: no BOM, line breaks as given, nothing added.
    void writesExactBytes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("existing");  // a longer file is there before
        QTest::newRow("empty") << QString() << QByteArray() << false;
        QTest::newRow("empty over existing") << QString() << QByteArray() << true;
        QTest::newRow("Chinese and CR LF")
            << QStringLiteral("  组 数\r\n001  AC 1.23 mA")
            << QByteArray("  \xE7\xBB\x84 \xE6\x95\xB0\r\n001  AC 1.23 mA") << false;
        QTest::newRow("line breaks kept as they are")
            << QStringLiteral("a\r\nb\nc\r\n") << QByteArray("a\r\nb\nc\r\n") << true;
    }
    void writesExactBytes() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, existing);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("Zentravolix.txt"));
        if (existing) QVERIFY(WriteRaw(path, QByteArray(5000, 'x')));
        QString error = QStringLiteral("stale");
        QVERIFY(writeReportFile(path, text, &error));
        QVERIFY(error.isEmpty());
        QCOMPARE(ReadAll(path), bytes);
        // Nothing else is left beside the file.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("Zentravolix.txt")});
    }

    void reportsFailure_data() {
        QTest::addColumn<QString>("relativePath");
        QTest::newRow("missing folder") << "missing/report.txt";
        QTest::newRow("parent is a file") << "plain.txt/report.txt";
        QTest::newRow("target is a folder") << "folder";
    }
    void reportsFailure() {
        QFETCH(QString, relativePath);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(WriteRaw(dir.filePath(QStringLiteral("plain.txt")), "keep"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        QString error;
        QVERIFY(!writeReportFile(dir.filePath(relativePath), QStringLiteral("text"), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadAll(dir.filePath(QStringLiteral("plain.txt"))), QByteArray("keep"));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
        QVERIFY(!writeReportFile(dir.filePath(relativePath), QStringLiteral("text")));  // no error
    }

    // A disk that fills up part-way: the old file stays whole, no temporary file is left, and
    // the reason is the system's. Sizes below, at and far above the space left.
    void fullDiskKeepsTheOldFile_data() {
        QTest::addColumn<int>("bytes");
        QTest::newRow("a page more than is free") << 12 * 1024;
        QTest::newRow("far more than is free") << 256 * 1024;
    }
    void fullDiskKeepsTheOldFile() {
        QFETCH(int, bytes);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SmallTmpfs disk;
        if (!disk.mount(dir.path(), 16 * 1024)) QSKIP(qPrintable(disk.errorString()));
        const QString path = dir.filePath(QStringLiteral("groups.txt"));
        const QByteArray old(6 * 1024, 'o');
        QVERIFY(WriteRaw(path, old));
        QString error;
        QVERIFY(!writeFileAtomically(path, QByteArray(bytes, 'n'), &error));
        QVERIFY2(error.contains(QStringLiteral("No space left on device")), qPrintable(error));
        QVERIFY(error.contains(path));
        QCOMPARE(ReadAll(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("groups.txt")});
    }

    // An existing report in a folder that cannot be written to stays whole.
    void keepsExistingFileOnFailure() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("report.txt"));
        QVERIFY(WriteRaw(path, "old report"));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        const bool folderLocked = !WriteRaw(dir.filePath(QStringLiteral("probe")), "p");
        QString error;
        const bool written = folderLocked && writeReportFile(path, QStringLiteral("new"), &error);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!folderLocked) QSKIP("permissions are not enforced for this user (root)");
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadAll(path), QByteArray("old report"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("report.txt")});
    }
};

QTEST_GUILESS_MAIN(TestReportFile)
#include "tst_reportfile.moc"

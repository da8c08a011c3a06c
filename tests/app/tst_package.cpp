// The program as a desktop installation: the desktop entry and the AppStream metadata
// pass their validators, and the Debian package holds the program, its desktop files
// and icons, and depends on Debian's Qt 6 runtime packages.

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString output;  // stdout and stderr together
};

Run RunTool(const QString& program, const QStringList& args, int timeoutMs = 120000) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(10000)) return {-1, program + QStringLiteral(" did not start")};
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return {-1, program + QStringLiteral(" did not finish")};
    }
    r.output = QString::fromLocal8Bit(p.readAll());
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

const QString kDesktopDir = QStringLiteral(LEAKMETER_DESKTOP_DIR);
const QString kAppStreamFile = QStringLiteral("io.github.leakmeter.leakmeter.metainfo.xml");
const int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

}  // namespace

class TstPackage : public QObject {
    Q_OBJECT
  private slots:
    void validators_data();
    void validators();
    void debianPackage();
};

void TstPackage::validators_data() {
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("args");
    QTest::newRow("desktop entry")
        << "desktop-file-validate" << QStringList{kDesktopDir + "/leakmeter.desktop"};
    QTest::newRow("AppStream metadata")
        << "appstreamcli"
        << QStringList{"validate", "--no-net", "--pedantic", kDesktopDir + "/" + kAppStreamFile};
}

void TstPackage::validators() {
    QFETCH(QString, tool);
    QFETCH(QStringList, args);
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty()) QSKIP(qPrintable(tool + " is not installed (scripts/install-deps.sh)"));
    const Run r = RunTool(path, args);
    QVERIFY2(r.exitCode == 0, qPrintable(r.output));
}

void TstPackage::debianPackage() {
#ifdef LEAKMETER_SANITIZED_BUILD
    QSKIP("the package is built from the plain build, not the sanitizer build");
#endif
    for (const char* tool : {"cpack", "dpkg-deb", "dpkg-shlibdeps"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps.sh)")
                                 .arg(QLatin1String(tool))));
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const Run pack = RunTool(
        QStringLiteral(LEAKMETER_CPACK),
        {"-G", "DEB", "--config", QStringLiteral(LEAKMETER_CPACK_CONFIG), "-B", work.path()},
        240000);
    QVERIFY2(pack.exitCode == 0, qPrintable(pack.output));
    const QStringList debs = QDir(work.path()).entryList({"*.deb"}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    const QString deb = work.filePath(debs.first());

    // Control fields: dependencies found from the shared libraries the program uses.
    const Run fields = RunTool(
        QStringLiteral("dpkg-deb"),
        {"-f", deb, "Package", "Version", "Section", "Maintainer", "Depends", "Description"});
    QCOMPARE(fields.exitCode, 0);
    QVERIFY2(fields.output.contains("Package: leakmeter\n"), qPrintable(fields.output));
    QVERIFY2(fields.output.contains(QStringLiteral("Version: %1\n").arg(LEAKMETER_VERSION)),
             qPrintable(fields.output));
    QVERIFY2(fields.output.contains("Section: electronics\n"), qPrintable(fields.output));
    QVERIFY2(fields.output.contains(QRegularExpression("Maintainer: .+ <.+@.+>\n")),
             qPrintable(fields.output));
    QVERIFY2(fields.output.contains("Description: monitor and logger"), qPrintable(fields.output));
    const QRegularExpression depends(QStringLiteral("^Depends: (.*)$"),
                                     QRegularExpression::MultilineOption);
    const QString dependsLine = depends.match(fields.output).captured(1);
    for (const char* package : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6serialport6",
                                "libqt6printsupport6", "qt6-qpa-plugins"})
        QVERIFY2(dependsLine.contains(QLatin1String(package)),
                 qPrintable(package + QStringLiteral(" missing in: ") + dependsLine));
    QVERIFY2(dependsLine.contains("libc6 (>="), qPrintable(dependsLine));  // versions from symbols

    // The files, where a desktop finds them.
    const QString root = work.filePath("root");
    const Run unpack = RunTool(QStringLiteral("dpkg"), {"-x", deb, root});
    QVERIFY2(unpack.exitCode == 0, qPrintable(unpack.output));
    QStringList expected = {"usr/bin/leakmeter", "usr/share/applications/leakmeter.desktop",
                            "usr/share/metainfo/" + kAppStreamFile,
                            "usr/share/icons/hicolor/scalable/apps/leakmeter.svg"};
    for (int size : kIconSizes)
        expected << QStringLiteral("usr/share/icons/hicolor/%1x%1/apps/leakmeter.png").arg(size);
    for (const QString& file : expected)
        QVERIFY2(QFileInfo(root + "/" + file).isFile(),
                 qPrintable(file + " is not in the package"));
    QVERIFY(QFileInfo(root + "/usr/bin/leakmeter").isExecutable());

    // The packaged program runs on its own, without a display.
    const Run version = RunTool(root + "/usr/bin/leakmeter", {"--version"});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.output, QStringLiteral("leakmeter %1\n").arg(LEAKMETER_VERSION));
}

QTEST_GUILESS_MAIN(TstPackage)
#include "tst_package.moc"

// The program as a desktop installation: the desktop entry and the AppStream metadata
// pass their validators, the manual pages name every option the programs know, and the
// Debian package holds the programs, their manual pages, desktop files and icons, depends
// on Debian's Qt 6 runtime packages and passes lintian without an error or a warning.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

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
const QString kDocDir = QStringLiteral(LEAKMETER_DOC_DIR);
const QString kAppStreamFile = QStringLiteral("io.github.leakmeter.leakmeter.metainfo.xml");
const QString kUnitDir = QStringLiteral("usr/lib/systemd/system");
const int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The first of the tools that is not installed, or an empty string.
QString MissingTool(std::initializer_list<const char*> tools) {
    for (const char* tool : tools)
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QString::fromLatin1(tool);
    return {};
}

}  // namespace

class TstPackage : public QObject {
    Q_OBJECT
  private slots:
    void validators_data();
    void validators();
    void manPages_data();
    void manPages();
    void debianPackage();
    void lintian();
    void loggerUnitVerifies();

  private:
    // The .deb cpack builds from this build folder, built once for every test that needs
    // it; empty when cpack failed, with its output in packOutput_.
    QString debianPackageFile();
    QTemporaryDir work_;
    std::optional<QString> deb_;
    QString packOutput_;
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

// Every option a program's --help names is in its manual page, so a new option cannot
// be added without its documentation.
void TstPackage::manPages_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("page");
    QTest::newRow("leakmeter") << LEAKMETER_PATH << kDocDir + "/leakmeter.1";
    QTest::newRow("leakmeter-sim") << LEAKMETER_SIM_PATH << kDocDir + "/leakmeter-sim.1";
}

void TstPackage::manPages() {
    QFETCH(QString, program);
    QFETCH(QString, page);
    const Run help = RunTool(program, {"--help"});
    QCOMPARE(help.exitCode, 0);
    // The help is read in a terminal of 80 columns.
    for (const QString& line : help.output.split(QLatin1Char('\n')))
        QVERIFY2(line.size() <= 80, qPrintable(line));
    QFile source(page);
    QVERIFY2(source.open(QIODevice::ReadOnly), qPrintable(page));
    // The page as read: "\-" is a hyphen, font changes (\fB, \fR ...) are dropped.
    const QString text = QString::fromUtf8(source.readAll())
                             .replace(QLatin1String("\\-"), QLatin1String("-"))
                             .remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
    // An option starts a word: "--port", "[--com", "-h,", "|--version".
    static const QRegularExpression option(QStringLiteral("(?:^|[\\s\\[|])(--?[a-z][a-z-]*)"));
    QStringList options;
    for (const QRegularExpressionMatch& m : option.globalMatch(help.output))
        if (!options.contains(m.captured(1))) options << m.captured(1);
    QVERIFY2(options.size() >= 5, qPrintable(help.output));
    for (const QString& name : options) {
        const QRegularExpression word(
            QStringLiteral("(?<![\\w-])%1(?![\\w-])").arg(QRegularExpression::escape(name)));
        QVERIFY2(text.contains(word), qPrintable(name + " is not in " + page));
    }
    // The page sets without a troff warning (such as a line it cannot adjust).
    const QString groff = QStandardPaths::findExecutable(QStringLiteral("groff"));
    if (groff.isEmpty()) QSKIP("groff is not installed");
    const Run set = RunTool(groff, {"-man", "-Tutf8", "-ww", "-z", page});
    QVERIFY2(set.exitCode == 0 && set.output.isEmpty(), qPrintable(set.output));
}

QString TstPackage::debianPackageFile() {
    if (!deb_) {
        deb_ = QString();
        packOutput_ = QStringLiteral("no temporary folder for the package");
        if (!work_.isValid()) return *deb_;
        const Run pack = RunTool(
            QStringLiteral(LEAKMETER_CPACK),
            {"-G", "DEB", "--config", QStringLiteral(LEAKMETER_CPACK_CONFIG), "-B", work_.path()},
            240000);
        const QStringList debs = QDir(work_.path()).entryList({"*.deb"}, QDir::Files);
        packOutput_ = pack.output;
        if (pack.exitCode == 0 && debs.size() == 1) deb_ = work_.filePath(debs.first());
    }
    return *deb_;
}

void TstPackage::debianPackage() {
#ifdef LEAKMETER_SANITIZED_BUILD
    QSKIP("the package is built from the plain build, not the sanitizer build");
#endif
    const QString missing = MissingTool({"cpack", "dpkg-deb", "dpkg-shlibdeps"});
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing + " is not installed (scripts/install-deps.sh)"));
    const QString deb = debianPackageFile();
    QVERIFY2(!deb.isEmpty(), qPrintable(packOutput_));

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
                                "libqt6printsupport6", "qt6-qpa-plugins", "libmosquitto1"})
        QVERIFY2(dependsLine.contains(QLatin1String(package)),
                 qPrintable(package + QStringLiteral(" missing in: ") + dependsLine));
    QVERIFY2(dependsLine.contains("libc6 (>="), qPrintable(dependsLine));  // versions from symbols

    // The files, where a desktop finds them.
    const QString root = work_.filePath("root");
    const Run unpack = RunTool(QStringLiteral("dpkg"), {"-x", deb, root});
    QVERIFY2(unpack.exitCode == 0, qPrintable(unpack.output));
    QStringList expected = {"usr/bin/leakmeter",
                            "usr/share/applications/leakmeter.desktop",
                            "usr/share/metainfo/" + kAppStreamFile,
                            "usr/share/icons/hicolor/scalable/apps/leakmeter.svg",
                            "usr/share/man/man1/leakmeter.1.gz",
                            "usr/share/man/man1/leakmeter-sim.1.gz",
                            "usr/share/doc/leakmeter/copyright",
                            "usr/share/doc/leakmeter/changelog.gz",
                            "usr/share/doc/leakmeter/examples/logger.conf",
                            kUnitDir + "/leakmeter-logger@.service"};
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

// lintian, at its default severity, has nothing to say against the package.
void TstPackage::lintian() {
#ifdef LEAKMETER_SANITIZED_BUILD
    QSKIP("the package is built from the plain build, not the sanitizer build");
#endif
    const QString missing = MissingTool({"lintian", "cpack", "dpkg-deb", "dpkg-shlibdeps"});
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing + " is not installed (scripts/install-deps.sh)"));
    const QString deb = debianPackageFile();
    QVERIFY2(!deb.isEmpty(), qPrintable(packOutput_));
    const Run lint = RunTool(QStringLiteral("lintian"), {deb}, 240000);
    static const QRegularExpression problem(QStringLiteral("^[EW]: "),
                                            QRegularExpression::MultilineOption);
    QVERIFY2(lint.exitCode == 0 && !lint.output.contains(problem), qPrintable(lint.output));
}

// The packaged logger unit, instantiated for a device, passes systemd's own check against the
// unpacked package (with the host's few boot targets the unit is ordered against, the shell it
// starts the logger through, and its settings files).
void TstPackage::loggerUnitVerifies() {
#ifdef LEAKMETER_SANITIZED_BUILD
    QSKIP("the package is built from the plain build, not the sanitizer build");
#endif
    const QString missing = MissingTool({"systemd-analyze", "cpack", "dpkg-deb", "dpkg-shlibdeps"});
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing + " is not installed (scripts/install-deps.sh)"));
    const QString deb = debianPackageFile();
    QVERIFY2(!deb.isEmpty(), qPrintable(packOutput_));
    const QString root = work_.filePath("unit-root");
    QCOMPARE(RunTool(QStringLiteral("dpkg"), {"-x", deb, root}).exitCode, 0);
    for (const char* target : {"sysinit.target", "basic.target", "network-online.target",
                               "multi-user.target", "shutdown.target"}) {
        const QString host = QStringLiteral("/lib/systemd/system/") + target;
        if (!QFileInfo::exists(host)) QSKIP(qPrintable(host + " is missing"));
        QVERIFY(QFile::copy(host, root + "/" + kUnitDir + "/" + target));
    }
    QVERIFY(QDir(root).mkpath("bin"));
    QVERIFY(QFile::copy(QFileInfo("/bin/sh").canonicalFilePath(), root + "/bin/sh"));
    const Run escaped =
        RunTool(QStringLiteral("systemd-escape"),
                {"--path", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"});
    QCOMPARE(escaped.exitCode, 0);
    const QString instance = escaped.output.trimmed();
    // The shipped example, which sets every key, as the shared and as the meter's settings.
    const QString example = root + "/usr/share/doc/leakmeter/examples/logger.conf";
    QVERIFY(QDir(root).mkpath("etc/leakmeter"));
    QVERIFY(QFile::copy(example, root + "/etc/leakmeter/logger.conf"));
    QVERIFY(QFile::copy(example, root + "/etc/leakmeter/" + instance + ".conf"));
    const Run verify = RunTool(
        QStringLiteral("systemd-analyze"),
        {"verify", "--man=no", "--root=" + root, "leakmeter-logger@" + instance + ".service"});
    QVERIFY2(verify.exitCode == 0 && verify.output.isEmpty(), qPrintable(verify.output));
}

QTEST_GUILESS_MAIN(TstPackage)
#include "tst_package.moc"

// The window in Chinese and in English: which language a run speaks, every caption and
// status text fitted to its control in both, the File menu's switch, the English report,
// and no text a user reads left untranslated.
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include "app/captions.h"
#include "app/form1.h"
#include "app/form2.h"
#include "app/language.h"
#include "app/statustext.h"
#include "formcontrols.h"
#include "measure/historyreport.h"
#include "metersim.h"
#include "output/scripteddialogbackend.h"
#include "serial/portmemory.h"

using app::Form2;
using app::Language;

class TstLanguage : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void chooseLanguage_data();
    void chooseLanguage();
    void everyTextFits_data();
    void everyTextFits();
    void menuSwitchesAndRemembers();
    void openLogFileType_data();
    void openLogFileType();
    void historyReportInEnglish();
    void everyTextTranslated();

  private:
    QTemporaryDir config_;
    serial::PortMap NoMeter() const {  // COM1 is a device that does not exist
        serial::PortMap m;
        m.addMapping(QStringLiteral("COM1=") + config_.filePath(QStringLiteral("absent")));
        return m;
    }
};

void TstLanguage::initTestCase() {
    // The choice made in the menu is kept here, not in the suite's shared settings.
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
}

void TstLanguage::chooseLanguage_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<QString>("env");  // NAME=value ...
    QTest::addColumn<QStringList>("qt");
    QTest::addColumn<bool>("english");
    const struct {
        const char *name, *option, *remembered, *env, *qt;
        bool english;
    } rows[] = {
        {"--lang wins", "zh", "en", "LANG=en_US.UTF-8", "", false},
        {"remembered next", "", "en", "LANG=zh_CN.UTF-8", "", true},
        {"bad remembered ignored", "", "fr", "LANG=zh_CN", "", false},
        {"Chinese locale", "", "", "LANG=zh_CN.UTF-8", "", false},
        {"Taiwan", "", "", "LC_MESSAGES=zh_TW.UTF-8 LANG=en_US", "", false},
        {"German", "", "", "LANG=de_DE.UTF-8", "", true},
        {"Chinese in LANGUAGE", "", "", "LANGUAGE=fr:zh_CN LANG=fr_FR", "", false},
        {"LC_ALL over LANG", "", "", "LC_ALL=fr_FR LANG=zh_CN", "", true},
        {"C", "", "", "LANG=C", "en-US", false},
        {"C.UTF-8, LANGUAGE ignored", "", "", "LANG=C.UTF-8 LANGUAGE=en", "", false},
        {"POSIX over English", "", "", "LC_ALL=POSIX LANG=en_US", "", false},
        {"unset", "", "", "", "", false},
        {"unset, system English", "", "", "", "en-GB", true},
        {"unset, system Chinese", "", "", "", "en,zh-Hans", false},
    };
    for (const auto& r : rows)
        QTest::newRow(r.name) << r.option << r.remembered << r.env
                              << QString::fromLatin1(r.qt).split(u',', Qt::SkipEmptyParts)
                              << r.english;
}

void TstLanguage::chooseLanguage() {
    QFETCH(QString, option);
    QFETCH(QString, remembered);
    QFETCH(QString, env);
    QFETCH(QStringList, qt);
    QFETCH(bool, english);
    QHash<QString, QString> vars;
    for (const QString& v : env.split(u' ', Qt::SkipEmptyParts))
        vars.insert(v.section(u'=', 0, 0), v.section(u'=', 1));
    const auto get = [&](const char* name) { return vars.value(QString::fromLatin1(name)); };
    QCOMPARE(app::chooseLanguage(option, remembered, app::systemUiLanguages(get, qt)) ==
                 Language::English,
             english);
}

void TstLanguage::everyTextFits_data() {
    QTest::addColumn<bool>("english");
    QTest::newRow("Chinese") << false;
    QTest::newRow("English") << true;
}

// Every caption, button, option and menu entry of the window and the settings dialog, and
// every text the status line and the port and meter labels show, fits its control.
void TstLanguage::everyTextFits() {
    QFETCH(bool, english);
    app::useLanguage(english ? Language::English : Language::Chinese);
    Form2 w(NoMeter());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    Ctl<QAction>(w, "mnucomsetting")->trigger();
    QTRY_COMPARE(Ctl<QRadioButton>(w, "Option1")->text(),
                 english ? QStringLiteral("Live monitoring") : QStringLiteral("实时监控"));
    QList<QWidget*> controls = w.findChildren<QWidget*>();
    controls += w.settingsDialog()->findChildren<QWidget*>();
    for (QWidget* c : controls) {
        if (qobject_cast<QMenu*>(c) || app::shownCaption(c).isEmpty()) continue;
        QVERIFY2(app::captionWidth(c) <= c->width(), qPrintable(app::shownCaption(c)));
        QVERIFY2(c->parentWidget()->rect().contains(c->geometry()), qPrintable(c->objectName()));
    }
    for (QAction* a : w.findChildren<QAction*>())
        if (english && !a->text().isEmpty())
            QVERIFY2(a->text().contains(u'&'), qPrintable(a->text()));

    const auto fits = [](QLabel* label, const QString& text) {
        return label->fontMetrics().horizontalAdvance(text) <= label->width();
    };
    // Every kind of event, with the widest values its text can hold.
    using namespace protocol;
    serial::LineSettings fastest;
    fastest.baudRate = 115200;
    const QList<LinkEvent> events = {
        PortOpened{16},
        OpenFailed{16, serial::OpenResult::InvalidPort},
        OpenFailed{16, serial::OpenResult::PortInUse},
        SettingsRefused{fastest, serial::LineSettings()},
        HandshakeAnswered{},
        HandshakeRefused{},
        GroupCount{255},
        GroupsReceived{},
        LiveAnswered{},
        UnknownReply{},
        DownloadFailed{DownloadFailure::CountGarbled},
        DownloadFailed{DownloadFailure::PortLost},
        MeterSilent{},
        MeterAnswersAgain{},
        NoMeterOnPort{16, QString(), 10000},
    };
    for (const LinkEvent& e : events) {
        if (auto t = app::statusText(e))
            QVERIFY2(fits(Ctl<QLabel>(w, "Label6"), *t), qPrintable(*t));
        if (auto t = app::portLabelText(e))
            QVERIFY2(fits(Ctl<QLabel>(w, "Label1"), *t), qPrintable(*t));
        if (auto t = app::meterLabelText(e))
            QVERIFY2(fits(Ctl<QLabel>(w, "Label2"), *t), qPrintable(*t));
    }
    const QString path = QStringLiteral("/home/electrician/Zentravolix/Zentravolix.csv");
    for (const QString& t : {app::noReplyAtStartText(), app::pausedText(), app::stoppedText(),
                             app::dataLogFailedText(path), app::saveFailedText(path)})
        QVERIFY2(fits(Ctl<QLabel>(w, "Label6"), t), qPrintable(t));
}

// The menu switches the open window at once, both ways, and the choice is kept; a report
// the user has stays as it is, and the Chinese window gets its design geometry back.
void TstLanguage::menuSwitchesAndRemembers() {
    app::useLanguage(Language::Chinese);
    Form2 w(NoMeter());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QHash<QWidget*, QRect> design;
    for (QWidget* c : w.findChildren<QWidget*>()) design.insert(c, c->geometry());
    QCOMPARE(Ctl<QTextEdit>(w, "RichTextBox1")->toPlainText(), measure::reportTitleLine());

    Ctl<QAction>(w, "mnuenglish")->trigger();
    QTRY_COMPARE(Ctl<QPushButton>(w, "Command4")->text(), QStringLiteral("Read"));
    QCOMPARE(serial::rememberedSetting(QStringLiteral("language")), QStringLiteral("en"));
    QCOMPARE(app::startLanguage(QString()), Language::English);
    QVERIFY(Ctl<QAction>(w, "mnuenglish")->isChecked() &&
            !Ctl<QAction>(w, "mnuchinese")->isChecked());
    QVERIFY(Ctl<QTextEdit>(w, "RichTextBox1")
                ->toPlainText()
                .endsWith(QStringLiteral("Stored Readings")));
    QVERIFY(measure::ReportHeader().endsWith(QStringLiteral("Group") + QString(21, u' ') +
                                             QStringLiteral("Reading")));
    Ctl<QTextEdit>(w, "RichTextBox1")->setPlainText(measure::ReportHeader());

    Ctl<QAction>(w, "mnuchinese")->trigger();
    QTRY_COMPARE(Ctl<QPushButton>(w, "Command4")->text(), QStringLiteral("读取"));
    QCOMPARE(app::startLanguage(QString()), Language::Chinese);
    QVERIFY(Ctl<QTextEdit>(w, "RichTextBox1")->toPlainText().endsWith(QStringLiteral("Reading")));
    for (auto it = design.constBegin(); it != design.constEnd(); ++it)
        QCOMPARE(it.key()->geometry(), it.value());
}

// The file type of the dialog that opens a data log speaks the window's language.
void TstLanguage::openLogFileType_data() {
    QTest::addColumn<bool>("english");
    QTest::addColumn<QString>("type");
    QTest::newRow("Chinese") << false << QStringLiteral("CSV格式 (*.csv)");
    QTest::newRow("English") << true << QStringLiteral("CSV (*.csv)");
}

void TstLanguage::openLogFileType() {
    QFETCH(bool, english);
    QFETCH(QString, type);
    app::useLanguage(english ? Language::English : Language::Chinese);
    const QByteArray oldHome = qgetenv("HOME");  // the dialog's folder is made in the home
    qputenv("HOME", config_.path().toLocal8Bit());
    output::ScriptedDialogBackend dialogs;  // no answer queued: the dialog is cancelled
    Form2 w(NoMeter(), &dialogs);
    w.findChild<QAction*>(QStringLiteral("mnuopenlog"))->trigger();
    qputenv("HOME", oldHome);
    app::useLanguage(Language::Chinese);
    QCOMPARE(dialogs.openRequests.size(), 1);
    QCOMPARE(dialogs.openRequests[0].filters.value(0).description, type);
}

// The real program's --history: --lang en wins over a Chinese system, the report is
// English, its rows as in Chinese.
void TstLanguage::historyReportInEnglish() {
    MeterSim sim({"--groups", "3"});
    QVERIFY(sim.ok());
    const QString path = config_.filePath(QStringLiteral("groups.txt"));
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LANG"), QStringLiteral("zh_CN.UTF-8"));
    run.setProcessEnvironment(env);
    run.start(QStringLiteral(LEAKMETER_PATH),
              {"--lang", "en", "--port", sim.portMapping(), "--history", path});
    QVERIFY(run.waitForFinished(15000));
    QCOMPARE(run.exitCode(), 0);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], QByteArray(30, ' ') + "Precision Clamp Leakage Meter: Stored Readings\r");
    QCOMPARE(lines[2], QByteArray(29, ' ') + "Group" + QByteArray(21, ' ') + "Reading\r");
    QVERIFY(lines[3].startsWith(QByteArray(30, ' ') + "001" + QByteArray(22, ' ')));
}

// The sources and the translation agree: lupdate run over them into a copy of the
// translation file leaves no text waiting for its English.
void TstLanguage::everyTextTranslated() {
    QTemporaryDir dir;
    const QString ts = dir.filePath(QStringLiteral("leakmeter_en.ts"));
    QVERIFY(QFile::copy(QStringLiteral(LEAKMETER_TS_FILE), ts));
    QStringList args{"-locations", "none", "-source-language",         "zh_CN", "-target-language",
                     "en",         "-I",   LEAKMETER_SOURCE_DIR "/src"};
    for (const char* part : {"app", "output", "measure", "charts", "viewer"})
        args << QStringLiteral(LEAKMETER_SOURCE_DIR "/src/") + QLatin1String(part);
    QProcess lupdate;
    lupdate.start(QStringLiteral(LEAKMETER_LUPDATE), args << QStringLiteral("-ts") << ts);
    QVERIFY(lupdate.waitForFinished(60000));
    QCOMPARE(lupdate.exitCode(), 0);
    QFile f(ts);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY2(!text.contains("type=\"unfinished\""), "a text has no English translation");
}

QTEST_MAIN(TstLanguage)
#include "tst_language.moc"

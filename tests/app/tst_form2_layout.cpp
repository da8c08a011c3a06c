// The windows as the user meets them: controls, captions, menus and accelerators, and
// what each mode shows and enables. No meter is attached (the port does not exist).
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include "app/commandline.h"
#include "app/form2.h"
#include "formcontrols.h"

using app::Form2;

class TstForm2Layout : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void designState_data();
    void designState();
    void menus_data();
    void menus();
    void modeTables_data();
    void modeTables();
    void modeFollowsTheSelectedOption_data();
    void modeFollowsTheSelectedOption();
    void functionKeysReachTheRunCommands();
    void settingsDialogShowsCurrentSettings();
    void commandLine_data();
    void commandLine();

  private:
    QTemporaryDir dir_;
    Form2* w_ = nullptr;
};

void TstForm2Layout::init() {
    serial::PortMap m;
    m.addMapping(QStringLiteral("COM1=") + dir_.filePath(QStringLiteral("absent")));
    w_ = new Form2(m);
    w_->show();
    QVERIFY(QTest::qWaitForWindowExposed(w_));
}

void TstForm2Layout::cleanup() {
    delete w_;
    w_ = nullptr;
}

void TstForm2Layout::designState_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const QList<QPair<const char*, QString>> rows = {
        {"Option1", "实时监控"},
        {"Option2", "历史数据查询"},
        {"Command1", "开始"},
        {"Command2", "暂停"},
        {"Command3", "停止"},
        {"Command4", "读取"},
        {"Command5", "保存"},
        {"Command6", "清空"},
        {"Command7", "上翻"},
        {"Command8", "下翻"},
        {"Label7", "LIVE"},
        {"Label8", "100mA"},
        {"Label18", "X:   Y:"},
        {"Label10", "1s"},
        {"Label14", "5s"},
        {"Label15", "10s"},
        {"Label16", "15s"},
        {"Label17", "30s"},
        {"Label9", "y:"},
        {"Label11", "Z:"},
        {"Label12", "x1:"},
        {"Label13", "x2:"},
        {"Text5", "0"},
        {"Text6", "500"},
        {"Text7", "500"},
        {"Text8", "0"},
        {"Text1", ""},
        {"Text2", ""},
        {"Text3", ""},
        {"Text4", ""},
        {"Label3", "MAX:"},
        {"Label4", "MIN:"},
        {"Label5", "AVERAGE:"},
        {"Option4", "mA"},
        {"Option5", "A"},
        {"Label2", "仪表连接失败"},
        {"Frame3", "实时显示"},
        {"Frame5", "测量(Ω/mA)"},
        {"Frame6", "报警值设定"},
        {"Frame7", "通信状态"},
    };
    for (const auto& r : rows) QTest::newRow(r.first) << QString::fromLatin1(r.first) << r.second;
}

void TstForm2Layout::designState() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QObject* o = w_->findChild<QObject*>(name);
    QVERIFY2(o, qPrintable(name));
    QString actual;
    if (auto* l = qobject_cast<QLabel*>(o))
        actual = l->text();
    else if (auto* b = qobject_cast<QAbstractButton*>(o))
        actual = b->text();
    else if (auto* e = qobject_cast<QLineEdit*>(o))
        actual = e->text();
    else
        actual = o->property("title").toString();
    QCOMPARE(actual, text);
}

void TstForm2Layout::menus_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("key");
    QTest::newRow("save") << "mnusave"
                          << "保存(&S)" << QKeySequence("Ctrl+S");
    QTest::newRow("print") << "mnuprint"
                           << "打印(&P)" << QKeySequence("Ctrl+P");
    QTest::newRow("print setup") << "mnuprintsetting"
                                 << "打印设置" << QKeySequence();
    QTest::newRow("exit") << "mnuexit"
                          << "退出(&X)" << QKeySequence("Ctrl+E");
    QTest::newRow("settings") << "mnucomsetting"
                              << "通信设置" << QKeySequence();
    QTest::newRow("page up") << "mnuuppage"
                             << "上翻" << QKeySequence("F1");
    QTest::newRow("page down") << "mnudownpage"
                               << "下翻" << QKeySequence("F2");
    QTest::newRow("cut") << "mnux"
                         << "剪切" << QKeySequence();
    QTest::newRow("copy") << "mnucopy"
                          << "复制" << QKeySequence();
    QTest::newRow("paste") << "mnupaste"
                           << "粘贴" << QKeySequence();
    QTest::newRow("delete") << "mnudelete"
                            << "删除" << QKeySequence("Ctrl+D");
    QTest::newRow("undo") << "mnucancel"
                          << "撤销" << QKeySequence();
    QTest::newRow("start") << "mnurun1"
                           << "启动" << QKeySequence("F3");
    QTest::newRow("pause") << "mnupause"
                           << "暂停" << QKeySequence("F4");
    QTest::newRow("stop") << "mnustop"
                          << "停止" << QKeySequence("F5");
    QTest::newRow("about") << "mnuaboutus"
                           << "关于软件" << QKeySequence("Ctrl+H");
}

void TstForm2Layout::menus() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, key);
    auto* a = w_->findChild<QAction*>(name);
    QVERIFY2(a, qPrintable(name));
    QCOMPARE(a->text(), caption);
    QCOMPARE(a->shortcut(), key);
}

void TstForm2Layout::modeTables_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("realTimeVisible");
    QTest::addColumn<bool>("realTimeEnabled");
    QTest::addColumn<bool>("historyVisible");
    QTest::addColumn<bool>("historyEnabled");
    // Chart view: shown in real time, hidden in history.
    for (const char* n :
         {"Picture1", "Picture3", "Picture4", "Slider1", "Slider2", "Text7", "Text8", "Label8",
          "Label10", "Label14", "Label15", "Label16", "Label17", "Label18"})
        QTest::newRow(n) << n << true << true << false << true;
    QTest::newRow("RichTextBox1") << "RichTextBox1" << false << true << true << true;
    for (const char* n : {"Frame5", "Frame6"})
        QTest::newRow(n) << n << true << true << true << false;
    for (const char* n : {"Command1", "Command2", "Command3"})
        QTest::newRow(n) << n << true << true << true << false;
    for (const char* n : {"Command4", "Command5", "Command6", "Command7", "Command8"})
        QTest::newRow(n) << n << true << false << true << true;
    for (const char* n : {"Option4", "Option5"})
        QTest::newRow(n) << n << true << true << true << false;
    // Neither view: always there, covered by the report view in history mode.
    for (const char* n : {"Label9", "Label11"})
        QTest::newRow(n) << n << true << true << true << true;
}

void TstForm2Layout::modeTables() {
    QFETCH(QString, name);
    QFETCH(bool, realTimeVisible);
    QFETCH(bool, realTimeEnabled);
    QFETCH(bool, historyVisible);
    QFETCH(bool, historyEnabled);
    auto* c = w_->findChild<QWidget*>(name);
    QVERIFY2(c, qPrintable(name));

    QCOMPARE(w_->monitor().link().mode(), protocol::LinkMode::Live);
    QCOMPARE(c->isVisible(), realTimeVisible);
    QCOMPARE(c->isEnabled(), realTimeEnabled);

    Ctl<QRadioButton>(*w_, "Option2")->click();
    QCOMPARE(w_->monitor().link().mode(), protocol::LinkMode::History);
    QVERIFY(Ctl<QRadioButton>(*w_, "Option2")->isChecked() &&
            !Ctl<QRadioButton>(*w_, "Option1")->isChecked());
    QCOMPARE(c->isVisible(), historyVisible);
    QCOMPARE(c->isEnabled(), historyEnabled);
    QVERIFY(!Ctl<QTimer>(*w_, "Timer6")->isActive());
    QVERIFY(!Ctl<QAction>(*w_, "mnurun1")->isEnabled() &&
            !Ctl<QAction>(*w_, "mnupause")->isEnabled() &&
            !Ctl<QAction>(*w_, "mnustop")->isEnabled());
    QVERIFY(Ctl<QAction>(*w_, "mnuuppage")->isEnabled() &&
            Ctl<QAction>(*w_, "mnudownpage")->isEnabled());

    Ctl<QRadioButton>(*w_, "Option1")->click();
    QCOMPARE(w_->monitor().link().mode(), protocol::LinkMode::Live);
    QVERIFY(Ctl<QRadioButton>(*w_, "Option1")->isChecked() &&
            !Ctl<QRadioButton>(*w_, "Option2")->isChecked());
    QCOMPARE(c->isVisible(), realTimeVisible);
    QCOMPARE(c->isEnabled(), realTimeEnabled);
    QVERIFY(Ctl<QTimer>(*w_, "Timer6")->isActive());
    QVERIFY(Ctl<QAction>(*w_, "mnurun1")->isEnabled() &&
            Ctl<QAction>(*w_, "mnupause")->isEnabled() &&
            Ctl<QAction>(*w_, "mnustop")->isEnabled());
    QVERIFY(!Ctl<QAction>(*w_, "mnuuppage")->isEnabled() &&
            !Ctl<QAction>(*w_, "mnudownpage")->isEnabled());

    // Clicking the selected option again keeps it selected.
    Ctl<QRadioButton>(*w_, "Option1")->click();
    QVERIFY(Ctl<QRadioButton>(*w_, "Option1")->isChecked());
}

void TstForm2Layout::modeFollowsTheSelectedOption_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("assistive tool toggles") << "toggle";
    QTest::newRow("assistive tool presses") << "press";
    QTest::newRow("space bar") << "space";
}

void TstForm2Layout::modeFollowsTheSelectedOption() {
    QFETCH(QString, how);
    const auto select = [&](QRadioButton* option) {
        if (how == QLatin1String("space")) {
            option->setFocus(Qt::TabFocusReason);
            QTRY_COMPARE(QApplication::focusWidget(), option);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
            return;
        }
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(option);
        QVERIFY(a && a->actionInterface());
        a->actionInterface()->doAction(how == QLatin1String("toggle")
                                           ? QAccessibleActionInterface::toggleAction()
                                           : QAccessibleActionInterface::pressAction());
    };
    select(Ctl<QRadioButton>(*w_, "Option2"));
    QTRY_COMPARE(w_->monitor().link().mode(), protocol::LinkMode::History);
    QVERIFY(Ctl<QRadioButton>(*w_, "Option2")->isChecked() &&
            !Ctl<QRadioButton>(*w_, "Option1")->isChecked());
    QVERIFY(Ctl<QTextEdit>(*w_, "RichTextBox1")->isVisible() &&
            !Ctl<QSlider>(*w_, "Slider1")->isVisible());
    QVERIFY(!Ctl<QTimer>(*w_, "Timer6")->isActive());

    select(Ctl<QRadioButton>(*w_, "Option1"));
    QTRY_COMPARE(w_->monitor().link().mode(), protocol::LinkMode::Live);
    QVERIFY(Ctl<QRadioButton>(*w_, "Option1")->isChecked() &&
            !Ctl<QRadioButton>(*w_, "Option2")->isChecked());
    QVERIFY(!Ctl<QTextEdit>(*w_, "RichTextBox1")->isVisible() &&
            Ctl<QSlider>(*w_, "Slider1")->isVisible());
    QVERIFY(Ctl<QTimer>(*w_, "Timer6")->isActive());

    // The selected option cannot be unselected, however it is acted on.
    select(Ctl<QRadioButton>(*w_, "Option1"));
    QTest::qWait(0);
    QCOMPARE(w_->monitor().link().mode(), protocol::LinkMode::Live);
    QVERIFY(Ctl<QRadioButton>(*w_, "Option1")->isChecked() &&
            !Ctl<QRadioButton>(*w_, "Option2")->isChecked());
}

void TstForm2Layout::functionKeysReachTheRunCommands() {
    QTest::keyClick(w_, Qt::Key_F4);
    QCOMPARE(Ctl<QLabel>(*w_, "Label6")->text(), QStringLiteral("已暂停"));
    QVERIFY(!w_->monitor().link().running());
    QTest::keyClick(w_, Qt::Key_F3);
    QVERIFY(w_->monitor().link().running());
    QTest::keyClick(w_, Qt::Key_F5);
    QCOMPARE(Ctl<QLabel>(*w_, "Label6")->text(), QStringLiteral("已停止"));
    QVERIFY(!w_->monitor().link().running());
}

void TstForm2Layout::settingsDialogShowsCurrentSettings() {
    Ctl<QAction>(*w_, "mnucomsetting")->trigger();
    QWidget* d = w_->settingsDialog();
    QVERIFY(d && d->isVisible());
    QCOMPARE(d->windowTitle(), QStringLiteral("deravazideziz"));
    // Columns left to right: port, baud, data bits, stop bits (Combo5), parity (Combo4).
    const char* order[] = {"Combo1", "Combo2", "Combo3", "Combo5", "Combo4"};
    const QStringList current = {"COM1", "9600", "8", "1", "NONE"};
    int lastX = -1;
    for (int i = 0; i < 5; ++i) {
        auto* c = d->findChild<QComboBox*>(QString::fromLatin1(order[i]));
        QVERIFY2(c, order[i]);
        QCOMPARE(c->currentText(), current[i]);
        QVERIFY(c->x() > lastX);
        lastX = c->x();
    }
    QCOMPARE(d->findChild<QComboBox*>("Combo1")->count(), 16);
    QCOMPARE(d->findChild<QComboBox*>("Combo2")->count(), 10);
    QCOMPARE(d->findChild<QComboBox*>("Combo4")->itemText(1), QStringLiteral("EVEN"));
    QCOMPARE(d->findChild<QComboBox*>("Combo5")->itemText(1), QStringLiteral("2"));

    // Showing it again does not load a second one.
    Ctl<QAction>(*w_, "mnucomsetting")->trigger();
    QCOMPARE(w_->settingsDialog(), d);
}

void TstForm2Layout::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("help");
    QTest::addColumn<QString>("com1");
    // Where the system reaches COMn by its own name (Windows), a mapping to another device is
    // refused rather than quietly ignored, and COM1 is the port itself.
    const bool maps = serial::PortMap::mapsDevices();
    const auto device = [maps](const char* path) {
        return maps ? QString::fromLatin1(path) : QStringLiteral("COM1");
    };
    QTest::newRow("none") << QStringList{"leakmeter"} << true << false << device("/dev/ttyS0");
    QTest::newRow("mapped") << QStringList{"leakmeter", "--port", "COM1=/dev/ttyUSB0"} << maps
                            << false << device("/dev/ttyUSB0");
    QTest::newRow("equals form") << QStringList{"leakmeter", "--port=COM1=/tmp/x"} << maps << false
                                 << device("/tmp/x");
    QTest::newRow("auto") << QStringList{"leakmeter", "--port", "COM1=auto"} << true << false
                          << device("/dev/ttyS0");
    QTest::newRow("help") << QStringList{"leakmeter", "--help"} << true << true
                          << device("/dev/ttyS0");
    QTest::newRow("missing value") << QStringList{"leakmeter", "--port"} << false << false << "";
    QTest::newRow("unknown") << QStringList{"leakmeter", "--baud", "9600"} << false << false << "";
    QTest::newRow("malformed") << QStringList{"leakmeter", "--port", "ttyUSB0"} << false << false
                               << "";
}

void TstForm2Layout::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    QFETCH(bool, help);
    QFETCH(QString, com1);
    const app::CommandLine cl = app::parseCommandLine(args);
    QCOMPARE(cl.error.isEmpty(), ok);
    QCOMPARE(cl.showHelp, help);
    if (ok) QCOMPARE(cl.ports.deviceFor(1), com1);
}

QTEST_MAIN(TstForm2Layout)
#include "tst_form2_layout.moc"

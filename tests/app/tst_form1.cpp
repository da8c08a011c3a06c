// The communication settings dialog against real pseudo-terminals: a port choice closes,
// renumbers and reopens at once; a line setting reaches the open port without closing it.
#include <QComboBox>
#include <QLabel>
#include <QtTest>

#include "app/form1.h"
#include "app/form2.h"
#include "formcontrols.h"
#include "metersim.h"

using app::Form1;
using app::Form2;

class TstForm1 : public QObject {
    Q_OBJECT

  private slots:
    void choosingAPortReopensAtOnce();
    void lineSettingsKeepThePortOpen_data();
    void lineSettingsKeepThePortOpen();
    void portChoiceKeepsLineSettings();
    void reopenedDialogShowsLastChoices();
    void settingRefusedAtOpenIsReported();

  private:
    Form1* OpenDialog(Form2& w) {
        Ctl<QAction>(w, "mnucomsetting")->trigger();
        return w.settingsDialog();
    }
    static void Choose(QComboBox* list, const QString& text) {
        const int i = list->findText(text);
        QVERIFY(i >= 0);
        list->setCurrentIndex(i);
        emit list->activated(i);
    }
};

void TstForm1::choosingAPortReopensAtOnce() {
    MeterSim com1, com3;
    QVERIFY(com1.ok() && com3.ok());
    QTemporaryDir dir;
    serial::PortMap m;
    m.addMapping(QStringLiteral("COM1=") + com1.link());
    m.addMapping(QStringLiteral("COM3=") + com3.link());
    Form2 w(m);
    QTRY_VERIFY_WITH_TIMEOUT(w.monitor().link().deviceConnected(), 3000);
    Form1* d = OpenDialog(w);
    QVERIFY(d);
#ifndef Q_OS_WIN
    QCOMPARE(d->Combo1->itemData(2, Qt::ToolTipRole).toString(), com3.link());
    QCOMPARE(d->Combo1->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyS1"));
#endif

    Choose(d->Combo1, QStringLiteral("COM3"));
    QCOMPARE(w.monitor().link().portNumber(), 3);
    QCOMPARE(w.monitor().port().commPort(), 3);
    QVERIFY(w.monitor().port().isOpen());
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("COM3已打开"));
    QCOMPARE(Ctl<QLabel>(w, "Label1")->text(), QStringLiteral("串口通信正常"));
    // Polling carries on over the new port.
    QTRY_VERIFY_WITH_TIMEOUT(com3.countOf(35) >= 1, 2000);

    // A port that is not there: reported in the main window, the name is still taken.
    Choose(d->Combo1, QStringLiteral("COM9"));
    QCOMPARE(w.monitor().link().portNumber(), 9);
    QCOMPARE(w.monitor().port().commPort(), 9);
    QVERIFY(!w.monitor().port().isOpen());
    QVERIFY(Ctl<QLabel>(w, "Label6")->text().startsWith(QStringLiteral("COM9")));
    QVERIFY(d->isVisible());
}

void TstForm1::lineSettingsKeepThePortOpen_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("settings");  // what the port runs afterwards
    QTest::addColumn<bool>("accepted");
    QTest::newRow("baud") << "Combo2"
                          << "19200"
                          << "19200,N,8,1" << true;
    QTest::newRow("stop bits") << "Combo5"
                               << "2"
                               << "9600,N,8,2" << true;
    // A pseudo-terminal runs 8 data bits without parity and refuses anything else.
    QTest::newRow("parity EVEN refused") << "Combo4"
                                         << "EVEN"
                                         << "9600,N,8,1" << false;
    QTest::newRow("7 data bits refused") << "Combo3"
                                         << "7"
                                         << "9600,N,8,1" << false;
}

void TstForm1::lineSettingsKeepThePortOpen() {
    QFETCH(QString, list);
    QFETCH(QString, choice);
    QFETCH(QString, settings);
    QFETCH(bool, accepted);
    MeterSim sim;
    QVERIFY(sim.ok());
    serial::PortMap m;
    m.addMapping(QStringLiteral("COM1=") + sim.link());
    Form2 w(m);
    QTRY_VERIFY_WITH_TIMEOUT(w.monitor().link().deviceConnected(), 3000);
    Form1* d = OpenDialog(w);
    auto* combo = d->findChild<QComboBox*>(list);
    const QString before = combo->currentText();

    Choose(combo, choice);
    QVERIFY(w.monitor().port().isOpen());
    QCOMPARE(serial::lineSettingsText(w.monitor().port().lineSettings()), settings);
    QCOMPARE(serial::lineSettingsText(w.monitor().link().lineSettings()), settings);
    if (accepted) {
        QCOMPARE(combo->currentText(), choice);
    } else {
        QCOMPARE(combo->currentText(), before);
        QVERIFY2(Ctl<QLabel>(w, "Label6")
                     ->text()
                     .contains(choice == "EVEN" ? "9600,E,8,1" : "9600,N,7,1"),
                 qPrintable(Ctl<QLabel>(w, "Label6")->text()));
    }
    // The meter still answers over the same open port.
    const int polls = sim.countOf(35);
    QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(35) > polls, 2000);
}

void TstForm1::portChoiceKeepsLineSettings() {
    MeterSim com1, com2;
    QVERIFY(com1.ok() && com2.ok());
    serial::PortMap m;
    m.addMapping(QStringLiteral("COM1=") + com1.link());
    m.addMapping(QStringLiteral("COM2=") + com2.link());
    Form2 w(m);
    Form1* d = OpenDialog(w);
    Choose(d->Combo2, QStringLiteral("19200"));
    Choose(d->Combo1, QStringLiteral("COM2"));
    QVERIFY(w.monitor().port().isOpen());
    QCOMPARE(w.monitor().port().commPort(), 2);
    QCOMPARE(serial::lineSettingsText(w.monitor().port().lineSettings()),
             QStringLiteral("19200,N,8,1"));
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(), QStringLiteral("COM2已打开"));
}

void TstForm1::reopenedDialogShowsLastChoices() {
    QTemporaryDir dir;
    serial::PortMap m;
    m.addMapping(QStringLiteral("COM1=") + dir.filePath("none"));
    Form2 w(m);
    Form1* d = OpenDialog(w);
    Choose(d->Combo2, QStringLiteral("4800"));
    Choose(d->Combo1, QStringLiteral("COM4"));
    d->close();  // unloads it
    QTRY_VERIFY(!w.settingsDialog());
    d = OpenDialog(w);
    QVERIFY(d);
    QCOMPARE(d->Combo1->currentText(), QStringLiteral("COM4"));
    QCOMPARE(d->Combo2->currentText(), QStringLiteral("4800"));
    QCOMPARE(d->Combo3->currentText(), QStringLiteral("8"));
    QCOMPARE(d->Combo5->currentText(), QStringLiteral("1"));
    QCOMPARE(d->Combo4->currentText(), QStringLiteral("NONE"));
}

// A parity accepted while no port was open meets a device that cannot run it: the open
// reports the refusal like a refused choice, and the settings, the lists and the port
// agree afterwards on what the line runs.
void TstForm1::settingRefusedAtOpenIsReported() {
    QTemporaryDir dir;
    MeterSim com2;
    QVERIFY(com2.ok());
    serial::PortMap m;
    m.addMapping(QStringLiteral("COM1=") + dir.filePath("none"));
    m.addMapping(QStringLiteral("COM2=") + com2.link());
    Form2 w(m);
    Form1* d = OpenDialog(w);
    d->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(d));
    const auto press = [](QComboBox* list, Qt::Key key) {
        list->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), list);
        QTest::keyClick(QApplication::focusWidget(), key);
    };

    press(d->Combo4, Qt::Key_Down);  // NONE -> EVEN, taken while the port is closed
    QCOMPARE(w.monitor().link().lineSettings().parity, QSerialPort::EvenParity);
    press(d->Combo1, Qt::Key_Down);  // COM1 -> COM2, a pseudo-terminal: 8 data bits, no parity only
    QVERIFY(w.monitor().port().isOpen());
    QCOMPARE(Ctl<QLabel>(w, "Label6")->text(),
             QStringLiteral("串口不支持设置9600,E,8,1,保持原设置9600,N,8,1"));
    QCOMPARE(Ctl<QLabel>(w, "Label1")->text(), QStringLiteral("串口通信正常"));
    QCOMPARE(serial::lineSettingsText(w.monitor().port().lineSettings()),
             QStringLiteral("9600,N,8,1"));
    QCOMPARE(serial::lineSettingsText(w.monitor().link().lineSettings()),
             QStringLiteral("9600,N,8,1"));
    QCOMPARE(d->Combo4->currentText(), QStringLiteral("NONE"));

    // Later choices are judged against what the line really runs.
    press(d->Combo2, Qt::Key_Up);  // 9600 -> 4800
    QCOMPARE(serial::lineSettingsText(w.monitor().port().lineSettings()),
             QStringLiteral("4800,N,8,1"));
    QCOMPARE(serial::lineSettingsText(w.monitor().link().lineSettings()),
             QStringLiteral("4800,N,8,1"));
    QTRY_VERIFY_WITH_TIMEOUT(w.monitor().link().deviceConnected(), 3000);
}

QTEST_MAIN(TstForm1)
#include "tst_form1.moc"

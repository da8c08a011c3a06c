#include "form2.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>

#include "form1.h"
#include "output/qtdialogbackend.h"
#include "porttexts.h"
#include "protocol/framedispatch.h"
#include "protocol/metercommand.h"
#include "statuslamp.h"

namespace app {
namespace {

// The two mode options sit in different frames, so neither unselects the other by
// itself; a selected option cannot be unselected by a click either.
void Unselect(QRadioButton* option) {
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

}  // namespace

Form2::Form2(const serial::PortMap& ports, output::DialogBackend* dialogs,
             output::MessageSink* messages, QWidget* parent, int startPort)
    : QMainWindow(parent),
      Link(std::make_unique<protocol::MeterLink>(MSComm1, this)),
      DeviceConnected(Link->DeviceConnected),
      MonitorMode(Link->MonitorMode),
      RunState(Link->RunState),
      StoredGroupCount(Link->StoredGroupCount),
      CommandBuffer(Link->CommandBuffer),
      ReceiveBuffer(Link->ReceiveBuffer),
      SerialSettings(Link->SerialSettings) {
    setObjectName(QStringLiteral("Form2"));
    startPort_ = startPort;
    MSComm1.setObjectName(QStringLiteral("MSComm1"));
    MSComm1.setPortMap(ports);
    if (!dialogs) {
        ownDialogs_ = std::make_unique<output::QtDialogBackend>();
        dialogs = ownDialogs_.get();
    }
    if (!messages) {
        ownMessages_ = std::make_unique<output::QtMessageSink>();
        messages = ownMessages_.get();
    }
    messages_ = messages;
    CommonDialog1 = std::make_unique<output::CommonDialog>(*dialogs, this);
    BuildControls();
    BuildMenus();
    Charts = std::make_unique<charts::ChartViews>(Picture1, Picture3, Picture4);
    ConnectEvents();
    ConnectCharts();
    ConnectOutput();
    ConnectDataLog();
    Form_Load();
}

Form2::~Form2() {
    // The settings dialog has no owner; it goes with the main window.
    delete form1_.data();
}

void Form2::ConnectEvents() {
    ConnectLink();

    connect(Timer1, &QTimer::timeout, this, &Form2::Timer1_Timer);
    connect(Timer6, &QTimer::timeout, this, &Form2::Timer6_Timer);
    connect(Timer7, &QTimer::timeout, this, &Form2::Timer7_Timer);
    connect(Text1, &QLineEdit::returnPressed, this, &Form2::Text1_KeyDown);
    connect(Command6, &QPushButton::clicked, this, &Form2::Command6_Click);

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form2::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form2::Command4_Click);
    // The mode follows the option becoming selected, whether by mouse, keyboard or an
    // assistive tool. Alone in its frame, the selected option would let a click or a
    // toggle unselect it: it stays selected, and nothing else happens.
    const auto follow = [this](QRadioButton* option, int mode, void (Form2::*enter)()) {
        connect(option, &QRadioButton::toggled, this, [this, option, mode, enter](bool on) {
            if (on) {
                (this->*enter)();
            } else if (MonitorMode == mode) {
                const QSignalBlocker quiet(option);
                option->setChecked(true);
            }
        });
    };
    follow(Option1, 1, &Form2::Option1_Click);
    follow(Option2, 2, &Form2::Option2_Click);

    connect(mnurun1, &QAction::triggered, this, &Form2::Command1_Click);
    connect(mnupause, &QAction::triggered, this, &Form2::Command2_Click);
    connect(mnustop, &QAction::triggered, this, &Form2::Command3_Click);
    connect(mnuexit, &QAction::triggered, this, &Form2::mnuexit_Click);
    connect(mnucomsetting, &QAction::triggered, this, &Form2::mnucomsetting_Click);
}

// ---- Start-up and closing -------------------------------------------------------------

void Form2::Form_Load() {
    Charts->ResetAll();  // the three chart surfaces drawn empty
    serial::SetDefaultSerialSettings(SerialSettings);
    // The port object starts with its design settings, COM1, 9600,N,8,1, unless the user
    // named another port to start on.
    if (startPort_ != 1) {
        SerialSettings.PortName = QStringLiteral("COM%1").arg(startPort_);
        MSComm1.setCommPort(startPort_);
    }
    Link->OpenSerialPort();
    Link->SendHandshake();

    // No reply can have been read yet: replies are handled once start-up has finished.
    if (ReceiveBuffer.size() < 3) {
        Label6->setText(
            QStringLiteral("握手失败,请检查设备是否开启或者线缆连接,通信设置是否正确."));
        DeviceConnected = 0;
    }
    Option1->setChecked(true);  // applies the real-time mode
    ResetAlarmThreshold();
    Command1_Click();
}

void Form2::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void Form2::Form_Unload() {
    Link->SignOff();
    StopDataLog();
    if (form1_) form1_->close();
    // The window's timers go with it: nothing is sent after the sign-off.
    Link->StopTimers();
    for (QTimer* t : {Timer1, Timer6, Timer7}) t->stop();
}

void Form2::mnuexit_Click() {
    // Same path as the title-bar close box: the closing sequence runs in closeEvent.
    close();
}

void Form2::mnucomsetting_Click() {
    if (!form1_) form1_ = new Form1(*this);
    form1_->show();
    form1_->raise();
    form1_->activateWindow();
}

// ---- Serial link --------------------------------------------------------------------

void Form2::ConnectLink() {
    using protocol::MeterLink;
    MeterLink* link = Link.get();
    connect(link, &MeterLink::opened, this, &Form2::ShowPortOpened);
    connect(link, &MeterLink::openFailed, this, &Form2::ShowPortFailed);
    connect(link, &MeterLink::settingsRefused, this, &Form2::ShowSettingsRefused);
    connect(link, &MeterLink::handshakeAnswered, this,
            [this] { Label2->setText(QStringLiteral("设备连接成功")); });
    connect(link, &MeterLink::unitOptionsEnabled, this, [this] {
        Option4->setEnabled(true);
        Option5->setEnabled(true);
    });
    connect(link, &MeterLink::liveRecord, this, &Form2::DecodeLiveFrame);
    connect(link, &MeterLink::historyData, this, &Form2::BuildHistoryReport);
    connect(link, &MeterLink::status, Label6, &QLabel::setText);
    connect(link, &MeterLink::meterFellSilent, this, &Form2::ShowMeterSilent);
    // What to do about a port that will not open, or a port where no meter answers.
    const auto toStderr = [](const QString& line) {
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    };
    connect(&MSComm1, &serial::CommPort::openProblem, this,
            [toStderr](const serial::OpenProblem& problem) { toStderr(OpenAdviceLine(problem)); });
    connect(link, &MeterLink::advice, this, toStderr);
}

void Form2::ShowPortOpened() {
    Label6->setText(SerialSettings.PortName + QStringLiteral("已打开"));
    Label1->setText(QStringLiteral("串口通信正常"));
    if (!Timer1->isActive()) Timer1->start();
}

void Form2::ShowPortFailed(serial::OpenResult result) {
    const bool missing = result == serial::OpenResult::InvalidPort;
    Label6->setText(SerialSettings.PortName +
                    (missing ? QStringLiteral("电脑端口无效.")
                             : QStringLiteral("打开失败,请检查串口是否被占用或者尝试其它串口.")));
    Label1->setText(missing ? QStringLiteral("串口无效") : QStringLiteral("串口打开失败"));
    // A port that failed: the lamp stops blinking and goes dark.
    Timer1->stop();
    Shape1->setBackStyle(0);
}

void Form2::ShowSettingsRefused(const QString& refused, const QString& kept) {
    Label6->setText(QStringLiteral("串口不支持设置") + refused + QStringLiteral(",保持原设置") +
                    kept);
    if (form1_) form1_->Form_Load();
}

void Form2::ShowMeterSilent() {
    // The last reading stays, greyed: it is no longer what the meter measures.
    SetReadingColour(QColor(160, 160, 160));
}

void Form2::ShowReading(const QString& text) {
    SetReadingColour(ReadingColour());
    Label7->setText(text);
}

void Form2::SetReadingColour(const QColor& colour) {
    if (Label7->palette().color(QPalette::WindowText) == colour) return;
    QPalette pal = Label7->palette();
    pal.setColor(QPalette::WindowText, colour);
    Label7->setPalette(pal);
}

// ---- Run control and modes ----------------------------------------------------------

void Form2::Command1_Click() {
    RunState = 1;
    Charts->setTraceVisible(true);
    Link->RequestLiveReading();
}

void Form2::Command2_Click() {
    RunState = 0;
    Charts->setTraceVisible(true);
    Label6->setText(QStringLiteral("已暂停"));
}

void Form2::Command3_Click() {
    RunState = 0;
    Charts->setTraceVisible(false);
    Charts->ResetAll();
    LiveSeries.Rewind();
    ShowReading(QStringLiteral("LIVE"));
    Label6->setText(QStringLiteral("已停止"));
}

void Form2::Command4_Click() {
    Link->RequestHistory();
}

void Form2::ShowChartView(bool shown) {
    for (QWidget* w :
         {Picture1->parentWidget(), Picture3->parentWidget(), Picture4->parentWidget(),
          static_cast<QWidget*>(Slider1), static_cast<QWidget*>(Slider2),
          static_cast<QWidget*>(Text7), static_cast<QWidget*>(Text8), static_cast<QWidget*>(Label8),
          static_cast<QWidget*>(Label10), static_cast<QWidget*>(Label14),
          static_cast<QWidget*>(Label15), static_cast<QWidget*>(Label16),
          static_cast<QWidget*>(Label17), static_cast<QWidget*>(Label18)})
        w->setVisible(shown);
}

void Form2::Option1_Click() {
    ShowChartView(true);
    Frame5->setEnabled(true);
    Frame6->setEnabled(true);
    RichTextBox1->setVisible(false);
    for (QPushButton* b : {Command1, Command2, Command3}) b->setEnabled(true);
    for (QPushButton* b : {Command4, Command5, Command6, Command7, Command8}) b->setEnabled(false);
    for (QAction* a : {mnurun1, mnupause, mnustop}) a->setEnabled(true);
    for (QAction* a : {mnuuppage, mnudownpage}) a->setEnabled(false);
    Option4->setEnabled(true);
    Option5->setEnabled(true);
    MonitorMode = 1;
    Option1->setChecked(true);
    Unselect(Option2);
    Timer6->start();
}

void Form2::Option2_Click() {
    RichTextBox1->setVisible(true);
    ShowChartView(false);
    Frame5->setEnabled(false);
    Frame6->setEnabled(false);
    ShowReading(QStringLiteral("LIVE"));
    for (QPushButton* b : {Command1, Command2, Command3}) b->setEnabled(false);
    for (QPushButton* b : {Command4, Command5, Command6, Command7, Command8}) b->setEnabled(true);
    for (QAction* a : {mnurun1, mnupause, mnustop}) a->setEnabled(false);
    for (QAction* a : {mnuuppage, mnudownpage}) a->setEnabled(true);
    Option4->setEnabled(false);
    Option5->setEnabled(false);
    MonitorMode = 2;
    Option2->setChecked(true);
    Unselect(Option1);
    Timer6->stop();
    Link->SendHandshake();
}

// ---- Timers ------------------------------------------------------------------------

void Form2::Timer1_Timer() {
    Shape1->setBackStyle(Shape1->backStyle() == 0 ? 1 : 0);
}

}  // namespace app

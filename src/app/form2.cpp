#include "form2.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>

#include "form1.h"
#include "output/qtdialogbackend.h"
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
             output::MessageSink* messages, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form2"));
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
    Form_Load();
}

Form2::~Form2() {
    // The settings dialog has no owner; it goes with the main window.
    delete form1_.data();
}

void Form2::ConnectEvents() {
    connect(&MSComm1, &serial::CommPort::dataReceived, this, &Form2::MSComm1_OnComm);

    connect(Timer1, &QTimer::timeout, this, &Form2::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &Form2::Timer2_Timer);
    connect(Timer3, &QTimer::timeout, this, &Form2::Timer3_Timer);
    connect(Timer4, &QTimer::timeout, this, &Form2::Timer4_Timer);
    connect(Timer5, &QTimer::timeout, this, &Form2::Timer5_Timer);
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
    // The port object starts with its design settings: COM1, 9600,N,8,1.
    OpenSerialPort();
    SendHandshake();

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
    SendCommand(protocol::kSignOff);
    if (form1_) form1_->close();
    // The window's timers go with it: nothing is sent after the sign-off.
    for (QTimer* t : {Timer1, Timer2, Timer3, Timer4, Timer5, Timer6, Timer7}) t->stop();
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

void Form2::OpenSerialPort() {
    const QString name = SerialSettings.PortName;
    // A port that failed: its texts, and the lamp stops blinking and goes dark.
    const auto failed = [&](const QString& status, const QString& port) {
        Label6->setText(name + status);
        Label1->setText(port);
        Timer1->stop();
        Shape1->setBackStyle(0);
    };
    switch (MSComm1.open()) {
        case serial::OpenResult::PortInUse:
            failed(QStringLiteral("打开失败,请检查串口是否被占用或者尝试其它串口."),
                   QStringLiteral("串口打开失败"));
            return;
        case serial::OpenResult::InvalidPort:
            failed(QStringLiteral("电脑端口无效."), QStringLiteral("串口无效"));
            return;
        case serial::OpenResult::Opened:
            Label6->setText(name + QStringLiteral("已打开"));
            Label1->setText(QStringLiteral("串口通信正常"));
            if (!Timer1->isActive()) Timer1->start();
            return;
    }
}

bool Form2::ApplySerialSettings(QString* error) {
    return MSComm1.setSettings(serial::SettingsText(SerialSettings), error);
}

void Form2::SendCommand(int code) {
    if (!MSComm1.isOpen()) return;
    CommandBuffer[0] = char(quint8(code));
    // A failed write means the device is gone or broken; the re-open timer takes over.
    if (!MSComm1.output(quint8(code))) MSComm1.close();
}

void Form2::MSComm1_OnComm() {
    ReceiveBuffer = MSComm1.input();
    MSComm1.clearInput();
    HandleFrame();
}

void Form2::SendHandshake() {
    SendCommand(protocol::kHandshake);
}

void Form2::RequestLiveReading() {
    if (MonitorMode == 1 && DeviceConnected == 1 && RunState == 1)
        SendCommand(protocol::kLiveReading);
}

void Form2::RequestHistory() {
    if (DeviceConnected == 1 && MonitorMode == 2) {
        SendCommand(protocol::kGroupCount);
        Timer3->start();
    }
}

void Form2::HandleFrame() {
    const protocol::FrameAction a =
        protocol::DispatchFrame(quint8(CommandBuffer.at(0)), ReceiveBuffer);
    if (a.ignored) return;
    if (a.handshakeOk) {
        Label2->setText(QStringLiteral("设备连接成功"));
        Timer2->stop();
        DeviceConnected = 1;
    }
    if (a.storedGroupCount) StoredGroupCount = *a.storedGroupCount;
    if (a.enableUnitOptions) {
        Option4->setEnabled(true);
        Option5->setEnabled(true);
    }
    switch (a.route) {
        case protocol::FrameAction::Route::DecodeLive:
            DecodeLiveFrame();
            break;
        case protocol::FrameAction::Route::BuildReport:
            BuildHistoryReport();
            break;
        case protocol::FrameAction::Route::None:
            break;
    }
    if (a.status) Label6->setText(*a.status);
    if (a.receiveThreshold) MSComm1.setRThreshold(*a.receiveThreshold);
}

// ---- Run control and modes ----------------------------------------------------------

void Form2::Command1_Click() {
    RunState = 1;
    Charts->setTraceVisible(true);
    RequestLiveReading();
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
    Label7->setText(QStringLiteral("LIVE"));
    Label6->setText(QStringLiteral("已停止"));
}

void Form2::Command4_Click() {
    RequestHistory();
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
    Label7->setText(QStringLiteral("LIVE"));
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
    SendHandshake();
}

// ---- Timers ------------------------------------------------------------------------

void Form2::Timer1_Timer() {
    Shape1->setBackStyle(Shape1->backStyle() == 0 ? 1 : 0);
}

void Form2::Timer2_Timer() {
    SendHandshake();
}

void Form2::Timer3_Timer() {
    SendCommand(protocol::kStoredGroups);
    Timer3->stop();
}

void Form2::Timer4_Timer() {
    RequestLiveReading();
}

void Form2::Timer5_Timer() {
    if (!MSComm1.isOpen()) OpenSerialPort();
}

}  // namespace app

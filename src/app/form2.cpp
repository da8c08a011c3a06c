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
#include "statuslamp.h"
#include "statustext.h"

namespace app {
namespace {

// The two mode options sit in different frames, so neither unselects the other by
// itself; a selected option cannot be unselected by a click either.
void unselect(QRadioButton* option) {
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

}  // namespace

Form2::Form2(const MonitorOptions& options, output::DialogBackend* dialogs,
             output::MessageSink* messages, QWidget* parent)
    : QMainWindow(parent), monitor_(new Monitor(options, this)) {
    setObjectName(QStringLiteral("Form2"));
    if (!dialogs) {
        ownDialogs_ = std::make_unique<output::QtDialogBackend>();
        dialogs = ownDialogs_.get();
    }
    if (!messages) {
        ownMessages_ = std::make_unique<output::QtMessageSink>();
        messages = ownMessages_.get();
    }
    messages_ = messages;
    dialogs_ = dialogs;
    CommonDialog1 = std::make_unique<output::CommonDialog>(*dialogs, this);
    BuildControls();
    BuildMenus();
    Charts = std::make_unique<charts::ChartViews>(Picture1, Picture3, Picture4);
    ConnectEvents();
    ConnectCharts();
    ConnectOutput();
    ConnectDataLog();
    ConnectLanguage();
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
            } else if (ModeNumber() == mode) {
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
    Charts->resetAll();  // the three chart surfaces drawn empty
    // The port object starts with its design settings, COM1, 9600,N,8,1, unless the user
    // named another port to start on.
    monitor_->start();

    // No reply can have been read yet: replies are handled once start-up has finished.
    if (!Link().deviceConnected()) SetStatus(noReplyAtStartText);
    Option1->setChecked(true);  // applies the real-time mode
    ResetAlarmThreshold();
    ShowAlarmOption(monitor_->options().watch);
    Command1_Click();
}

void Form2::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void Form2::Form_Unload() {
    // The sign-off byte; an alarm still running ends with the run, before the log it is
    // written beside stops; "offline" to the broker; the waiting alarm commands are not run.
    const bool logRan = monitor_->logRunning();
    if (!monitor_->finish()) ShowDataLogFailure();
    if (logRan) mnudatalog->setChecked(false);
    if (form1_) form1_->close();
    // The window's timers go with it: nothing is sent after the sign-off.
    for (QTimer* t : {Timer1, Timer6, Timer7}) t->stop();
}

void Form2::mnuexit_Click() {
    // Same path as the title-bar close box: the closing sequence runs in closeEvent.
    close();
}

void Form2::mnucomsetting_Click() {
    if (!form1_) form1_ = new Form1(Link(), MSComm1().portMap());
    form1_->show();
    form1_->raise();
    form1_->activateWindow();
}

// ---- Serial link --------------------------------------------------------------------

void Form2::ConnectLink() {
    using protocol::MeterLink;
    connect(&Link(), &MeterLink::event, this, &Form2::ShowLinkEvent);
    connect(monitor_, &Monitor::reading, this, &Form2::DecodeLiveFrame);
    connect(&Link(), &MeterLink::groupsReceived, this, &Form2::BuildHistoryReport);
    // What to do about a port that will not open.
    connect(&MSComm1(), &serial::CommPort::openProblem, this,
            [](const serial::OpenProblem& problem) {
                std::fprintf(stderr, "%s\n", openAdviceLine(problem).toLocal8Bit().constData());
            });
}

void Form2::ShowLinkEvent(const protocol::LinkEvent& e) {
    // Texts kept as the events that gave them, so a change of language can word them again.
    if (statusText(e)) SetStatus([e] { return statusText(e).value_or(QString()); });
    if (const std::optional<QString> text = portLabelText(e)) {
        Label1->setText(*text);
        portLabelEvent_ = e;
    }
    if (const std::optional<QString> text = meterLabelText(e)) {
        Label2->setText(*text);
        meterLabelEvent_ = e;
    }
    if (const std::optional<QString> line = adviceLine(e))
        std::fprintf(stderr, "%s\n", line->toLocal8Bit().constData());
    std::visit(protocol::Overloaded{
                   [this](const protocol::PortOpened&) {
                       if (!Timer1->isActive()) Timer1->start();
                   },
                   [this](const protocol::OpenFailed&) {
                       // A port that failed: the lamp stops blinking and goes dark.
                       Timer1->stop();
                       Shape1->setBackStyle(0);
                   },
                   [this](const protocol::SettingsRefused&) {
                       if (form1_) form1_->Form_Load();  // the lists show what the line runs
                   },
                   [this](const protocol::LiveAnswered&) {
                       Option4->setEnabled(true);
                       Option5->setEnabled(true);
                   },
                   [this](const protocol::MeterSilent&) {
                       // The last reading stays, greyed: it is no longer what the meter measures.
                       SetReadingColour(QColor(160, 160, 160));
                   },
                   [](const auto&) {},
               },
               e);
}

void Form2::SetStatus(const QString& text) {
    statusSource_ = nullptr;
    Label6->setText(text);
}

void Form2::SetStatus(std::function<QString()> text) {
    statusSource_ = std::move(text);
    Label6->setText(statusSource_());
}

int Form2::ModeNumber() const {
    switch (Link().mode()) {
        case protocol::LinkMode::Live:
            return 1;
        case protocol::LinkMode::History:
            return 2;
        case protocol::LinkMode::None:
            break;
    }
    return 0;
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
    Link().setRunning(true);
    Charts->setTraceVisible(true);
    Link().RequestLiveReading();
}

void Form2::Command2_Click() {
    Link().setRunning(false);
    Charts->setTraceVisible(true);
    SetStatus(pausedText);
}

void Form2::Command3_Click() {
    Link().setRunning(false);
    Charts->setTraceVisible(false);
    Charts->resetAll();
    LiveSeries.rewind();
    ShowReading(QStringLiteral("LIVE"));
    SetStatus(stoppedText);
}

void Form2::Command4_Click() {
    Link().RequestHistory();
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
    Link().setMode(protocol::LinkMode::Live);
    Option1->setChecked(true);
    unselect(Option2);
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
    Link().setMode(protocol::LinkMode::History);
    Option2->setChecked(true);
    unselect(Option1);
    Timer6->stop();
    Link().SendHandshake();
}

// ---- Timers ------------------------------------------------------------------------

void Form2::Timer1_Timer() {
    Shape1->setBackStyle(Shape1->backStyle() == 0 ? 1 : 0);
}

}  // namespace app

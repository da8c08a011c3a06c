#pragma once
// The main window: a front end over the engine (the port, the link and what the readings feed).
// It wires the controls and timers to the routines that do the work and shows their results;
// it decides nothing a plain function could decide.

#include <QByteArray>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "charts/chartviews.h"
#include "charts/drawingsurface.h"
#include "output/commondialog.h"
#include "output/messagesink.h"

#include "form1.h"
#include "measure/liveseries.h"
#include "monitor.h"
#include "protocol/meterlink.h"
#include "serial/commport.h"
#include "serial/serialsettings.h"

namespace publish {
enum class BrokerState;
}

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QTextEdit;
class QTimer;

namespace app {

class StatusLamp;

class Form2 : public QMainWindow {
    Q_OBJECT

  public:
    // `options`: the port opened at start (COM1 unless the user named another), the alarms,
    // interval rows and broker of the run. `dialogs` and `messages` stand in for the
    // platform's modal dialogs and message boxes (tests script them); the real ones are used
    // when they are null.
    explicit Form2(const MonitorOptions& options, output::DialogBackend* dialogs = nullptr,
                   output::MessageSink* messages = nullptr, QWidget* parent = nullptr);
    ~Form2() override;

    // The data log (form2_datalog.cpp): from StartDataLog on, one row per live reply (or
    // interval) is appended to `path`. False when the file cannot be opened or written: the
    // status line and stderr say so and the program goes on without the log. StopDataLog
    // syncs and closes the file. The File menu's entry shows whether a log is running.
    bool StartDataLog(const QString& path);
    void StopDataLog();
    bool DataLogRunning() const;
    // Publishing the readings to the run's broker, if it has one: its state is the tooltip of
    // the communication-status frame (the status line stays the meter's). False, with the
    // reason in *error, when the client cannot be set up.
    bool StartPublishing(QString* error);
    // After the window has closed: waits for the alarm command it left running (a few seconds
    // at most; the ones waiting were not run), or a signal, whichever comes first.
    void WaitForAlarmCommand();

    // What the window shows, for those who look at it from outside (tests, the settings
    // dialog's owner): read only.
    const Monitor& monitor() const { return *monitor_; }
    const measure::LiveSeries& liveSeries() const { return LiveSeries; }
    float alarmThreshold() const { return AlarmThreshold; }
    const charts::ChartViews& charts() const { return *Charts; }
    Form1* settingsDialog() const { return form1_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;  // a change of language

  private:
    // The engine's port and link, which the window drives.
    serial::CommPort& MSComm1() { return monitor_->port(); }
    protocol::MeterLink& Link() { return monitor_->link(); }
    const protocol::MeterLink& Link() const { return monitor_->link(); }

    // The status line's one writer: the latest text stands. A text given as a function is
    // worded again when the language changes; a plain text stays as it is.
    void SetStatus(const QString& text);
    void SetStatus(std::function<QString()> text);
    // The broker's state, worded again when the language changes.
    void ShowBrokerState(publish::BrokerState state, const QString& broker, const QString& reason);

    // Layout (form2_layout.cpp).
    void BuildControls();
    void BuildMenus();
    // Captions are the Chinese source texts, shown translated (captions.h).
    QGroupBox* NewFrame(const char* name, QWidget* parent, QRect geometry, const char* caption);
    QPushButton* NewButton(const char* name, QWidget* parent, QRect geometry, const char* caption);
    QRadioButton* NewOption(const char* name, QWidget* parent, QRect geometry, const char* caption);
    QLabel* NewLabel(const char* name, QWidget* parent, QPoint topLeft, const char* caption);
    QLineEdit* NewText(const char* name, QWidget* parent, QRect geometry, const QString& text);
    QAction* NewAction(const char* name, const char* caption, const QKeySequence& key);

    void ConnectEvents();

    // Start-up and closing.
    void Form_Load();
    void Form_Unload();

    // Serial link: what the link reports, shown in the window.
    void ConnectLink();
    void ShowLinkEvent(const protocol::LinkEvent& event);
    int ModeNumber() const;  // 1 real-time monitoring, 2 history query (the output commands')
    void ShowReading(const QString& text);  // in the reading's own colour
    void SetReadingColour(const QColor& colour);
    static QColor ReadingColour() { return QColor(0, 0, 255); }

    // Run control and modes.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Option1_Click();
    void Option2_Click();
    void ShowChartView(bool shown);

    // Measurements (form2_measure.cpp).
    void DecodeLiveFrame(const measure::Reading& reading);
    void BuildHistoryReport(const QList<measure::MeterRecord>& groups);
    void Command6_Click();
    void Timer6_Timer();
    void Timer7_Timer();
    void Text1_KeyDown();
    void ResetAlarmThreshold();
    void ShowAlarmOption(const WatchOptions& options);  // --alarm, as if typed

    // Charts (form2_charts.cpp).
    void ConnectCharts();
    void ShowCursorRefusal(bool accepted);
    void Text5_KeyDown();
    void Text6_KeyDown();
    void Text7_KeyDown();
    void Text8_KeyDown();

    // Output and editing (form2_output.cpp).
    void ConnectOutput();
    void Command5_Click();
    void mnusave_Click();
    void ReportSaveFailure(const QString& reason);  // empty reason: nothing to say
    void mnuprint_Click();
    void mnuprintsetting_Click();
    void mnuaboutus_Click();

    // Data log (form2_datalog.cpp).
    void ConnectDataLog();
    void mnudatalog_Click();
    void ShowDataLogFailure();
    void mnuopenlog_Click();

    // Language (form2_language.cpp): the File menu's entry, and every text shown again in the
    // language chosen, controls grown where an English caption needs it.
    void ConnectLanguage();
    void SwitchLanguage(bool english);
    void RetranslateUi();
    void FitCaptions();

    // Timers.
    void Timer1_Timer();

    // Menu commands that only route elsewhere.
    void mnuexit_Click();
    void mnucomsetting_Click();

    Monitor* monitor_;                           // the port, the link and what the readings feed
    measure::LiveSeries LiveSeries;              // recent readings and their chart values
    float AlarmThreshold = 0;                    // mA
    std::unique_ptr<charts::ChartViews> Charts;  // chart cursors, trace flag, the three surfaces
    std::unique_ptr<output::CommonDialog> CommonDialog1;
    QPointer<Form1> form1_;
    std::unique_ptr<output::DialogBackend> ownDialogs_;
    output::DialogBackend* dialogs_ = nullptr;
    std::unique_ptr<output::MessageSink> ownMessages_;
    output::MessageSink* messages_ = nullptr;
    std::function<QString()> statusSource_;  // the status line's text, when it can be reworded
    std::function<QString()> brokerSource_;  // Frame7's tooltip while publishing
    std::optional<protocol::LinkEvent> portLabelEvent_, meterLabelEvent_;
    QHash<QWidget*, QRect> designGeometry_;  // of the controls with a caption

    // Controls, under their designer names (also their objectName, by which tests find them).
    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr, *Frame3 = nullptr, *Frame5 = nullptr,
              *Frame6 = nullptr, *Frame7 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr, *Option4 = nullptr, *Option5 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr, *Command6 = nullptr, *Command7 = nullptr, *Command8 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr,
           *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr, *Label12 = nullptr,
           *Label13 = nullptr, *Label14 = nullptr, *Label15 = nullptr, *Label16 = nullptr,
           *Label17 = nullptr, *Label18 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr,
              *Text5 = nullptr, *Text6 = nullptr, *Text7 = nullptr, *Text8 = nullptr;
    charts::DrawingSurface *Picture1 = nullptr, *Picture3 = nullptr, *Picture4 = nullptr;
    QLabel* Picture2 = nullptr;
    QSlider *Slider1 = nullptr, *Slider2 = nullptr;
    QTextEdit* RichTextBox1 = nullptr;
    StatusLamp *Shape1 = nullptr, *Shape2 = nullptr;
    QTimer *Timer1 = nullptr, *Timer6 = nullptr, *Timer7 = nullptr;
    QAction *mnusave = nullptr, *mnuprint = nullptr, *mnuprintsetting = nullptr, *mnuexit = nullptr,
            *mnucomsetting = nullptr, *mnuuppage = nullptr, *mnudownpage = nullptr, *mnux = nullptr,
            *mnucopy = nullptr, *mnupaste = nullptr, *mnudelete = nullptr, *mnucancel = nullptr,
            *mnurun1 = nullptr, *mnupause = nullptr, *mnustop = nullptr, *mnuaboutus = nullptr;
    QAction* mnudatalog = nullptr;  // File menu "数据记录(&L)...", checked while logging
    QAction* mnuopenlog = nullptr;  // File menu "打开数据记录(&O)...": the viewer
    // File menu "语言(&G)": its two entries, the language spoken checked.
    QMenu* mnulanguage = nullptr;
    QAction *mnuchinese = nullptr, *mnuenglish = nullptr;
};

}  // namespace app

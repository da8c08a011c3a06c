// Controls, captions, fonts, colours and menus of the main window, at their design
// positions. Captions are written in Chinese and shown in the program's language
// (captions.h); only a change of language lays controls out again (form2_language.cpp).

#include <QAction>
#include <QActionGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTextEdit>
#include <QTimer>

#include "artwork.h"
#include "captions.h"
#include "form2.h"
#include "framepanel.h"
#include "livereading.h"
#include "measure/historyreport.h"
#include "output/reportview.h"
#include "protocol/namedtimer.h"
#include "statuslamp.h"
#include "twips.h"

namespace app {
namespace {

// A drawing surface inside a sunken two-pixel border, like a classic picture box.
QWidget* newSurface(const char* name, QWidget* parent, QRect outer,
                    charts::DrawingSurface** inner) {
    auto* border = new QFrame(parent);
    border->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    border->setLineWidth(2);
    border->setGeometry(outer);
    auto* surface = new charts::DrawingSurface(border);
    surface->setObjectName(QString::fromLatin1(name));
    // Colours and coordinates are set when start-up draws the charts.
    surface->setGeometry(2, 2, outer.width() - 4, outer.height() - 4);
    *inner = surface;
    return border;
}

}  // namespace

QGroupBox* Form2::NewFrame(const char* name, QWidget* parent, QRect geometry, const char* caption) {
    auto* f = new FramePanel(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setGeometry(geometry);
    if (*caption) {
        setCaption(f, "app::Form2", caption);
        f->setFont(songFont(10.5));
    }
    return f;
}

QPushButton* Form2::NewButton(const char* name, QWidget* parent, QRect geometry,
                              const char* caption) {
    auto* b = new QPushButton(parent);
    setCaption(b, "app::Form2", caption);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    b->setFont(songFont(10.5));
    b->setAutoDefault(false);
    return b;
}

QRadioButton* Form2::NewOption(const char* name, QWidget* parent, QRect geometry,
                               const char* caption) {
    auto* o = new QRadioButton(parent);
    setCaption(o, "app::Form2", caption);
    o->setObjectName(QString::fromLatin1(name));
    o->setGeometry(geometry);
    return o;
}

QLabel* Form2::NewLabel(const char* name, QWidget* parent, QPoint topLeft, const char* caption) {
    auto* l = new QLabel(parent);
    setCaption(l, "app::Form2", caption);
    l->setObjectName(QString::fromLatin1(name));
    l->move(topLeft);
    l->adjustSize();
    return l;
}

QLineEdit* Form2::NewText(const char* name, QWidget* parent, QRect geometry, const QString& text) {
    auto* t = new QLineEdit(text, parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setGeometry(geometry);
    return t;
}

QAction* Form2::NewAction(const char* name, const char* caption, const QKeySequence& key) {
    auto* a = new QAction(this);
    setCaption(a, "Menu", caption);
    a->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) a->setShortcut(key);
    a->setShortcutContext(Qt::WindowShortcut);
    return a;
}

void Form2::BuildControls() {
    setWindowTitle(QStringLiteral("deravazideziz"));
    setWindowIcon(windowIcon());
    setFont(songFont(9));

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Form2Client"));
    client->setFixedSize(twipsToPx(14235), twipsToPx(11100));
    setCentralWidget(client);

    // Top band: real-time frame, history frame, live reading, banner.
    Frame1 = NewFrame("Frame1", client, tw(360, 120, 2775, 2055), "");
    Option1 = NewOption("Option1", Frame1, tw(720, 480, 1335, 375), QT_TR_NOOP("实时监控"));
    Option1->setFont(songFont(10.5));
    Command1 = NewButton("Command1", Frame1, tw(240, 1200, 615, 615), QT_TR_NOOP("开始"));
    Command2 = NewButton("Command2", Frame1, tw(1080, 1200, 615, 615), QT_TR_NOOP("暂停"));
    Command3 = NewButton("Command3", Frame1, tw(1920, 1200, 615, 615), QT_TR_NOOP("停止"));

    Frame2 = NewFrame("Frame2", client, tw(3360, 120, 3135, 2055), "");
    Option2 = NewOption("Option2", Frame2, tw(240, 480, 1575, 375), QT_TR_NOOP("历史数据查询"));
    Option2->setFont(songFont(10.5));
    Command4 = NewButton("Command4", Frame2, tw(480, 1200, 615, 615), QT_TR_NOOP("读取"));
    Command5 = NewButton("Command5", Frame2, tw(1320, 1200, 615, 615), QT_TR_NOOP("保存"));
    Command6 = NewButton("Command6", Frame2, tw(2160, 1200, 615, 615), QT_TR_NOOP("清空"));
    Command7 = NewButton("Command7", Frame2, tw(2160, 240, 735, 330), QT_TR_NOOP("上翻"));
    Command8 = NewButton("Command8", Frame2, tw(2160, 720, 735, 330), QT_TR_NOOP("下翻"));

    Frame3 = NewFrame("Frame3", client, tw(6840, 120, 3495, 2055), QT_TR_NOOP("实时显示"));
    Label7 = new LiveReadingLabel(QStringLiteral("LIVE"), Frame3);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setAlignment(Qt::AlignCenter);
    {
        // The design box fits "LIVE" exactly; readings such as "0.005mA" are wider, so
        // the box keeps its centre and height and grows sideways within the frame. Texts
        // wider still are drawn smaller (LiveReadingLabel).
        const QRect design = tw(780, 600, 1680, 840);
        const int half = qMin(design.center().x(), Frame3->width() - design.center().x()) - 2;
        Label7->setGeometry(design.center().x() - half, design.top(), 2 * half, design.height());
    }
    Label7->setFont(songFont(kLiveReadingPointSize));
    SetReadingColour(ReadingColour());

    Picture2 = new QLabel(client);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture2->setLineWidth(2);
    Picture2->setPixmap(bannerPixmap());
    Picture2->setGeometry(tw(10800, 360, 2880, 1935));

    // Work area, chart view. The chart lies below the strips where their borders meet.
    newSurface("Picture1", client, tw(360, 2400, 8000, 6000), &Picture1);
    newSurface("Picture3", client, tw(8280, 2400, 800, 6000), &Picture3);

    Slider1 = new QSlider(Qt::Vertical, client);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setGeometry(tw(9360, 2400, 675, 6000));
    Slider1->setRange(0, 9);
    Slider1->setInvertedAppearance(true);  // position 0 at the top
    Slider1->setInvertedControls(true);
    Slider1->setSingleStep(1);
    Slider1->setPageStep(5);
    Slider1->setTickPosition(QSlider::TicksBothSides);
    Slider1->setTickInterval(1);
    Slider1->setValue(4);

    newSurface("Picture4", client, tw(360, 8340, 8000, 800), &Picture4);
    Label12 = NewLabel("Label12", Picture4, tw(1680, 405, 0, 0).topLeft(), "x1:");
    Text5 = NewText("Text5", Picture4, tw(2040, 360, 615, 270), QStringLiteral("0"));
    Label13 = NewLabel("Label13", Picture4, tw(5040, 405, 0, 0).topLeft(), "x2:");
    Text6 = NewText("Text6", Picture4, tw(5400, 360, 615, 270), QStringLiteral("500"));
    for (QLabel* l : {Label12, Label13}) {
        l->setAutoFillBackground(true);
        QPalette pal = l->palette();
        pal.setColor(QPalette::Window, Qt::white);
        l->setPalette(pal);
    }

    Slider2 = new QSlider(Qt::Horizontal, client);
    Slider2->setObjectName(QStringLiteral("Slider2"));
    Slider2->setGeometry(tw(360, 9240, 7995, 495));
    Slider2->setRange(0, 4);
    Slider2->setSingleStep(1);
    Slider2->setPageStep(5);
    Slider2->setTickPosition(QSlider::TicksBelow);
    Slider2->setTickInterval(1);
    Slider2->setValue(2);

    const struct {
        const char* name;
        int left;
        const char* caption;
        QLabel** slot;
    } windowCaptions[] = {{"Label10", 450, "1s", &Label10},
                          {"Label14", 2280, "5s", &Label14},
                          {"Label15", 4200, "10s", &Label15},
                          {"Label16", 6165, "15s", &Label16},
                          {"Label17", 7965, "30s", &Label17}};
    for (const auto& c : windowCaptions) {
        *c.slot = NewLabel(c.name, client, tw(c.left, 9840, 0, 0).topLeft(), c.caption);
        (*c.slot)->setAlignment(Qt::AlignCenter);
    }

    Label9 = NewLabel("Label9", client, tw(8400, 8520, 0, 0).topLeft(), "y:");
    Text7 = NewText("Text7", client, tw(8640, 8475, 495, 270), QStringLiteral("500"));
    Label11 = NewLabel("Label11", client, tw(8400, 8925, 0, 0).topLeft(), "Z:");
    Text8 = NewText("Text8", client, tw(8640, 8880, 495, 270), QStringLiteral("0"));

    Label8 = new QLabel(QStringLiteral("100mA"), client);
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->setGeometry(tw(9240, 8520, 975, 615));
    Label8->setFont(songFont(12));
    Label8->setAlignment(Qt::AlignCenter);

    Label18 = new QLabel(QStringLiteral("X:   Y:"), client);
    Label18->setObjectName(QStringLiteral("Label18"));
    Label18->setGeometry(tw(8400, 9480, 1695, 495));
    Label18->setFont(songFont(12));
    Label18->setAlignment(Qt::AlignCenter);

    // Work area, report view: over the same rectangle as the chart view.
    RichTextBox1 = new output::ReportView(client);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setGeometry(tw(360, 2400, 8655, 6735));
    RichTextBox1->setAcceptRichText(false);
    RichTextBox1->setLineWrapMode(QTextEdit::NoWrap);
    RichTextBox1->document()->setDefaultFont(songFont(9));
    RichTextBox1->setFont(songFont(9));
    RichTextBox1->setPlainText(measure::reportTitleLine());

    // Right column: statistics, alarm, communication state.
    Frame5 = NewFrame("Frame5", client, tw(10320, 3000, 3135, 1575), QT_TR_NOOP("测量(Ω/mA)"));
    Label3 = NewLabel("Label3", Frame5, tw(1080, 375, 0, 0).topLeft(), "MAX:");
    Text2 = NewText("Text2", Frame5, tw(1680, 360, 855, 270), QString());
    Label4 = NewLabel("Label4", Frame5, tw(1080, 735, 0, 0).topLeft(), "MIN:");
    Text3 = NewText("Text3", Frame5, tw(1680, 720, 855, 270), QString());
    Label5 = NewLabel("Label5", Frame5, tw(720, 1095, 0, 0).topLeft(), "AVERAGE:");
    Text4 = NewText("Text4", Frame5, tw(1680, 1080, 855, 270), QString());
    for (QLabel* l : {Label3, Label4, Label5}) {
        l->setFont(songFont(10.5));
        l->adjustSize();
    }

    Frame6 = NewFrame("Frame6", client, tw(10320, 5760, 3135, 1575), QT_TR_NOOP("报警值设定"));
    Shape2 = new StatusLamp(Qt::white, Frame6);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape2->setGeometry(tw(360, 630, 495, 495));
    Text1 = NewText("Text1", Frame6, tw(1080, 660, 855, 435), QString());
    Text1->setFont(songFont(15));
    Option4 = NewOption("Option4", Frame6, tw(2160, 480, 495, 255), "mA");
    Option5 = NewOption("Option5", Frame6, tw(2160, 960, 495, 255), "A");
    // The design width clips the caption with this platform's wider option indicator.
    for (QRadioButton* o : {Option4, Option5})
        o->resize(qMax(o->width(), o->sizeHint().width()), o->height());

    Frame7 = NewFrame("Frame7", client, tw(10320, 8520, 3135, 1575), QT_TR_NOOP("通信状态"));
    Shape1 = new StatusLamp(QColor(0, 0, 255), Frame7);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(tw(360, 600, 495, 495));
    Label1 = new QLabel(Frame7);
    setCaption(Label1, "app::Form2", QT_TR_NOOP("COM1打开成功"));
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(tw(1200, 480, 1335, 255));
    Label2 = new QLabel(Frame7);
    setCaption(Label2, "app::Form2", QT_TR_NOOP("仪表连接失败"));
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(tw(1200, 960, 1815, 375));
    for (QLabel* l : {Label1, Label2}) l->setFont(songFont(10.5));

    // Status line.
    Label6 = new QLabel(client);
    setCaption(Label6, "app::Form2", QT_TR_NOOP("状态信息"));
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setGeometry(tw(480, 10440, 6495, 255));
    Label6->setMinimumWidth(Label6->width());

    // Timers with their design intervals and states.
    Timer1 = protocol::newNamedTimer(this, "Timer1", 500, false);
    // Timer2 … Timer5 drive the conversation with the meter and belong to the link.
    Timer6 = protocol::newNamedTimer(this, "Timer6", 1000, true);
    Timer7 = protocol::newNamedTimer(this, "Timer7", 500, false);

    resize(client->width(), client->height());
    centreOnScreen(this);
}

void Form2::BuildMenus() {
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QString());
    setCaption(file, "Menu", QT_TRANSLATE_NOOP("Menu", "文件(&F)"));
    file->setObjectName(QStringLiteral("mnufile"));
    mnusave = NewAction("mnusave", QT_TRANSLATE_NOOP("Menu", "保存(&S)"),
                        QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuprint = NewAction("mnuprint", QT_TRANSLATE_NOOP("Menu", "打印(&P)"),
                         QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuprintsetting =
        NewAction("mnuprintsetting", QT_TRANSLATE_NOOP("Menu", "打印设置"), QKeySequence());
    mnuexit = NewAction("mnuexit", QT_TRANSLATE_NOOP("Menu", "退出(&X)"),
                        QKeySequence(Qt::CTRL | Qt::Key_E));
    mnudatalog =
        NewAction("mnudatalog", QT_TRANSLATE_NOOP("Menu", "数据记录(&L)..."), QKeySequence());
    mnudatalog->setCheckable(true);
    mnuopenlog =
        NewAction("mnuopenlog", QT_TRANSLATE_NOOP("Menu", "打开数据记录(&O)..."), QKeySequence());
    // The language entry: each language by its own name, the one spoken ticked.
    mnulanguage = new QMenu(file);
    mnulanguage->setObjectName(QStringLiteral("mnulanguage"));
    setCaption(mnulanguage, "Menu", QT_TRANSLATE_NOOP("Menu", "语言(&G)"));
    mnuchinese = mnulanguage->addAction(QStringLiteral("中文(&Z)"));
    mnuchinese->setObjectName(QStringLiteral("mnuchinese"));
    mnuenglish = mnulanguage->addAction(QStringLiteral("&English"));
    mnuenglish->setObjectName(QStringLiteral("mnuenglish"));
    auto* languages = new QActionGroup(mnulanguage);
    for (QAction* a : {mnuchinese, mnuenglish}) {
        a->setCheckable(true);
        languages->addAction(a);
    }
    file->addActions({mnusave, mnuprint, mnuprintsetting, mnudatalog, mnuopenlog});
    file->addMenu(mnulanguage);
    file->addAction(mnuexit);

    QMenu* edit = bar->addMenu(QString());
    setCaption(edit, "Menu", QT_TRANSLATE_NOOP("Menu", "编辑(&E)"));
    edit->setObjectName(QStringLiteral("mnuedit"));
    mnucomsetting =
        NewAction("mnucomsetting", QT_TRANSLATE_NOOP("Menu", "通信设置"), QKeySequence());
    mnuuppage = NewAction("mnuuppage", QT_TRANSLATE_NOOP("Menu", "上翻"), QKeySequence(Qt::Key_F1));
    mnudownpage =
        NewAction("mnudownpage", QT_TRANSLATE_NOOP("Menu", "下翻"), QKeySequence(Qt::Key_F2));
    mnux = NewAction("mnux", QT_TRANSLATE_NOOP("Menu", "剪切"), QKeySequence());
    mnucopy = NewAction("mnucopy", QT_TRANSLATE_NOOP("Menu", "复制"), QKeySequence());
    mnupaste = NewAction("mnupaste", QT_TRANSLATE_NOOP("Menu", "粘贴"), QKeySequence());
    mnudelete = NewAction("mnudelete", QT_TRANSLATE_NOOP("Menu", "删除"),
                          QKeySequence(Qt::CTRL | Qt::Key_D));
    mnucancel = NewAction("mnucancel", QT_TRANSLATE_NOOP("Menu", "撤销"), QKeySequence());
    edit->addActions(
        {mnucomsetting, mnuuppage, mnudownpage, mnux, mnucopy, mnupaste, mnudelete, mnucancel});

    QMenu* run = bar->addMenu(QString());
    setCaption(run, "Menu", QT_TRANSLATE_NOOP("Menu", "运行(&R)"));
    run->setObjectName(QStringLiteral("mnurun"));
    mnurun1 = NewAction("mnurun1", QT_TRANSLATE_NOOP("Menu", "启动"), QKeySequence(Qt::Key_F3));
    mnupause = NewAction("mnupause", QT_TRANSLATE_NOOP("Menu", "暂停"), QKeySequence(Qt::Key_F4));
    mnustop = NewAction("mnustop", QT_TRANSLATE_NOOP("Menu", "停止"), QKeySequence(Qt::Key_F5));
    run->addActions({mnurun1, mnupause, mnustop});

    QMenu* help = bar->addMenu(QString());
    setCaption(help, "Menu", QT_TRANSLATE_NOOP("Menu", "帮助(&H)"));
    help->setObjectName(QStringLiteral("mnuhelp"));
    mnuaboutus = NewAction("mnuaboutus", QT_TRANSLATE_NOOP("Menu", "关于软件"),
                           QKeySequence(Qt::CTRL | Qt::Key_H));
    help->addAction(mnuaboutus);

    // Accelerators work while the menus are closed.
    addActions({mnusave, mnuprint, mnuprintsetting, mnuexit, mnucomsetting, mnuuppage, mnudownpage,
                mnux, mnucopy, mnupaste, mnudelete, mnucancel, mnurun1, mnupause, mnustop,
                mnuaboutus});
}

}  // namespace app

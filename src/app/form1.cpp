#include "form1.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <iterator>

#include "artwork.h"
#include "captions.h"
#include "porttexts.h"
#include "protocol/meterlink.h"
#include "twips.h"

namespace app {

Form1::Form1(protocol::MeterLink& link, const serial::PortMap& ports)
    : QDialog(nullptr), link_(link), ports_(ports) {
    setObjectName(QStringLiteral("Form1"));
    setAttribute(Qt::WA_DeleteOnClose);  // closing unloads the dialog
    setWindowTitle(QStringLiteral("deravazideziz"));
    setWindowIcon(windowIcon());
    setFont(songFont(9));
    setFixedSize(twipsToPx(5460), twipsToPx(2595));

    Frame1 = new QGroupBox(this);
    setCaption(Frame1, "app::Form1", QT_TR_NOOP("通信设置"));
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(tw(360, 240, 4695, 1935));

    // Columns from left to right; the stop-bits list is Combo5 and the parity list Combo4.
    struct Column {
        int left, width;
        const char *label, *combo;
        const char* caption;
        QStringList entries;
        QLabel** labelSlot;
        QComboBox** comboSlot;
    };
    QStringList portNames;
    for (int i = 1; i <= 16; ++i) portNames << PortName(i);
    const Column columns[] = {
        {240, 855, "Label1", "Combo1", QT_TR_NOOP("串口号"), portNames, &Label1, &Combo1},
        {1200,
         855,
         "Label2",
         "Combo2",
         QT_TR_NOOP("波特率"),
         {"1200", "2400", "4800", "9600", "14400", "19200", "38400", "56000", "57600", "115200"},
         &Label2,
         &Combo2},
        {2160,
         495,
         "Label3",
         "Combo3",
         QT_TR_NOOP("数据位"),
         {"5", "6", "7", "8"},
         &Label3,
         &Combo3},
        {2880, 615, "Label4", "Combo5", QT_TR_NOOP("停止位"), {"1", "2"}, &Label4, &Combo5},
        {3720,
         735,
         "Label5",
         "Combo4",
         QT_TR_NOOP("校验位"),
         {"NONE", "EVEN", "ODD"},
         &Label5,
         &Combo4},
    };
    for (size_t i = 0; i < std::size(columns); ++i) {
        const Column& c = columns[i];
        auto* label = new QLabel(Frame1);
        setCaption(label, "app::Form1", c.caption);
        label->setObjectName(QString::fromLatin1(c.label));
        label->setGeometry(tw(c.left, 480, c.width, 255));
        auto* combo = new QComboBox(Frame1);
        combo->setObjectName(QString::fromLatin1(c.combo));
        combo->setGeometry(tw(c.left, 960, c.width, 300));
        combo->addItems(c.entries);
        combo->setEditable(false);
        // The design widths are those of a classic list with a slim arrow; keep the text
        // readable at that width.
        combo->setStyleSheet(QStringLiteral("QComboBox { padding: 0px 0px 0px 2px; }"));
        // Where this platform's font is wider, a list may grow into the gap before the
        // next column (the last one up to the frame's edge), never over it.
        const int room = (i + 1 < std::size(columns) ? columns[i + 1].left : 4695 - 120) - 45;
        combo->resize(qBound(combo->width(), combo->sizeHint().width(), twipsToPx(room - c.left)),
                      combo->height());
        labelRoom_.append({label, label->geometry(), twipsToPx(room)});
        *c.labelSlot = label;
        *c.comboSlot = combo;
    }
#ifndef Q_OS_WIN
    // Port names stay COMn; the tooltip tells which device each one reaches here.
    for (int i = 0; i < Combo1->count(); ++i)
        Combo1->setItemData(i, ports_.deviceFor(i + 1), Qt::ToolTipRole);
#endif

    centreOnScreen(this);
    RetranslateUi();
    Form_Load();

    // Only the user's choices count: selecting the current values above changes nothing.
    connect(Combo1, &QComboBox::activated, this, &Form1::Combo1_Click);
    connect(Combo2, &QComboBox::activated, this, &Form1::Combo2_Click);
    connect(Combo3, &QComboBox::activated, this, &Form1::Combo3_Click);
    connect(Combo4, &QComboBox::activated, this, &Form1::Combo4_Click);
    connect(Combo5, &QComboBox::activated, this, &Form1::Combo5_Click);
}

namespace {

// The lists' texts for a line setting; a setting no list offers shows no selection.
QString parityText(QSerialPort::Parity parity) {
    switch (parity) {
        case QSerialPort::EvenParity:
            return QStringLiteral("EVEN");
        case QSerialPort::OddParity:
            return QStringLiteral("ODD");
        case QSerialPort::MarkParity:
            return QStringLiteral("MARK");
        case QSerialPort::SpaceParity:
            return QStringLiteral("SPACE");
        default:
            return QStringLiteral("NONE");
    }
}

QString stopBitsText(QSerialPort::StopBits stop) {
    return stop == QSerialPort::TwoStop          ? QStringLiteral("2")
           : stop == QSerialPort::OneAndHalfStop ? QStringLiteral("1.5")
                                                 : QStringLiteral("1");
}

}  // namespace

void Form1::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) RetranslateUi();
    QDialog::changeEvent(event);
}

void Form1::RetranslateUi() {
    retranslateCaptions(this);
    // A label may grow into the gap before the next column, as its list does; a caption
    // wider still (English "Data bits") starts earlier, in the room the label before it
    // leaves free.
    int free = 0;
    for (const LabelRoom& r : labelRoom_) {
        const int need = captionWidth(r.label);
        const int left =
            need > r.right - r.design.left() ? qMax(free, r.right - need) : r.design.left();
        r.label->setGeometry(left, r.design.top(), qBound(r.design.width(), need, r.right - left),
                             r.design.height());
        free = left + need + 4;
    }
}

void Form1::Form_Load() {
    const serial::LineSettings line = link_.lineSettings();
    Combo1->setCurrentIndex(Combo1->findText(PortName(link_.portNumber())));
    Combo2->setCurrentIndex(Combo2->findText(QString::number(line.baudRate)));
    Combo3->setCurrentIndex(Combo3->findText(QString::number(int(line.dataBits))));
    Combo4->setCurrentIndex(Combo4->findText(parityText(line.parity)));
    Combo5->setCurrentIndex(Combo5->findText(stopBitsText(line.stopBits)));
}

void Form1::Combo1_Click(int index) {
    if (index < 0) return;
    link_.selectPort(index + 1);  // closes, renumbers and opens the port
}

void Form1::ChangeLineSetting(const std::function<void(serial::LineSettings&)>& change) {
    serial::LineSettings line = link_.lineSettings();
    change(line);
    // A refusal comes back as the link's event, as one at an open does: the window says it
    // and the lists show the settings kept.
    link_.setLineSettings(line);
}

void Form1::Combo2_Click(int index) {
    if (index < 0) return;
    ChangeLineSetting(
        [&](serial::LineSettings& l) { l.baudRate = Combo2->itemText(index).toInt(); });
}
void Form1::Combo3_Click(int index) {
    if (index < 0) return;
    ChangeLineSetting([&](serial::LineSettings& l) {
        l.dataBits = QSerialPort::DataBits(Combo3->itemText(index).toInt());
    });
}
void Form1::Combo4_Click(int index) {
    if (index < 0) return;
    const QString text = Combo4->itemText(index);
    ChangeLineSetting([&](serial::LineSettings& l) {
        l.parity = text == QLatin1String("EVEN")  ? QSerialPort::EvenParity
                   : text == QLatin1String("ODD") ? QSerialPort::OddParity
                                                  : QSerialPort::NoParity;
    });
}
void Form1::Combo5_Click(int index) {
    if (index < 0) return;
    ChangeLineSetting([&](serial::LineSettings& l) {
        l.stopBits = Combo5->itemText(index) == QLatin1String("2") ? QSerialPort::TwoStop
                                                                   : QSerialPort::OneStop;
    });
}

}  // namespace app

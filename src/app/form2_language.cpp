// The main window's language: the File menu's entry that switches between Chinese and
// English, and every text of the window shown again in the language chosen. The Chinese
// window keeps its design geometry; in English a control grows inside its frame where its
// caption needs the room. A report the user already has stays as it is.

#include <QAction>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <cstdio>

#include "artwork.h"
#include "captions.h"
#include "form2.h"
#include "language.h"
#include "measure/historyreport.h"
#include "statustext.h"

namespace app {

void Form2::ConnectLanguage() {
    for (QWidget* w : findChildren<QWidget*>())
        if (!shownCaption(w).isEmpty()) designGeometry_.insert(w, w->geometry());
    connect(mnuchinese, &QAction::triggered, this, [this] { SwitchLanguage(false); });
    connect(mnuenglish, &QAction::triggered, this, [this] { SwitchLanguage(true); });
    RetranslateUi();
}

void Form2::SwitchLanguage(bool english) {
    const Language language = english ? Language::English : Language::Chinese;
    if (!rememberLanguage(language))
        std::fprintf(stderr,
                     "leakmeter: the language chosen could not be kept for the next start\n");
    if (language == currentLanguage()) return;
    // The report view keeps a report the user has; only its untouched title follows.
    const bool untouched = RichTextBox1->toPlainText() == measure::reportTitleLine();
    useLanguage(language);  // every window is told: changeEvent
    if (untouched) RichTextBox1->setPlainText(measure::reportTitleLine());
}

void Form2::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) RetranslateUi();
    QMainWindow::changeEvent(event);
}

void Form2::RetranslateUi() {
    retranslateCaptions(this);
    if (statusSource_) Label6->setText(statusSource_());
    if (brokerSource_) Frame7->setToolTip(brokerSource_());
    if (portLabelEvent_) Label1->setText(portLabelText(*portLabelEvent_).value_or(QString()));
    if (meterLabelEvent_) Label2->setText(meterLabelText(*meterLabelEvent_).value_or(QString()));
    Picture2->setPixmap(bannerPixmap());
    const bool english = currentLanguage() == Language::English;
    mnuchinese->setChecked(!english);
    mnuenglish->setChecked(english);
    FitCaptions();
}

void Form2::FitCaptions() {
    for (auto it = designGeometry_.constBegin(); it != designGeometry_.constEnd(); ++it)
        it.key()->setGeometry(it.value());
    if (currentLanguage() == Language::Chinese) return;  // the design fits the Chinese texts

    // The status line and the port and meter labels show texts that change with the link;
    // they take the whole width free to their right.
    const int margin = Label6->x();
    Label6->resize(Label6->parentWidget()->width() - 2 * margin, Label6->height());
    for (QLabel* l : {Label1, Label2})
        l->resize(l->parentWidget()->width() - l->x() - 6, l->height());

    // Buttons grow evenly about their centre, options to the right, within their frame.
    for (auto it = designGeometry_.constBegin(); it != designGeometry_.constEnd(); ++it) {
        QWidget* w = it.key();
        const int need = captionWidth(w);
        if (need <= w->width()) continue;
        const int room = w->parentWidget()->width() - 4;
        if (qobject_cast<QPushButton*>(w)) {
            const int width = qMin(need, room);
            const int left = qBound(2, w->geometry().center().x() - width / 2, room + 2 - width);
            w->setGeometry(left, w->y(), width, w->height());
        } else if (qobject_cast<QRadioButton*>(w)) {
            w->resize(qMin(need, room + 2 - w->x()), w->height());
        }
    }
}

void Form2::ShowBrokerState(publish::BrokerState state, const QString& broker,
                            const QString& reason) {
    brokerSource_ = [=] { return brokerStateText(state, broker, reason); };
    Frame7->setToolTip(brokerSource_());
}

}  // namespace app

// The main window from the keyboard: the menus' accelerators from every text box and the
// report view, the Edit menu opened with Alt+E, and pasting an empty clipboard. No meter is
// attached; dialogs and message boxes are scripted.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTextEdit>
#include <QtTest>

#include "../output/recordingsink.h"
#include "app/form2.h"
#include "formcontrols.h"
#include "output/scripteddialogbackend.h"

using app::Form2;

namespace {

// Where the system delivers a key: the open menu, else the control with the keyboard.
QWidget* KeyTarget() {
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    return QApplication::focusWidget();
}

void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = KeyTarget();
    QVERIFY(target);
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

// On X11 a text box claims Ctrl+E ("end of line") before the window's shortcuts are tried;
// the offscreen platform binds no such keys. This stands for the strictest platform: every
// text box claims every key it is offered.
class BoxesClaimEveryKey : public QObject {
  public:
    BoxesClaimEveryKey() { qApp->installEventFilter(this); }
    ~BoxesClaimEveryKey() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride &&
            (qobject_cast<QLineEdit*>(receiver) || qobject_cast<QTextEdit*>(receiver)))
            event->accept();
        return false;
    }
};

// The clipboard as it is when nothing has been copied since login: there, but empty.
void EmptyClipboard() {
    QApplication::clipboard()->setMimeData(new QMimeData);
}

}  // namespace

class TstForm2Keyboard : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();
    void accelerators_data();
    void accelerators();
    void editMenuFromKeyboard_data();
    void editMenuFromKeyboard();
    void pastingNothing_data();
    void pastingNothing();

  private:
    // Opens the Edit menu with Alt+E, walks to `item` with the arrow keys and presses Enter.
    void ChooseFromEditMenu(QAction* item);
    void Focus(QWidget* box);

    std::unique_ptr<QTemporaryDir> home_;
    QByteArray oldHome_;
    output::ScriptedDialogBackend dialogs_;
    RecordingSink sink_;
    Form2* w_ = nullptr;
};

void TstForm2Keyboard::init() {
    home_ = std::make_unique<QTemporaryDir>();
    oldHome_ = qgetenv("HOME");
    qputenv("HOME", home_->path().toUtf8());
    dialogs_ = output::ScriptedDialogBackend();
    sink_ = RecordingSink();
    serial::PortMap m;
    m.addMapping(QStringLiteral("COM1=") + home_->filePath("none"));
    w_ = new Form2(m, &dialogs_, &sink_);
    w_->show();
    QApplication::setActiveWindow(w_);
    QVERIFY(QTest::qWaitForWindowActive(w_));
}

void TstForm2Keyboard::cleanup() {
    delete w_;
    w_ = nullptr;
    qputenv("HOME", oldHome_);
}

void TstForm2Keyboard::Focus(QWidget* box) {
    box->setFocus(Qt::MouseFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), box);
}

void TstForm2Keyboard::ChooseFromEditMenu(QAction* item) {
    auto* menu = w_->findChild<QMenu*>(QStringLiteral("mnuedit"));
    QVERIFY(menu);
    Press(Qt::Key_E, Qt::AltModifier);
    QTRY_VERIFY(menu->isVisible());
    for (int i = 0; i < 12 && menu->activeAction() != item; ++i) Press(Qt::Key_Down);
    QCOMPARE(menu->activeAction(), item);
    Press(Qt::Key_Return);
    QTRY_VERIFY(!menu->isVisible());
}

void TstForm2Keyboard::accelerators_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QKeySequence>("key");
    const QList<QPair<const char*, QKeySequence>> everywhere = {
        {"mnusave", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"mnuprint", QKeySequence(Qt::CTRL | Qt::Key_P)},
        {"mnuexit", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"mnuaboutus", QKeySequence(Qt::CTRL | Qt::Key_H)},
        {"mnudelete", QKeySequence(Qt::CTRL | Qt::Key_D)},
    };
    // Real-time monitoring: every text box; the run keys work there, paging does not.
    for (const char* box :
         {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8"}) {
        auto rows = everywhere;
        rows += {{"mnurun1", QKeySequence(Qt::Key_F3)},
                 {"mnupause", QKeySequence(Qt::Key_F4)},
                 {"mnustop", QKeySequence(Qt::Key_F5)}};
        for (const auto& [action, key] : rows)
            QTest::addRow("%s %s", box, action) << box << action << key;
    }
    // History query: the report view; paging works there, the run keys do not.
    auto rows = everywhere;
    rows += {{"mnuuppage", QKeySequence(Qt::Key_F1)}, {"mnudownpage", QKeySequence(Qt::Key_F2)}};
    for (const auto& [action, key] : rows)
        QTest::addRow("RichTextBox1 %s", action) << "RichTextBox1" << action << key;
}

void TstForm2Keyboard::accelerators() {
    QFETCH(QString, box);
    QFETCH(QString, action);
    QFETCH(QKeySequence, key);
    if (box == QLatin1String("RichTextBox1")) Ctl<QRadioButton>(*w_, "Option2")->click();
    auto* target = w_->findChild<QWidget*>(box);
    auto* item = w_->findChild<QAction*>(action);
    QVERIFY(target && item);
    QVERIFY(item->isEnabled());
    if (auto* line = qobject_cast<QLineEdit*>(target)) line->setText(QStringLiteral("12"));
    Focus(target);

    QSignalSpy triggered(item, &QAction::triggered);
    BoxesClaimEveryKey claim;
    Press(key[0].key(), key[0].keyboardModifiers());
    QCOMPARE(triggered.count(), 1);
}

void TstForm2Keyboard::editMenuFromKeyboard_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("text");       // the box's text afterwards
    QTest::addColumn<QString>("clipboard");  // afterwards; "ab" before
    QTest::newRow("Text1 cut") << "Text1"
                               << "mnux"
                               << "1"
                               << "23.5";
    QTest::newRow("Text1 copy") << "Text1"
                                << "mnucopy"
                                << "123.5"
                                << "23.5";
    QTest::newRow("Text1 paste") << "Text1"
                                 << "mnupaste"
                                 << "1ab"
                                 << "ab";
    QTest::newRow("Text1 delete") << "Text1"
                                  << "mnudelete"
                                  << "1"
                                  << "ab";
    QTest::newRow("Text6 copy") << "Text6"
                                << "mnucopy"
                                << "123.5"
                                << "23.5";
    QTest::newRow("RichTextBox1 cut") << "RichTextBox1"
                                      << "mnux"
                                      << "1"
                                      << "23.5";
}

void TstForm2Keyboard::editMenuFromKeyboard() {
    QFETCH(QString, box);
    QFETCH(QString, action);
    QFETCH(QString, text);
    QFETCH(QString, clipboard);
    if (box == QLatin1String("RichTextBox1")) Ctl<QRadioButton>(*w_, "Option2")->click();
    auto* target = w_->findChild<QWidget*>(box);
    auto* item = w_->findChild<QAction*>(action);
    QVERIFY(target && item);
    auto* line = qobject_cast<QLineEdit*>(target);
    auto* report = qobject_cast<QTextEdit*>(target);
    line ? line->clear() : report->clear();
    QApplication::clipboard()->setText(QStringLiteral("ab"));
    Focus(target);

    // Type the value, then select all but its first character with Shift+arrows.
    QTest::keyClicks(target, QStringLiteral("123.5"));
    Press(Qt::Key_Home);
    Press(Qt::Key_Right);
    for (int i = 0; i < 4; ++i) Press(Qt::Key_Right, Qt::ShiftModifier);

    ChooseFromEditMenu(item);
    QTRY_COMPARE(QApplication::focusWidget(), target);
    QCOMPARE(line ? line->text() : report->toPlainText(), text);
    QCOMPARE(QApplication::clipboard()->text(), clipboard);
}

void TstForm2Keyboard::pastingNothing_data() {
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("report view, Ctrl+V") << "RichTextBox1" << false;
    QTest::newRow("report view, Edit menu") << "RichTextBox1" << true;
    QTest::newRow("alarm box, Edit menu") << "Text1" << true;
}

void TstForm2Keyboard::pastingNothing() {
    QFETCH(QString, box);
    QFETCH(bool, byMenu);
    if (box == QLatin1String("RichTextBox1")) Ctl<QRadioButton>(*w_, "Option2")->click();
    auto* target = w_->findChild<QWidget*>(box);
    QVERIFY(target);
    auto* line = qobject_cast<QLineEdit*>(target);
    auto* report = qobject_cast<QTextEdit*>(target);
    const auto content = [&] { return line ? line->text() : report->toPlainText(); };
    const QString before = content();
    EmptyClipboard();
    Focus(target);

    if (byMenu)
        ChooseFromEditMenu(Ctl<QAction>(*w_, "mnupaste"));
    else
        Press(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(content(), before);
    QCOMPARE(QApplication::focusWidget(), target);
    // The window goes on: the next accelerator still reaches it.
    QTest::keyClick(target, Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(sink_.boxes.size(), 1);
}

QTEST_MAIN(TstForm2Keyboard)
#include "tst_form2_keyboard.moc"

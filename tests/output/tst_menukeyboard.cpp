#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>

#include "output/menukeyboard.h"

// A window's accelerators against text boxes that keep keys for themselves. Ctrl+A (select
// all) and Ctrl+Z (undo) are kept by line edits and text views on every platform, as Ctrl+E
// is by a line edit on X11.
class TestMenuKeyboard : public QObject {
    Q_OBJECT
  private slots:
    void acceleratorsReachTheWindow_data();
    void acceleratorsReachTheWindow();
};

void TestMenuKeyboard::acceleratorsReachTheWindow_data() {
    QTest::addColumn<bool>("rich");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("enabled");  // the window's action for the key
    QTest::addColumn<bool>("given");    // the box gives the window's accelerators to it
    QTest::addColumn<bool>("triggered");
    for (const bool rich : {false, true}) {
        const char* box = rich ? "text view" : "line edit";
        for (const int key : {int(Qt::Key_A), int(Qt::Key_Z), int(Qt::Key_E)}) {
            const char k = char(key);
            QTest::addRow("%s Ctrl+%c", box, k) << rich << key << true << true << true;
            QTest::addRow("%s Ctrl+%c, action disabled", box, k)
                << rich << key << false << true << false;
        }
        // Without it, the box keeps its own keys.
        QTest::addRow("%s Ctrl+A, not given", box)
            << rich << int(Qt::Key_A) << true << false << false;
    }
}

void TestMenuKeyboard::acceleratorsReachTheWindow() {
    QFETCH(bool, rich);
    QFETCH(int, key);
    QFETCH(bool, enabled);
    QFETCH(bool, given);
    QFETCH(bool, triggered);
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* line = new QLineEdit(QStringLiteral("1234"));
    auto* view = new QTextEdit;
    view->setPlainText(QStringLiteral("1234"));
    layout->addWidget(line);
    layout->addWidget(view);
    auto* action = new QAction(&window);
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(key)));
    action->setShortcutContext(Qt::WindowShortcut);
    action->setEnabled(enabled);
    window.addAction(action);
    QWidget* box = rich ? static_cast<QWidget*>(view) : line;
    if (given) output::giveAcceleratorsToWindow(box, &window);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), box);

    QSignalSpy spy(action, &QAction::triggered);
    QTest::keyClick(box, Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(spy.count(), triggered ? 1 : 0);
    // What the window took never reached the box.
    if (triggered) {
        QVERIFY(rich ? !view->textCursor().hasSelection() : !line->hasSelectedText());
        QCOMPARE(rich ? view->toPlainText() : line->text(), QStringLiteral("1234"));
    }
}

QTEST_MAIN(TestMenuKeyboard)
#include "tst_menukeyboard.moc"

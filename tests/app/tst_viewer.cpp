// The viewer opened from the main window's File menu with the keyboard (Alt+F, arrows, Enter),
// then zoomed, panned, read with the cursor and saved as a picture. Dialogs are scripted.
// Logs without a reading say so in the status line.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QWheelEvent>
#include <QtTest>

#include "../output/recordingsink.h"
#include "app/form2.h"
#include "app/language.h"
#include "measure/datalog.h"
#include "output/scripteddialogbackend.h"
#include "viewer/viewerwindow.h"

namespace {

void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::activePopupWidget();
    if (!target) target = QApplication::focusWidget();
    QVERIFY(target);
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

qint64 Span(const viewer::PlotWidget* plot) {
    return plot->view().t1 - plot->view().t0;
}

}  // namespace

class TstViewer : public QObject {
    Q_OBJECT
  private slots:
    void openZoomPanReadSave();
    void noReadingsSaid();
    void intervalReadout();
};

void TstViewer::openZoomPanReadSave() {
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    const QString log = home.filePath("night.csv");
    {
        QByteArray rows = measure::dataLogHeader();
        const QDateTime start = QDateTime::currentDateTime();
        for (int i = 0; i < 7200; ++i)  // an hour
            rows +=
                measure::dataLogRow({0, quint8(10 + i % 50), 21}, start.addMSecs(i * 500), i * 500);
        QFile f(log);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(rows) == rows.size());
    }
    output::ScriptedDialogBackend dialogs;
    RecordingSink sink;
    serial::PortMap ports;
    ports.addMapping(QStringLiteral("COM1=") + home.filePath("none"));
    app::Form2 w(ports, &dialogs, &sink);
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));

    dialogs.acceptOpen({log});
    auto* menu = w.findChild<QMenu*>(QStringLiteral("mnufile"));
    auto* entry = w.findChild<QAction*>(QStringLiteral("mnuopenlog"));
    QVERIFY(menu && entry);
    Press(Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(menu->isVisible());
    for (int i = 0; i < 8 && menu->activeAction() != entry; ++i) Press(Qt::Key_Down);
    QCOMPARE(menu->activeAction(), entry);
    Press(Qt::Key_Return);
    viewer::ViewerWindow* v = nullptr;
    QTRY_VERIFY((v = w.findChild<viewer::ViewerWindow*>()) && v->isVisible());
    QCOMPARE(dialogs.openRequests.size(), 1);
    QCOMPARE(v->data().rows(), 7200);
    QVERIFY(v->windowTitle().contains("night.csv"));

    viewer::PlotWidget* plot = v->plot();
    QApplication::setActiveWindow(v);
    QVERIFY(QTest::qWaitForWindowActive(v));
    plot->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), plot);
    const qint64 all = Span(plot), start = plot->view().t0;
    Press(Qt::Key_Up);  // zoom in
    QCOMPARE(Span(plot), qint64(all * 0.8 + 0.5));
    const qint64 zoomedStart = plot->view().t0;
    Press(Qt::Key_Right);  // pan
    QVERIFY(plot->view().t0 > zoomedStart);
    Press(Qt::Key_Home);
    QCOMPARE(plot->view().t0, start);

    // Two wheel notches away from the user zoom in twice; a dragged range fills the view.
    const QPointF middle(plot->width() / 2.0, plot->height() / 2.0);
    QWheelEvent wheel(middle, plot->mapToGlobal(middle), {}, {0, 240}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
    QCOMPARE(Span(plot), qint64(all * 0.64 + 0.5));
    Press(Qt::Key_Home);
    const QRect area = plot->area();
    const int y = area.center().y();
    QTest::mousePress(plot, Qt::LeftButton, {}, {area.left() + 100, y});
    QTest::mouseMove(plot, {area.left() + 300, y});
    QTest::mouseRelease(plot, Qt::LeftButton, {}, {area.left() + 300, y});
    QVERIFY(qAbs(double(Span(plot)) / all - 200.0 / area.width()) < 0.01);

    auto* cursor = v->findChild<QLabel*>(QStringLiteral("lblCursor"));
    QTest::mouseMove(plot, {area.left() + 150, y});
    QTRY_VERIFY2(cursor->text().endsWith("mA"), qPrintable(cursor->text()));

    const QString picture = home.filePath("view.png");
    dialogs.acceptSave(picture);
    Press(Qt::Key_S, Qt::ControlModifier);
    QTRY_VERIFY(QFile::exists(picture));
    QCOMPARE(QImage(picture).size(), plot->size());

    // An open viewer follows a switch of the program's language.
    app::useLanguage(app::Language::English);
    QTRY_VERIFY2(v->windowTitle().startsWith("Data Log Viewer"), qPrintable(v->windowTitle()));
    app::useLanguage(app::Language::Chinese);
    QTRY_VERIFY(v->windowTitle().startsWith(QStringLiteral("数据记录查看")));
    qputenv("HOME", oldHome);
}

void TstViewer::noReadingsSaid() {
    QTemporaryDir dir;
    const QString log = dir.filePath("quiet.csv");
    QFile f(log);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    output::ScriptedDialogBackend dialogs;
    viewer::ViewerWindow v({log}, dialogs);
    auto* summary = v.findChild<QLabel*>(QStringLiteral("lblSummary"));
    QCOMPARE(summary->text(), QStringLiteral("quiet.csv 中没有读数"));
    app::useLanguage(app::Language::English);
    QTRY_COMPARE(summary->text(), QStringLiteral("no readings in quiet.csv"));
    app::useLanguage(app::Language::Chinese);
}

// On an interval log the cursor reads the interval under it: min, max, mean and count.
void TstViewer::intervalReadout() {
    QTemporaryDir dir;
    const QString log = dir.filePath("minutes.csv");
    {
        QByteArray rows = "start,end,count,min_mA,max_mA,mean_mA,overloads,errors\r\n";
        const QDateTime start(QDate(2026, 12, 10), QTime(1, 0));
        for (int m = 0; m < 60; ++m)
            rows += start.addSecs(m * 60).toString(Qt::ISODate).toLatin1() + ',' +
                    start.addSecs(m * 60 + 60).toString(Qt::ISODate).toLatin1() +
                    ",120,20,40,30,0,0\r\n";
        QFile f(log);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(rows) == rows.size());
    }
    output::ScriptedDialogBackend dialogs;
    viewer::ViewerWindow v({log}, dialogs);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    viewer::PlotWidget* plot = v.plot();
    auto* cursor = v.findChild<QLabel*>(QStringLiteral("lblCursor"));
    QTest::mouseMove(plot, plot->area().center());
    QTRY_VERIFY2(
        cursor->text().endsWith(QStringLiteral("最小 20mA  最大 40mA  平均 30mA  120 个读数")),
        qPrintable(cursor->text()));
}

QTEST_MAIN(TstViewer)
#include "tst_viewer.moc"

#include <QTest>

#include "output/commondialog.h"
#include "output/scripteddialogbackend.h"

using output::FilterEntry;

class TestCommonDialog : public QObject {
    Q_OBJECT
  private slots:
    void filterText_data();
    void filterText();
    void defaultExtension_data();
    void defaultExtension();
    void chosenTypeGivesExtension_data();
    void chosenTypeGivesExtension();
    void typeIndexCarriesOver();
};

void TestCommonDialog::filterText_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("nameFilters");
    QTest::newRow("report") << QString::fromUtf8("文本格式 (*.txt)|*.txt")
                            << QStringList{QString::fromUtf8("文本格式 (*.txt)")};
    // Trailing separator; each description names its patterns already and is shown once.
    QTest::newRow("image") << QString::fromUtf8("位图格式 (*.bmp)|*.bmp|jpg格式 (*.jpg)|*jpg|")
                           << QStringList{QString::fromUtf8("位图格式 (*.bmp)"),
                                          QString::fromUtf8("jpg格式 (*.jpg)")};
    QTest::newRow("two patterns, no pattern")
        << "Pictures|*.bmp;*.jpg|All" << QStringList{"Pictures (*.bmp *.jpg)", "All (*)"};
}

void TestCommonDialog::filterText() {
    QFETCH(QString, filter);
    QFETCH(QStringList, nameFilters);
    QCOMPARE(output::nameFilters(output::parseFilter(filter)), nameFilters);
}

void TestCommonDialog::defaultExtension_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("defaultExt");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no extension") << "/d/chart"
                                  << ".bmp"
                                  << "/d/chart.bmp";
    QTest::newRow("own extension kept") << "/d/chart.jpg"
                                        << ".bmp"
                                        << "/d/chart.jpg";
    QTest::newRow("dot in folder only") << "/d/v1.1/report"
                                        << ".txt"
                                        << "/d/v1.1/report.txt";
    QTest::newRow("trailing dot") << "/d/chart."
                                  << ".bmp"
                                  << "/d/chart.bmp";
    QTest::newRow("set without dot") << "/d/report"
                                     << "txt"
                                     << "/d/report.txt";
}

void TestCommonDialog::defaultExtension() {
    QFETCH(QString, typed);
    QFETCH(QString, defaultExt);
    QFETCH(QString, expected);
    output::ScriptedDialogBackend backend;
    output::CommonDialog dialog(backend);
    dialog.DefaultExt = defaultExt;
    backend.acceptSave(typed);
    QVERIFY(dialog.ShowSave().accepted());
    QCOMPARE(dialog.FileName, expected);
}

void TestCommonDialog::chosenTypeGivesExtension_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("expected");
    const QString image = QString::fromUtf8("位图格式 (*.bmp)|*.bmp|jpg格式 (*.jpg)|*jpg|");
    QTest::newRow("bare name, jpg type") << image << "/d/Zentravolix" << 2 << "/d/Zentravolix.jpg";
    QTest::newRow("bare name, bmp type") << image << "/d/Zentravolix" << 1 << "/d/Zentravolix.bmp";
    QTest::newRow("own extension wins over the type") << image << "/d/c.png" << 2 << "/d/c.png";
    QTest::newRow("first of several patterns") << "Pictures|*.png;*.bmp"
                                               << "/d/c" << 1 << "/d/c.png";
    QTest::newRow("any-file type: default extension") << "All|*.*"
                                                      << "/d/c" << 1 << "/d/c.bmp";
    QTest::newRow("type without pattern: default extension") << "All|"
                                                             << "/d/c" << 1 << "/d/c.bmp";
}

void TestCommonDialog::chosenTypeGivesExtension() {
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(int, type);
    QFETCH(QString, expected);
    output::ScriptedDialogBackend backend;
    output::CommonDialog dialog(backend);
    dialog.Filter = filter;
    dialog.DefaultExt = ".bmp";
    backend.acceptSave(typed, type);
    QVERIFY(dialog.ShowSave().accepted());
    QCOMPARE(dialog.FileName, expected);
}

void TestCommonDialog::typeIndexCarriesOver() {
    output::ScriptedDialogBackend backend;
    output::CommonDialog dialog(backend);
    dialog.Filter = "A|*.a|B|*.b|";
    backend.acceptSave("/d/x", 2);
    dialog.ShowSave();
    dialog.CancelError = true;
    backend.cancel();  // a cancel confirms nothing
    QCOMPARE(dialog.ShowSave().error, output::kCancelError);
    QCOMPARE(backend.saveRequests.last().filterIndex, 2);
    QCOMPARE(dialog.FilterIndex, 2);

    // A one-type list cannot show type 2: the first is preselected, and confirmed.
    dialog.Filter = "Text|*.txt";
    backend.acceptSave("/d/x", 2);
    dialog.ShowSave();
    QCOMPARE(backend.saveRequests.last().filterIndex, 1);
    QCOMPARE(dialog.FilterIndex, 1);
}

QTEST_MAIN(TestCommonDialog)
#include "tst_commondialog.moc"

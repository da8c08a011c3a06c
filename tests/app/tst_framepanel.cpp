// The kept picture of a group box looks as the plain group box does, also after a change.
#include <QGroupBox>
#include <QtTest>
#include <functional>

#include "app/framepanel.h"

using Change = std::function<void(QGroupBox&)>;
Q_DECLARE_METATYPE(Change)

class TestFramePanel : public QObject {
    Q_OBJECT
  private slots:
    void looksLikeGroupBox_data() {
        QTest::addColumn<Change>("change");
        QTest::newRow("disabled") << Change([](QGroupBox& b) { b.setEnabled(false); });
        QTest::newRow("new caption") << Change([](QGroupBox& b) { b.setTitle("通信状态"); });
        QTest::newRow("resized") << Change([](QGroupBox& b) { b.resize(150, 90); });
        QTest::newRow("new font") << Change([](QGroupBox& b) { b.setFont(QFont("Sans", 16)); });
    }
    void looksLikeGroupBox() {
        QFETCH(Change, change);
        QGroupBox plain(QStringLiteral("实时显示"));
        app::FramePanel kept(QStringLiteral("实时显示"));
        plain.resize(233, 137);
        kept.resize(233, 137);
        kept.grab();  // the picture is made here, before the change
        change(plain);
        change(kept);
        const QImage want = plain.grab().toImage(), got = kept.grab().toImage();
        QCOMPARE(got.size(), want.size());
        int most = 0;  // compositing the picture may round by one
        for (int y = 0; y < got.height(); ++y)
            for (int x = 0; x < got.width(); ++x)
                most = qMax(most, qAbs(qGray(got.pixel(x, y)) - qGray(want.pixel(x, y))));
        QVERIFY(most <= 1);
    }
};

QTEST_MAIN(TestFramePanel)
#include "tst_framepanel.moc"

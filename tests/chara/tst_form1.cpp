#include "chara/Form1.h"

#include <QCursor>
#include <QTest>
#include <QTimer>

class TestForm1 : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadsAsABorderlessTopmostSquareAtThePointer() {
        QCursor::setPos(300, 200);
        Form1& courier = Form1::instance();
        QCOMPARE(&courier, &Form1::instance());
        QVERIFY(!courier.isVisible());
        QCOMPARE(courier.size(), QSize(64, 64));
        QCOMPARE(courier.pos(), QPoint(300, 200));
        const Qt::WindowFlags flags = courier.windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool); // no taskbar entry
        QVERIFY(courier.mask().isEmpty());               // no shape before its first tick
    }

    void walksAndShowsTheFrameOfItsStep() {
        Form1& courier = Form1::instance();
        auto* timer = courier.findChild<QTimer*>(QStringLiteral("Timer1"));
        QVERIFY(timer && !timer->isActive());
        QCOMPARE(timer->interval(), 200);
        courier.show();
        QVERIFY(timer->isActive());

        // A run of 16 ticks going right and up by 38 twips, 2.53 pixels: the window lands on the
        // nearest pixel.
        courier.move(300, 200);
        const auto values =
            std::make_shared<std::array<float, 3>>(std::array<float, 3>{0.5f, 0.75f, 0.25f});
        auto next = std::make_shared<int>(0);
        courier.setRandomSource([values, next] { return (*values)[(*next)++ % 3]; });
        courier.tick();
        QCOMPARE(courier.m_walk.StepX, qint16(38));
        QCOMPARE(courier.m_walk.StepY, qint16(-38));
        QCOMPARE(courier.pos(), QPoint(303, 197));
        QCOMPARE(courier.m_walk.frameIndex(), 1 + 2 + 4);
        QVERIFY(!courier.mask().isEmpty());
        QVERIFY(!courier.mask().contains(QPoint(0, 0)));
        const QRegion firstShape = courier.mask();
        courier.tick();
        QCOMPARE(courier.m_walk.frameIndex(), 0 + 2 + 4);
        const QRegion secondShape = courier.mask();
        QVERIFY(secondShape != firstShape); // the other phase
    }

    // Called back, it walks on unseen without waking the program: shown again, it stands where
    // the walk has got to by then, in the shape of the walk's latest frame.
    void walksOnUnseenWhileHidden() {
        Form1& courier = Form1::instance();
        auto* timer = courier.findChild<QTimer*>(QStringLiteral("Timer1"));
        courier.hide();
        QVERIFY(!timer->isActive());
        const QPoint before = courier.pos();
        QTest::qWait(700);
        QCOMPARE(courier.pos(), before);

        courier.show();
        QVERIFY(timer->isActive());
        QCOMPARE(courier.pos(), courier.m_place);
        QVERIFY(courier.pos() != before);
        QCOMPARE(courier.m_shownFrame, courier.m_walk.frameIndex());
        QVERIFY(!courier.mask().isEmpty());
        QVERIFY(!courier.mask().contains(QPoint(0, 0)));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"

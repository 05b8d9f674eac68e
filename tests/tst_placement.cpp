// Where the demo puts its two windows, for the screens it must fit on. The panel's frame is
// 386 × 276 at 475,106 and the controller's window 440 × 500, 24 px apart; a screen at a scale
// factor appears here at its logical size (1280 × 800 at 1.5 is 853 × 533).

#include "demo/Placement.h"

#include <QTest>

namespace {

const QRect kPanel(475, 106, 386, 276);
const QSize kWindow(440, 500);
constexpr int kGap = 24;

} // namespace

class PlacementTest : public QObject {
    Q_OBJECT

private slots:
    void panelFits_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("fits: stays") << QRect(0, 0, 1024, 600) << kPanel;
        QTest::newRow("below a top bar: stays") << QRect(0, 27, 1024, 573) << kPanel;
        QTest::newRow("narrow: moved left only") << QRect(0, 0, 853, 533) << QRect(467, 106, 386, 276);
        QTest::newRow("short: moved up only") << QRect(0, 0, 1024, 300) << QRect(475, 24, 386, 276);
        QTest::newRow("dock on the left: moved right only")
            << QRect(500, 0, 1420, 1080) << QRect(500, 106, 386, 276);
        QTest::newRow("smaller than the frame: top left")
            << QRect(10, 20, 300, 200) << QRect(10, 20, 386, 276);
    }
    void panelFits() {
        QFETCH(QRect, available);
        QFETCH(QRect, expected);
        QCOMPARE(FitInside(kPanel, available), expected);
    }

    void windowBeside_data() {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("panel");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("1920x1080 at 1: right")
            << QRect(0, 0, 1920, 1080) << kPanel << kWindow << QRect(885, 106, 440, 500);
        QTest::newRow("1920x1080 at 1.5: left, level with the panel")
            << QRect(0, 0, 1280, 720) << kPanel << kWindow << QRect(11, 106, 440, 500);
        QTest::newRow("1024x600 at 1: left, raised to fit")
            << QRect(0, 0, 1024, 600) << kPanel << kWindow << QRect(11, 100, 440, 500);
        QTest::newRow("1280x800 at 1.5: left of the moved panel")
            << QRect(0, 0, 853, 533) << QRect(467, 106, 386, 276) << kWindow << QRect(3, 33, 440, 500);
        QTest::newRow("dock on the left: right")
            << QRect(500, 40, 1420, 1040) << QRect(500, 106, 386, 276) << kWindow
            << QRect(910, 106, 440, 500);
        QTest::newRow("wide window, tall screen: below")
            << QRect(0, 0, 1024, 1200) << kPanel << QSize(500, 300) << QRect(475, 406, 500, 300);
        QTest::newRow("room only above: above")
            << QRect(0, 0, 1024, 1000) << QRect(475, 700, 386, 276) << QSize(500, 300)
            << QRect(475, 376, 500, 300);
        QTest::newRow("1024x768 at 1.5: least over the panel")
            << QRect(0, 0, 682, 512) << QRect(296, 106, 386, 276) << kWindow << QRect(0, 12, 440, 500);
        QTest::newRow("taller than the screen: cut down")
            << QRect(0, 0, 640, 480) << QRect(254, 106, 386, 276) << kWindow << QRect(0, 0, 440, 480);
    }
    void windowBeside() {
        QFETCH(QRect, available);
        QFETCH(QRect, panel);
        QFETCH(QSize, size);
        QFETCH(QRect, expected);
        const QRect placed = PlaceBeside(panel, size, available, kGap);
        QCOMPARE(placed, expected);
        QVERIFY(available.contains(placed));
    }
};

QTEST_MAIN(PlacementTest)
#include "tst_placement.moc"

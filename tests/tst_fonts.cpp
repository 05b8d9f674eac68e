// Faces on a system with only the fonts the bootstrap installs (fonts-liberation), where
// fontconfig answers "sans-serif" with Liberation Mono: every window and box must name a
// proportional face. Runs with FONTCONFIG_FILE limited to those fonts.

#include "demo/SimulationWindow.h"
#include "panel/Unit1.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/Panel.h"
#include "toolkit/Application.h"
#include "toolkit/qt/Controls_qt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QTest>

namespace {

// The only proportional sans-serif face there is Liberation Sans.
bool proportionalSans(const QFont& font) {
    const QFontInfo info(font);
    if (!info.fixedPitch() && info.family() == "Liberation Sans") return true;
    qWarning("drawn in %s", qPrintable(info.family()));
    return false;
}

} // namespace

class FontsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // Otherwise this test proves nothing.
        QVERIFY2(QFontInfo(QApplication::font()).fixedPitch(),
                 qPrintable(QFontInfo(QApplication::font()).family()));
    }

    // The demo names the face itself, whatever the application's default.
    void simulationWindow_data() {
        QTest::addColumn<QString>("part");
        QTest::newRow("window") << "";
        QTest::newRow("behaviour list") << "QComboBox";
        QTest::newRow("frame count") << "QLabel";
    }
    void simulationWindow() {
        QFETCH(QString, part);
        sim::Controller controller;
        SimulationWindow window(controller);
        window.show();
        const QWidget* widget = &window;
        if (!part.isEmpty()) {
            const auto children = window.findChildren<QWidget*>();
            const auto found = std::find_if(children.begin(), children.end(), [&](QWidget* child) {
                return part == child->metaObject()->className();
            });
            QVERIFY(found != children.end());
            widget = *found;
        }
        QVERIFY(proportionalSans(widget->font()));
    }

    void boxes_data() {
        QTest::addColumn<unsigned>("type");
        QTest::newRow("information") << toolkit::MB_OK;
        QTest::newRow("error") << toolkit::MB_ICONERROR;
    }
    void boxes() {
        QFETCH(unsigned, type);
        Application->Initialize();
        ModalConfirmer confirmer;
        QFont text, button;
        confirmer.beforeConfirm = [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            if (const auto* label = box->findChild<QLabel*>("qt_msgbox_label")) text = label->font();
            button = box->button(QMessageBox::Ok)->font();
        };
        toolkit::MessageBoxA(nullptr, "Der gew\xE4hlte ComPort konnte nicht ge\xF6" "ffnet werden.", "lichtpult", type);
        QCOMPARE(confirmer.lines.size(), 1);
        QVERIFY(proportionalSans(text));
        QVERIFY(proportionalSans(button));
    }

    void panel() {
        Application->Initialize();
        CreatePanel();
        QVERIFY(proportionalSans(QtWidget(Form1)->font()));
        delete Form1;
        Form1 = nullptr;
    }
};

QTEST_MAIN(FontsTest)
#include "tst_fonts.moc"

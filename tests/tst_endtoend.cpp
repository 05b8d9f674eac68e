// The whole panel with real modal message boxes, confirmed as a user would: connect, tick
// the dipped beam, confirm every box, and look at what the controller received. Clicks and
// keys that must reach the window as a user's do go in through the window system, where a
// modal box can stop them.

#include "link/platform/DeviceNames.h"
#include "panel/Unit1.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/InFlight.h"
#include "tests/support/Panel.h"
#include "tests/support/Seam.h"
#include "toolkit/Application.h"
#include "toolkit/qt/Controls_qt.h"

#include <QTest>
#include <QWidget>
#include <QWindow>

namespace {

// The main window on screen, as a user sees it before the first click.
QWindow* shownWindow() {
    QWidget* window = QtWidget(Form1);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowExposed(window) || !QTest::qWaitForWindowActive(window)) return nullptr;
    return window->windowHandle();
}

// A click on a control of the main window, in through the window system.
void userClick(TControl* control) {
    QWidget* widget = QtWidget(control);
    QWidget* window = QtWidget(Form1);
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                      widget->mapTo(window, QPoint(6, widget->height() / 2)));
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CreatePanel(); }
    void cleanup() {
        seam::Reset();
        serial::SetDevicePath("Com1", "");
    }

    void dippedBeamWithRealBoxes() {
        sim::Controller controller;
        ModalConfirmer confirmer;
        ConnectPanel(controller.Path());
        AnswersInFlight(controller);
        QCOMPARE(confirmer.lines, QStringList{});
        Form1->Links->SetChecked(true);

        QTest::mouseClick(QtWidget(Form1->Abblendlicht), Qt::LeftButton);

        QStringList lines;
        for (const char byte : std::string("aycnbnjneyfnenfnknlngnhniydn"))
            lines << QString(QChar(byte)) << "TRUE";
        QCOMPARE(confirmer.lines, lines);
        QCOMPARE(controller.ReceivedBytes(), std::string("aycnbnjneyfnenfnknlngnhniydn"));
        const auto frames = controller.Frames();
        QCOMPARE(frames.size(), std::size_t{1});
        QVERIFY(frames[0]['a']);  // dipped beam
        QVERIFY(!frames[0]['b']); // side lights
        QVERIFY(!frames[0]['e']); // left indicator: the hazard state, cleared, came last
        QVERIFY(frames[0]['i']);  // interior
        QVERIFY(Form1->Fernlicht->Enabled());
    }

    void openFailureInARealBox() {
        ModalConfirmer confirmer;
        ConnectPanel("/dev/lichtpult-missing");
        QCOMPARE(confirmer.lines,
                 QStringList{QString::fromUtf8(
                     "Der gew\u00e4hlte ComPort konnte nicht ge\u00f6ffnet werden.\n\n"
                     "Bitte stellen sie sicher, das dieser von keiner anderen Anwendung benutzt wird.")});
    }

    void errorBoxesAreRealErrorBoxes() {
        sim::Controller controller;
        ModalConfirmer confirmer;
        ConnectPanel(controller.Path());
        controller.HangUp();
        QTest::mouseClick(QtWidget(Form1->Standlicht), Qt::LeftButton);
        // Per byte: the echo, the failed write, eleven failed reads and the outcome.
        QCOMPARE(confirmer.lines.size(), 28 * 14);
        QCOMPARE(confirmer.lines.mid(0, 3),
                 (QStringList{"a", IoFailure("WriteFile"), IoFailure("ReadFile")}));
        QCOMPARE(confirmer.lines.at(13), QString("FALSE"));
    }

    // A click on "verbinden" while the first set-up error box is open reaches nothing: the
    // connect runs once, with its three boxes one after the other.
    void clickDuringASetUpErrorBoxChangesNothing() {
        sim::Controller controller;
        serial::SetDevicePath("Com1", controller.Path());
        QVERIFY(shownWindow() != nullptr);
        for (const char* call : {"GetCommState", "SetCommState", "SetCommTimeouts"}) seam::Fail(call, EIO);
        ModalConfirmer confirmer;
        int clicks = 0;
        confirmer.beforeConfirm = [&] {
            if (clicks++ == 0) userClick(Form1->comportbut);
        };
        userClick(Form1->comportbut);
        QCOMPARE(confirmer.lines, (QStringList{IoFailure("GetCommState"), IoFailure("SetCommState"),
                                               IoFailure("SetCommTimeouts")}));
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
    }

    // A click on "trennen" while an error box of a running frame is open reaches nothing: the
    // frame goes on to its last byte, and the panel is still connected after it.
    void clickDuringAFrameErrorBoxChangesNothing() {
        sim::Controller controller;
        ConnectPanel(controller.Path());
        QVERIFY(shownWindow() != nullptr);
        controller.HangUp();
        ModalConfirmer confirmer;
        int boxes = 0;
        confirmer.beforeConfirm = [&] {
            if (++boxes == 2) userClick(Form1->comportbut);
        };
        userClick(Form1->Standlicht);
        QCOMPARE(confirmer.lines.size(), 28 * 14);
        QCOMPARE(confirmer.lines.at(1), IoFailure("WriteFile"));
        QCOMPARE(confirmer.lines.last(), QString("FALSE"));
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
    }

    // Return presses the focused push button, as Space does; on a check box it does nothing.
    void returnPressesTheFocusedButton() {
        sim::Controller controller;
        serial::SetDevicePath("Com1", controller.Path());
        QWindow* window = shownWindow();
        QVERIFY(window != nullptr);
        ModalConfirmer confirmer;
        QtWidget(Form1->comportbut)->setFocus();
        QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
        QtWidget(Form1->Links)->setFocus();
        QTest::keyClick(window, Qt::Key_Return);
        QVERIFY(!Form1->Links->Checked());
        QtWidget(Form1->comportbut)->setFocus();
        QTest::keyClick(window, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(Form1->comportbut->Caption(), Text("verbinden"));
        QCOMPARE(confirmer.lines, QStringList{});
        QCOMPARE(controller.ReceivedBytes(), std::string());
    }

    void exceptionsAreShownWithTheirMessage() {
        ModalConfirmer confirmer;
        Application->ShowException(Exception("Abbruch"));
        QCOMPARE(confirmer.lines, QStringList{"!" + QCoreApplication::applicationName() + ": Abbruch"});
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"

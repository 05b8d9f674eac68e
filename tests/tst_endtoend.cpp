// The whole panel with real modal message boxes, confirmed as a user would: connect, tick
// the dipped beam, confirm every box, and look at what the controller received.

#include "app/Controls_qt.h"
#include "app/Application.h"
#include "panel/Unit1.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/InFlight.h"
#include "tests/support/Panel.h"

#include <QTest>

class EndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CreatePanel(); }
    void cleanup() { seam::Reset(); }

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
        QCOMPARE(confirmer.lines.mid(0, 3), (QStringList{"a", "!WriteFile: Input/output error",
                                                          "!ReadFile: Input/output error"}));
        QCOMPARE(confirmer.lines.at(13), QString("FALSE"));
    }

    void exceptionsAreShownWithTheirMessage() {
        ModalConfirmer confirmer;
        Application->ShowException(Exception("Abbruch"));
        QCOMPARE(confirmer.lines, QStringList{"!" + QCoreApplication::applicationName() + ": Abbruch"});
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"

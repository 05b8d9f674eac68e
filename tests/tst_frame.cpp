// The light frame and the two light handlers, through the window, against the simulator.

#include "panel/Unit1.h"
#include "protocol/LightFrame.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/InFlight.h"
#include "tests/support/Panel.h"

#include <QTest>

Q_DECLARE_METATYPE(std::string)

namespace {

TCheckBox* box(const QString& name) { return FindControl<TCheckBox>(Form1, name.toStdString()); }

// One echo and one "TRUE" per byte, as an instant controller gets them.
QStringList acknowledged(const std::string& bytes) {
    QStringList lines;
    for (const char byte : bytes) lines << QString(QChar(byte)) << "TRUE";
    return lines;
}

// The frame as sent with the given boxes ticked; every other box cleared.
std::string frameFor(const QStringList& ticked) {
    std::string bytes;
    for (const auto& [letter, name] : kExpectedFrame) {
        bytes += letter;
        bytes += ticked.contains(name) ? 'y' : 'n';
    }
    return bytes;
}

} // namespace

class FrameTest : public QObject {
    Q_OBJECT

    std::unique_ptr<sim::Controller> controller;

private slots:
    void init() {
        controller = std::make_unique<sim::Controller>();
        CreatePanel();
        ConnectPanel(controller->Path());
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
        AnswersInFlight(*controller);
    }
    void cleanup() {
        delete Form1;
        Form1 = nullptr;
        seam::Reset();
        controller.reset();
    }

    void frame_data() {
        QTest::addColumn<QStringList>("ticked");
        QTest::addColumn<std::string>("expected");
        QTest::addColumn<QString>("litIndicators");
        QTest::newRow("only Innenraum")
            << QStringList{"Innenraum"} << std::string("ancnbnjnenfnenfnknlngnhniydn") << "";
        QTest::newRow("Links with Warnblinklicht")
            << QStringList{"Innenraum", "Links", "Warnblinklicht"}
            << std::string("ancnbnjneyfneyfyknlngnhniydn") << "ef";
        QTest::newRow("Links without Warnblinklicht")
            << QStringList{"Innenraum", "Links"} << std::string("ancnbnjneyfnenfnknlngnhniydn") << "";
        QTest::newRow("every box")
            << QStringList{"Abblendlicht", "Fernlicht", "Standlicht", "Parklicht", "Links",
                           "Rechts", "Warnblinklicht", "Abblendlicht_auto", "Fernlicht_auto",
                           "Nebelscheinwerfer", "Nebelschlussleuchte", "Innenraum", "Rueckwaerts"}
            << std::string("aycybyjyeyfyeyfykylygyhyiydy") << "ef";
    }
    void frame() {
        QFETCH(QStringList, ticked);
        QFETCH(std::string, expected);
        QFETCH(QString, litIndicators);
        for (TCheckBox* light : ControlsOf<TCheckBox>(Form1))
            light->SetChecked(ticked.contains(QString::fromStdString(light->Name())));
        QCOMPARE(frameFor(ticked), expected);

        BoxRecorder recorder;
        SendLightStates();
        QCOMPARE(controller->ReceivedBytes(), expected);
        QCOMPARE(recorder.lines, acknowledged(expected));
        QCOMPARE(recorder.lines.size(), 56);

        const auto frames = controller->Frames();
        QCOMPARE(frames.size(), std::size_t{1});
        QCOMPARE(frames[0]['e'], litIndicators.contains('e'));
        QCOMPARE(frames[0]['f'], litIndicators.contains('f'));
        QCOMPARE(frames[0]['a'], ticked.contains("Abblendlicht"));
        QCOMPARE(frames[0]['i'], ticked.contains("Innenraum"));
    }

    // Each box is read as its row comes up, after its command letter went out: a box changed
    // while its own letter's echo is open goes out with its new state.
    void boxesAreReadAsTheirRowComesUp_data() {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("changed");
        QTest::newRow("first row") << "a" << "Abblendlicht";
        QTest::newRow("parking light") << "j" << "Parklicht";
        QTest::newRow("last row") << "d" << "Rueckwaerts";
    }
    void boxesAreReadAsTheirRowComesUp() {
        QFETCH(QString, letter);
        QFETCH(QString, changed);
        BoxRecorder recorder;
        recorder.onBox = [&](const ModalBox& shown) {
            if (shown.text == letter.toStdString()) box(changed)->SetChecked(true);
        };
        SendLightStates();
        QCOMPARE(controller->ReceivedBytes(), frameFor({"Innenraum", changed}));
    }

    // The interlock through real clicks only: the main beam becomes usable with the dipped
    // beam, is ticked, and goes off and out of reach with the dipped beam.
    void dippedBeamOnThenOff() {
        BoxRecorder recorder;
        QVERIFY(!box("Fernlicht")->Enabled());
        box("Abblendlicht")->Click();
        QVERIFY(box("Fernlicht")->Enabled());
        box("Fernlicht")->Click();
        QVERIFY(box("Fernlicht")->Checked());
        box("Abblendlicht")->Click();
        QVERIFY(!box("Fernlicht")->Checked());
        QVERIFY(!box("Fernlicht")->Enabled());
        QCOMPARE(controller->ReceivedBytes(),
                 frameFor({"Abblendlicht", "Innenraum"}).append(frameFor({"Innenraum"})));
        QCOMPARE(recorder.lines.size(), 112);
    }

    void neverAcknowledgedFrameStillSendsEveryByte() {
        controller->SetBehaviour(sim::BehaviourNamed("silent").value());
        BoxRecorder recorder;
        SendLightStates();
        std::string tenEach;
        QStringList lines;
        for (const char byte : frameFor({"Innenraum"})) {
            tenEach += std::string(kSendsOfAByte, byte);
            lines << TenFailedSends(byte);
        }
        QCOMPARE(controller->ReceivedBytes(), tenEach);
        QCOMPARE(recorder.lines, lines);
    }

    // Each row: boxes ticked before, the box clicked, what the frame carries and the state of
    // the main-beam box afterwards.
    void handlers_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<bool>("mainBeamEnabled");
        QTest::newRow("dipped beam on with side lights ticked")
            << QStringList{"Standlicht"} << "Abblendlicht" << QStringList{"Abblendlicht", "Innenraum"} << true;
        QTest::newRow("dipped beam off with main beam ticked")
            << QStringList{"Abblendlicht", "Fernlicht"} << "Abblendlicht" << QStringList{"Innenraum"} << false;
        QTest::newRow("side lights on") << QStringList{} << "Standlicht" << QStringList{"Standlicht", "Innenraum"} << false;
        QTest::newRow("side lights off") << QStringList{"Standlicht"} << "Standlicht" << QStringList{"Innenraum"} << false;
        QTest::newRow("side lights on while dipped beam is on")
            << QStringList{"Abblendlicht"} << "Standlicht" << QStringList{"Abblendlicht", "Standlicht", "Innenraum"} << false;
    }
    void handlers() {
        QFETCH(QStringList, before);
        QFETCH(QString, clicked);
        QFETCH(QStringList, sent);
        QFETCH(bool, mainBeamEnabled);
        for (const QString& name : before) box(name)->SetChecked(true);

        BoxRecorder recorder;
        box(clicked)->Click();
        QCOMPARE(controller->ReceivedBytes(), frameFor(sent));
        QCOMPARE(recorder.lines.size(), 56);
        QCOMPARE(box("Fernlicht")->Checked(), false);
        QCOMPARE(box("Fernlicht")->Enabled(), mainBeamEnabled);
    }

    // Boxes without a handler change only their own tick; the next frame carries them.
    void boxesWithoutHandlerSendNothing() {
        BoxRecorder recorder;
        box("Abblendlicht")->Click();
        const std::size_t afterDippedBeam = controller->ReceivedBytes().size();
        for (const char* name : {"Fernlicht", "Links", "Parklicht", "Rueckwaerts", "Fernlicht_auto"})
            box(name)->Click();
        QCOMPARE(controller->ReceivedBytes().size(), afterDippedBeam);
        QCOMPARE(recorder.lines.size(), 56);

        box("Standlicht")->Click();
        QCOMPARE(controller->ReceivedBytes().substr(afterDippedBeam),
                 frameFor({"Abblendlicht", "Fernlicht", "Standlicht", "Links", "Parklicht",
                           "Rueckwaerts", "Fernlicht_auto", "Innenraum"}));
    }
};

QTEST_MAIN(FrameTest)
#include "tst_frame.moc"

// The demo's two windows together, and the simulator as a program of its own.

#include "demo/Demo.h"
#include "link/Link.h"
#include "panel/Unit1.h"
#include "tests/support/Boxes.h"
#include "tests/support/InFlight.h"
#include "toolkit/Application.h"
#include "toolkit/qt/Controls_qt.h"

#include <QProcess>
#include <QTest>

class DemoTest : public QObject {
    Q_OBJECT

private slots:
    void lampsFollowTheFrames() {
        Application->Initialize();
        const auto demo = StartDemo();
        QVERIFY(demo->window->isVisible());
        QCOMPARE(demo->window->windowTitle(), QString::fromUtf8("Steuerger\u00e4t (Simulation)"));
        ModalConfirmer confirmer;
        Form1->comportbut->Click();
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
        AnswersInFlight(demo->controller);

        // The lamp window follows while the boxes are open: with the frame's last box still
        // open, the dipped-beam lamp comes on.
        bool litWhileBoxesOpen = false;
        confirmer.beforeConfirm = [&] {
            if (confirmer.lines.size() == 56)
                litWhileBoxesOpen = QTest::qWaitFor([&] { return demo->window->LampLit('a'); }, 5000);
        };
        QTest::mouseClick(QtWidget(Form1->Abblendlicht), Qt::LeftButton);
        QCOMPARE(confirmer.lines.size(), 56);
        QTRY_COMPARE(demo->window->FrameCount(), 1);
        QVERIFY(demo->window->LampLit('a'));
        QVERIFY(!demo->window->LampLit('b'));
        QVERIFY(demo->window->LampLit('i'));
        QVERIFY(!demo->window->LampLit('e') && !demo->window->LampLit('f'));
        QVERIFY(litWhileBoxesOpen);
        QVERIFY(demo->window->Log().contains(QString::fromUtf8("a  \u2192 ok")));

        Form1->Warnblinklicht->Click();
        QTest::mouseClick(QtWidget(Form1->Standlicht), Qt::LeftButton);
        QTRY_COMPARE(demo->window->FrameCount(), 2);
        QVERIFY(demo->window->LampLit('e'));
        QVERIFY(demo->window->LampLit('f'));
        QVERIFY(demo->window->LampLit('b'));

        seam::Reset();
        delete Form1;
        Form1 = nullptr;
    }

    void simulatorProgram() {
        QProcess program;
        program.start(LICHTPULT_SIM, {"--behaviour", "ok"});
        QVERIFY(program.waitForStarted());
        QVERIFY(program.waitForReadyRead(5000));
        const std::string path = program.readLine().trimmed().toStdString();
        QVERIFY2(path.rfind("/dev/pts/", 0) == 0, path.c_str());

        hComPort = OpenComPort(path);
        QVERIFY(hComPort != serial::INVALID_HANDLE_VALUE);
        SetComTimeouts(hComPort);
        const std::string frame = "aycnbnjneyfnenfnknlngnhniydy";
        for (const char byte : frame) {
            serial::DWORD written = 0;
            QVERIFY(serial::WriteFile(hComPort, &byte, 1, &written, nullptr));
            char answer[2] = {};
            serial::DWORD read = 0;
            // Generous time-outs: the program answers from another process.
            serial::COMMTIMEOUTS patient{100, 0, 2000, 0, 0};
            serial::SetCommTimeouts(hComPort, &patient);
            QVERIFY(serial::ReadFile(hComPort, answer, 2, &read, nullptr));
            QCOMPARE(std::string(answer, read), std::string("ok"));
        }
        QVERIFY(program.waitForReadyRead(5000));
        const QString line = QString::fromUtf8(program.readLine()).trimmed();
        QVERIFY2(line.startsWith("Rahmen 1: Standlicht aus, Abblendlicht an, Fernlicht aus, "
                                 "Blinker links aus, Blinker rechts aus,"), qPrintable(line));
        QVERIFY2(line.endsWith(QString::fromUtf8("Innenraum an, R\u00fcckfahrlicht an")), qPrintable(line));
        CloseComPort();
        program.terminate();
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitCode(), 0);
    }
};

QTEST_MAIN(DemoTest)
#include "tst_demo.moc"

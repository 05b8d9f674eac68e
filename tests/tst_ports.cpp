// The port table files: what each line leads where, what is said about a wrong line, and
// which file wins.

#include "link/platform/DeviceNames.h"
#include "link/platform/DeviceNames_p.h"
#include "panel/Unit1.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/InFlight.h"
#include "tests/support/Panel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

using namespace serial;

Q_DECLARE_METATYPE(std::string)

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

void writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// What was written to a stream, read back.
std::string written(std::FILE* stream) {
    std::rewind(stream);
    std::string text;
    for (int c; (c = std::fgetc(stream)) != EOF;) text += static_cast<char>(c);
    return text;
}

} // namespace

class PortsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        delete Form1;
        Form1 = nullptr;
        for (const char* name : kPortNames) {
            SetTableDevicePath(name, "");
            SetDevicePath(name, "");
        }
    }

    void lines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Entries>("entries");
        QTest::addColumn<QStringList>("problems"); // after "<file>:"
        QTest::newRow("entries, spaces, comments, any case")
            << QByteArray("# bench 3\n\nCom3 = /dev/serial/by-id/usb-Example_USB_Serial_A50285BI-if00-port0\n"
                          "  COM1=/dev/ttyAMA0  \ncom2\t=\t/dev/serial0\r\n   # Com4 = /dev/null\n")
            << Entries{{"com3", "/dev/serial/by-id/usb-Example_USB_Serial_A50285BI-if00-port0"},
                       {"com1", "/dev/ttyAMA0"}, {"com2", "/dev/serial0"}}
            << QStringList{};
        QTest::newRow("a line without '='")
            << QByteArray("Com1 /dev/ttyUSB2\nCom2 = /dev/ttyUSB3\n") << Entries{{"com2", "/dev/ttyUSB3"}}
            << QStringList{"1: no '=' in this line; it is ignored"};
        QTest::newRow("no port name")
            << QByteArray("Com7 = /dev/ttyUSB2\nCom = /dev/ttyUSB2\n = /dev/ttyUSB2\nCom6 = /dev/ttymxc1\n")
            << Entries{{"com6", "/dev/ttymxc1"}}
            << QStringList{"1: 'Com7' is no port name (Com1 to Com6); the line is ignored",
                           "2: 'Com' is no port name (Com1 to Com6); the line is ignored",
                           "3: '' is no port name (Com1 to Com6); the line is ignored"};
        QTest::newRow("no full path")
            << QByteArray("Com1 = ttyUSB2\nCom2 =\nCom3 = ./dev/ttyUSB2\n") << Entries{}
            << QStringList{"1: the device must be a full path, starting with '/'; the line is ignored",
                           "2: the device must be a full path, starting with '/'; the line is ignored",
                           "3: the device must be a full path, starting with '/'; the line is ignored"};
        QTest::newRow("a name twice: the first holds")
            << QByteArray("Com3 = /dev/ttyUSB2\ncom3 = /dev/ttyUSB3\n") << Entries{{"com3", "/dev/ttyUSB2"}}
            << QStringList{"2: com3 is given twice in this file, first in line 1; this line is ignored"};
    }
    void lines() {
        QFETCH(QByteArray, text);
        QFETCH(Entries, entries);
        QFETCH(QStringList, problems);
        QTemporaryDir folder;
        const QString file = folder.filePath("ports.conf");
        writeFile(file, text);
        std::vector<std::string> said;
        QCOMPARE(ReadPortTable(file.toStdString(), said), entries);
        QStringList expected;
        for (const QString& problem : problems) expected << file + ":" + problem;
        QStringList actual;
        for (const std::string& line : said) actual << QString::fromStdString(line);
        QCOMPARE(actual, expected);
    }

    // A file that is not there is no table; one that cannot be read is said: below a plain
    // file for every user, and one of mode 000 for a user other than root, who reads anything.
    void files() {
        QTemporaryDir folder;
        std::vector<std::string> said;
        QCOMPARE(ReadPortTable(folder.filePath("missing.conf").toStdString(), said), Entries{});
        QCOMPARE(said, std::vector<std::string>{});
        writeFile(folder.filePath("plain"), "x");
        const std::string below = folder.filePath("plain/ports.conf").toStdString();
        QCOMPARE(ReadPortTable(below, said), Entries{});
        QCOMPARE(said, std::vector<std::string>{below + ": cannot be read (Not a directory); the ports keep their devices"});
        if (geteuid() == 0) return;
        const QString closed = folder.filePath("closed.conf");
        writeFile(closed, "Com1 = /dev/ttyUSB2\n");
        QVERIFY(QFile::setPermissions(closed, QFileDevice::Permissions{}));
        said.clear();
        QCOMPARE(ReadPortTable(closed.toStdString(), said), Entries{});
        QCOMPARE(said, std::vector<std::string>{closed.toStdString() +
                                               ": cannot be read (Permission denied); the ports keep their devices"});
    }

    // Which file leads where: the machine's alone, the user's alone, both (the user's wins
    // for the names it sets), neither (the built-in table).
    void whichFileWins_data() {
        QTest::addColumn<QByteArray>("system");
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QString>("com5");
        QTest::addColumn<QString>("com3");
        const QByteArray system = "Com5 = /dev/ttyAMA0\nCom3 = /dev/ttyUSB2\n";
        const QByteArray user = "Com3 = /dev/serial/by-id/usb-bench\n";
        QTest::newRow("the machine's alone") << system << QByteArray() << "/dev/ttyAMA0" << "/dev/ttyUSB2";
        QTest::newRow("the user's alone") << QByteArray() << user << "/dev/ttyACM0" << "/dev/serial/by-id/usb-bench";
        QTest::newRow("both") << system << user << "/dev/ttyAMA0" << "/dev/serial/by-id/usb-bench";
        QTest::newRow("neither") << QByteArray() << QByteArray() << "/dev/ttyACM0" << "/dev/ttyUSB0";
    }
    void whichFileWins() {
        QFETCH(QByteArray, system);
        QFETCH(QByteArray, user);
        QFETCH(QString, com5);
        QFETCH(QString, com3);
        QTemporaryDir folder;
        const QString systemFile = folder.filePath("system.conf"), userFile = folder.filePath("user.conf");
        if (!system.isEmpty()) writeFile(systemFile, system);
        if (!user.isEmpty()) writeFile(userFile, user);
        std::FILE* errors = std::tmpfile();
        QVERIFY(errors != nullptr);
        ApplyPortTables(systemFile.toStdString(), userFile.toStdString(), errors);
        QCOMPARE(written(errors), std::string());
        std::fclose(errors);
        QCOMPARE(QString::fromStdString(DevicePath("Com5")), com5);
        QCOMPARE(QString::fromStdString(DevicePath("COM3")), com3);
        QCOMPARE(DevicePath("Com4"), std::string("/dev/ttyUSB1"));
    }

    // Each problem is one line on the error stream, and a wrong line takes nothing from the
    // right ones; what a test or the demo sets stays above the tables.
    void problemsAreSaid() {
        QTemporaryDir folder;
        const QString system = folder.filePath("system.conf"), user = folder.filePath("user.conf");
        writeFile(system, "Com1 = /dev/ttyAMA0\nCom9 = /dev/ttyUSB9\n");
        writeFile(user, "Com4 /dev/ttyUSB7\nCom4 = /dev/ttyUSB8\n");
        std::FILE* errors = std::tmpfile();
        QVERIFY(errors != nullptr);
        ApplyPortTables(system.toStdString(), user.toStdString(), errors);
        QCOMPARE(written(errors), "lichtpult: " + system.toStdString() +
                                      ":2: 'Com9' is no port name (Com1 to Com6); the line is ignored\n"
                                      "lichtpult: " + user.toStdString() +
                                      ":1: no '=' in this line; it is ignored\n");
        std::fclose(errors);
        QCOMPARE(DevicePath("Com1"), std::string("/dev/ttyAMA0"));
        QCOMPARE(DevicePath("Com4"), std::string("/dev/ttyUSB8"));
        SetDevicePath("Com1", "/dev/null");
        QCOMPARE(DevicePath("Com1"), std::string("/dev/null"));
    }

    // The user's file leads Com5 through a link named as udev names adapters to the
    // controller's terminal: the panel connects there and a frame arrives; another process
    // holding the terminal behind the link keeps the panel out.
    void com5ThroughALink() {
        sim::Controller controller;
        QTemporaryDir folder;
        const QString link = folder.filePath("usb-Example_USB_Serial_A50285BI-if00-port0");
        QVERIFY(QFile::link(QString::fromStdString(controller.Path()), link));
        writeFile(folder.filePath("user.conf"), "Com5 = " + link.toUtf8() + "\n");
        std::FILE* errors = std::tmpfile();
        ApplyPortTables(folder.filePath("none.conf").toStdString(), folder.filePath("user.conf").toStdString(), errors);
        std::fclose(errors);

        CreatePanel();
        BoxRecorder recorder;
        AnswersInFlight(controller);
        Form1->comports->SetItemIndex(4);
        Form1->comportbut->Click();
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
        Form1->Standlicht->Click();
        QCOMPARE(controller.Frames().size(), std::size_t{1});
        Form1->comportbut->Click();
        QCOMPARE(Form1->comportbut->Caption(), Text("verbinden"));

        ChildProgram holder(TestTool("hold_port"), {"exclusive", controller.Path()});
        QCOMPARE(holder.ReadLine(), std::string("held"));
        recorder.lines.clear();
        Form1->comportbut->Click();
        QCOMPARE(recorder.lines.size(), 1);
        QVERIFY(recorder.lines[0].startsWith("Der gew"));
        QCOMPARE(Form1->comportbut->Caption(), Text("verbinden"));
        QCOMPARE(holder.Finish(), 0);
    }

    // Looked up each time: a device that comes is there at once, through a link too.
    void presence() {
        QTemporaryDir folder;
        const QString device = folder.filePath("ttyUSB9"), link = folder.filePath("by-id");
        SetDevicePath("Com5", link.toStdString());
        QCOMPARE(DevicePresent("Com5"), std::optional<bool>(false));
        QVERIFY(QFile::link(device, link));
        QCOMPARE(DevicePresent("Com5"), std::optional<bool>(false)); // a link leading nowhere
        writeFile(device, "");
        QCOMPARE(DevicePresent("Com5"), std::optional<bool>(true));
    }
};

QTEST_MAIN(PortsTest)
#include "tst_ports.moc"

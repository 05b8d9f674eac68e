// The port table files: what each line leads where, what is said about a wrong line, and
// which file wins.

#include "link/platform/DeviceNames.h"
#include "link/platform/DeviceNames_p.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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

    // A file that is not there is no table; one that cannot be read is said.
    void files() {
        QTemporaryDir folder;
        std::vector<std::string> said;
        QCOMPARE(ReadPortTable(folder.filePath("missing.conf").toStdString(), said), Entries{});
        QCOMPARE(said, std::vector<std::string>{});
        writeFile(folder.filePath("plain"), "x");
        const std::string below = folder.filePath("plain/ports.conf").toStdString();
        QCOMPARE(ReadPortTable(below, said), Entries{});
        QCOMPARE(said, std::vector<std::string>{below + ": cannot be read (Not a directory); the ports keep their devices"});
    }

    // The user's entries win; a name neither file sets keeps its device; each problem is one
    // line on the error stream, and a wrong line takes nothing from the right ones.
    void userWins() {
        QTemporaryDir folder;
        const QString system = folder.filePath("system.conf"), user = folder.filePath("user.conf");
        writeFile(system, "Com1 = /dev/ttyAMA0\nCom3 = /dev/ttyUSB2\nCom9 = /dev/ttyUSB9\n");
        writeFile(user, "Com3 = /dev/serial/by-id/usb-bench\nCom4 /dev/ttyUSB7\n");
        const std::string before = DevicePath("Com2");
        std::FILE* errors = std::tmpfile();
        QVERIFY(errors != nullptr);
        ApplyPortTables(system.toStdString(), user.toStdString(), errors);
        QCOMPARE(written(errors), "lichtpult: " + system.toStdString() +
                                      ":3: 'Com9' is no port name (Com1 to Com6); the line is ignored\n"
                                      "lichtpult: " + user.toStdString() +
                                      ":2: no '=' in this line; it is ignored\n");
        std::fclose(errors);
        QCOMPARE(DevicePath("Com1"), std::string("/dev/ttyAMA0"));
        QCOMPARE(DevicePath("COM3"), std::string("/dev/serial/by-id/usb-bench"));
        QCOMPARE(DevicePath("Com2"), before);
        // What a test or the demo sets stays above the tables.
        SetDevicePath("Com1", "/dev/null");
        QCOMPARE(DevicePath("Com1"), std::string("/dev/null"));
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

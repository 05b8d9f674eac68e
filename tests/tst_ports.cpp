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
#include "toolkit/qt/Controls_qt.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// Each problem as "<line> [<port>]: <text>", the line "-" for the file as a whole.
QStringList described(const std::vector<TableProblem>& problems) {
    QStringList lines;
    for (const TableProblem& problem : problems)
        lines << (problem.line > 0 ? QString::number(problem.line) : QString("-")) +
                     (problem.port.empty() ? "" : " " + QString::fromStdString(problem.port)) + ": " +
                     QString::fromStdString(problem.text);
    return lines;
}

const QString kIgnored = QString::fromUtf8("; die Zeile gilt nicht");
const QString kNoEquals = QString::fromUtf8("die Zeile hat kein \u201e=\u201c; sie gilt nicht");
const QString kSkipped = QString::fromUtf8(" und wird \u00fcbergangen; die Ports behalten ihre Ger\u00e4te");
const QString kNoFullPath =
    QString::fromUtf8("das Ger\u00e4t muss ein voller Pfad sein, der mit \u201e/\u201c beginnt") + kIgnored;

// The Qt tooltip of a port's item, asked for as the toolkit asks when the mouse rests on it.
QString shownTooltip(int index) {
    QAbstractButton* item = QtRadioItem(Form1->comports, index);
    QHelpEvent asked(QEvent::ToolTip, QPoint(4, 4), item->mapToGlobal(QPoint(4, 4)));
    QCoreApplication::sendEvent(item, &asked);
    return QToolTip::text();
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
        QTest::addColumn<QStringList>("problems");
        QTest::newRow("entries, spaces, comments, any case")
            << QByteArray("# bench 3\n\nCom3 = /dev/serial/by-id/usb-Example_USB_Serial_A50285BI-if00-port0   # an "
                          "adapter\n  COM1=/dev/ttyAMA0  \ncom2\t=\t/dev/serial0\t# a Pi's UART\n   # Com4 = /dev/null\n"
                          "Com5 = /dev/serial/by-path/a#1\n")
            << Entries{{"com3", "/dev/serial/by-id/usb-Example_USB_Serial_A50285BI-if00-port0"},
                       {"com1", "/dev/ttyAMA0"}, {"com2", "/dev/serial0"}, {"com5", "/dev/serial/by-path/a#1"}}
            << QStringList{};
        QTest::newRow("Windows line ends and a byte-order mark")
            << QByteArray("\xEF\xBB\xBF" "Com3 = /dev/ttyUSB2\r\nCom4 = /dev/ttyUSB3\r\n")
            << Entries{{"com3", "/dev/ttyUSB2"}, {"com4", "/dev/ttyUSB3"}} << QStringList{};
        QTest::newRow("a line without '='")
            << QByteArray("Com1 /dev/ttyUSB2\nCom2 = /dev/ttyUSB3\n") << Entries{{"com2", "/dev/ttyUSB3"}}
            << QStringList{"1 com1: " + kNoEquals};
        const QString noPort = QString::fromUtf8("\u201c ist kein Portname (Com1 bis Com6)") + kIgnored;
        QTest::newRow("no port name")
            << QByteArray("Com7 = /dev/ttyUSB2\nCom = /dev/ttyUSB2\n = /dev/ttyUSB2\nCom6 = /dev/ttymxc1\n")
            << Entries{{"com6", "/dev/ttymxc1"}}
            << QStringList{QString::fromUtf8("1: \u201eCom7") + noPort, QString::fromUtf8("2: \u201eCom") + noPort,
                           QString::fromUtf8("3: \u201e") + noPort};
        QTest::newRow("no full path")
            << QByteArray("Com1 = ttyUSB2\nCom2 =\nCom3 = ./dev/ttyUSB2\n") << Entries{}
            << QStringList{"1 com1: " + kNoFullPath, "2 com2: " + kNoFullPath, "3 com3: " + kNoFullPath};
        QTest::newRow("a name twice: the first holds")
            << QByteArray("Com3 = /dev/ttyUSB2\ncom3 = /dev/ttyUSB3\n") << Entries{{"com3", "/dev/ttyUSB2"}}
            << QStringList{"2 com3: com3 steht zweimal in der Datei, zuerst in Zeile 1; diese Zeile gilt nicht"};
        QTest::newRow("a line longer than any path")
            << "Com1 = /dev/" + QByteArray(5000, 'x') + "\nCom2 = /dev/ttyUSB3\n" << Entries{{"com2", "/dev/ttyUSB3"}}
            << QStringList{QString::fromUtf8("1 com1: die Zeile ist l\u00e4nger als jeder Ger\u00e4tepfad "
                                             "(5012 Bytes); sie gilt nicht")};
        QTest::newRow("more problems than are said")
            << QByteArray("a\nb\nc\nd\ne\nf\ng\nCom6 = /dev/ttyUSB6\nh\n") << Entries{{"com6", "/dev/ttyUSB6"}}
            << QStringList{"1: " + kNoEquals, "2: " + kNoEquals, "3: " + kNoEquals, "4: " + kNoEquals,
                           "5: " + kNoEquals, "-: dazu 3 weitere fehlerhafte Zeilen, die nicht gelten"};
    }
    void lines() {
        QFETCH(QByteArray, text);
        QFETCH(Entries, entries);
        QFETCH(QStringList, problems);
        QTemporaryDir folder;
        const QString file = folder.filePath("ports.conf");
        writeFile(file, text);
        std::vector<TableProblem> said;
        QCOMPARE(ReadPortTable(file.toStdString(), said), entries);
        QCOMPARE(described(said), problems);
        for (const TableProblem& problem : said) QCOMPARE(QString::fromStdString(problem.file), file);
    }

    // A file that is not there is no table; one that cannot be read, is no plain file or is
    // larger than any table is said in one line and skipped whole, at once, without reading
    // what cannot be a table (a FIFO nobody writes, /dev/zero). Mode 000 only for a user
    // other than root, who reads anything.
    void files_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("problems");
        const QString noPlainFile = QString::fromUtf8("-: ist keine gew\u00f6hnliche Datei") + kSkipped;
        const QString tooLarge =
            QString::fromUtf8("-: ist gr\u00f6\u00dfer als 16 KiB, zu gro\u00df f\u00fcr eine Porttabelle,") + kSkipped;
        const auto unreadable = [](int code) {
            return QString("-: kann nicht gelesen werden (%1)").arg(QString::fromUtf8(std::strerror(code))) +
                   QString::fromUtf8("; die Ports behalten ihre Ger\u00e4te");
        };
        QTest::newRow("missing") << "missing" << QStringList{};
        QTest::newRow("below a plain file") << "below a file" << QStringList{unreadable(ENOTDIR)};
        QTest::newRow("mode 000") << "closed" << QStringList{unreadable(EACCES)};
        QTest::newRow("a folder") << "folder" << QStringList{noPlainFile};
        QTest::newRow("a FIFO") << "fifo" << QStringList{noPlainFile};
        QTest::newRow("a link to /dev/zero") << "zero" << QStringList{noPlainFile};
        QTest::newRow("one byte too large") << "large" << QStringList{tooLarge};
        QTest::newRow("3 MB of random bytes") << "random 3 MB" << QStringList{tooLarge};
    }
    void files() {
        QFETCH(QString, kind);
        QFETCH(QStringList, problems);
        QTemporaryDir folder;
        QString file = folder.filePath("ports.conf");
        if (kind == "below a file") {
            writeFile(folder.filePath("plain"), "x");
            file = folder.filePath("plain/ports.conf");
        } else if (kind == "closed") {
            if (geteuid() == 0) QSKIP("root reads a file of mode 000");
            writeFile(file, "Com1 = /dev/ttyUSB2\n");
            QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions{}));
        } else if (kind == "folder") {
            QVERIFY(QDir().mkdir(file));
        } else if (kind == "fifo") {
            QCOMPARE(mkfifo(file.toLocal8Bit().constData(), 0600), 0);
        } else if (kind == "zero") {
            QVERIFY(QFile::link("/dev/zero", file));
        } else if (kind == "large") {
            QByteArray table;
            while (table.size() <= static_cast<qsizetype>(kMaxTableBytes)) table += "Com1 = /dev/ttyUSB2\n";
            writeFile(file, table.left(static_cast<qsizetype>(kMaxTableBytes) + 1));
        } else if (kind == "random 3 MB") {
            QByteArray bytes(3 * 1024 * 1024, '\0');
            QRandomGenerator(28).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
            writeFile(file, bytes);
        }
        std::vector<TableProblem> said;
        QCOMPARE(ReadPortTable(file.toStdString(), said), Entries{});
        QCOMPARE(described(said), problems);
    }

    // Random bytes small enough to be a table: a bounded number of lines is said.
    void randomBytes() {
        for (quint32 seed = 1; seed <= 20; ++seed) {
            QByteArray bytes(static_cast<qsizetype>(kMaxTableBytes), '\0');
            QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
            std::vector<TableProblem> said;
            ParsePortTable("random", std::string_view(bytes.constData(), std::size_t(bytes.size())), said);
            QVERIFY2(said.size() <= kProblemsSaid + 1, qPrintable(QString::number(said.size())));
        }
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
        QCOMPARE(QString::fromStdString(written(errors)),
                 "lichtpult: " + system + QString::fromUtf8(":2: \u201eCom9\u201c ist kein Portname (Com1 bis Com6)") +
                     kIgnored + "\nlichtpult: " + user + ":1: " + kNoEquals + "\n");
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

    // Each port's tooltip tells its state in German, looked up as it is shown and never by
    // opening the device: where the name leads, the adapter's name (from the terminal's entry
    // in the system's folder, here one of the test's), missing, no permission (a user other
    // than root), held by a named process, the system's console, and an ignored table line.
    void tooltips_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing, then there through a link") << "link";
        QTest::newRow("the adapter's name") << "adapter";
        QTest::newRow("no permission") << "closed";
        QTest::newRow("held by a named process") << "held";
        QTest::newRow("the system's console") << "console";
        QTest::newRow("an ignored line of the port table") << "ignored";
    }
    void tooltips() {
        QFETCH(QString, kind);
        QTemporaryDir folder;
        const QString dash = QString::fromUtf8(" \u2013 ");
        const QString device = folder.filePath("ttyUSB9");
        SetDevicePath("Com5", device.toStdString());
        CreatePanel();
        if (kind == "link") {
            const QString link = folder.filePath("by-id");
            SetDevicePath("Com5", link.toStdString());
            QCOMPARE(shownTooltip(4), link + dash + "nicht vorhanden");
            QVERIFY(QFile::link(device, link));
            QCOMPARE(shownTooltip(4), link + dash + "nicht vorhanden"); // a link leading nowhere
            writeFile(device, "");
            QCOMPARE(shownTooltip(4), link);
        } else if (kind == "adapter") {
            const QString usb = folder.filePath("devices/usb1/1-1");
            QVERIFY(QDir().mkpath(usb + "/1-1:1.0/ttyUSB9"));
            writeFile(usb + "/product", "FT232R USB UART\n");
            QVERIFY(QDir().mkpath(folder.filePath("tty/ttyUSB9")));
            QVERIFY(QFile::link(usb + "/1-1:1.0/ttyUSB9", folder.filePath("tty/ttyUSB9/device")));
            SetSystemFolder(SystemFolder::Terminals, folder.filePath("tty").toStdString());
            writeFile(device, "");
            QCOMPARE(shownTooltip(4), device + dash + "FT232R USB UART");
        } else if (kind == "closed") {
            if (geteuid() == 0) QSKIP("root may open any device");
            writeFile(device, "");
            QVERIFY(QFile::setPermissions(device, QFileDevice::Permissions{}));
            struct stat node{};
            QCOMPARE(stat(device.toLocal8Bit().constData(), &node), 0);
            const QString group = QString::fromLocal8Bit(getgrgid(node.st_gid)->gr_name);
            QCOMPARE(shownTooltip(4), device + dash + QString::fromUtf8("kein Zugriff: der Gruppe \u201e") + group +
                                          QString::fromUtf8("\u201c beitreten, dann neu anmelden"));
        } else if (kind == "held" || kind == "console") {
            sim::Controller controller;
            const QString pty = QString::fromStdString(controller.Path());
            SetDevicePath("Com5", controller.Path());
            struct stat node{};
            QCOMPARE(stat(controller.Path().c_str(), &node), 0);
            const int opens = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            QVERIFY(opens >= 0 && inotify_add_watch(opens, controller.Path().c_str(), IN_OPEN) >= 0);
            if (kind == "held") {
                ChildProgram holder(TestTool("hold_port"), {"exclusive", controller.Path()});
                QCOMPARE(holder.ReadLine(), std::string("held"));
                while (read(opens, std::array<char, 4096>().data(), 4096) > 0) {} // the holder's own open
                QCOMPARE(shownTooltip(4), pty + dash + QString("belegt von hold_port (Prozess %1)").arg(holder.Pid()));
                QCOMPARE(holder.Finish(), 0);
            } else {
                QVERIFY(QDir().mkpath(folder.filePath("tty/ttyFAKE")) && QDir().mkpath(folder.filePath("tty/console")));
                writeFile(folder.filePath("tty/console/active"), "tty0 ttyFAKE\n");
                writeFile(folder.filePath("tty/ttyFAKE/dev"),
                          QByteArray::number(major(node.st_rdev)) + ":" + QByteArray::number(minor(node.st_rdev)) + "\n");
                SetSystemFolder(SystemFolder::Terminals, folder.filePath("tty").toStdString());
                QCOMPARE(shownTooltip(4), pty + dash + QString::fromUtf8("die Konsole des Systems, wird nie ge\u00f6ffnet"));
            }
            char events[4096];
            QCOMPARE(read(opens, events, sizeof events), ssize_t{-1}); // nobody opened it meanwhile
            // The watch sees an open: this one.
            const int fd = ::open(controller.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
            QVERIFY(fd >= 0);
            ::close(fd);
            QVERIFY(read(opens, events, sizeof events) > 0);
            ::close(opens);
        } else if (kind == "ignored") {
            writeFile(folder.filePath("user.conf"), "Com5 = ttyUSB2\n");
            ApplyPortTables(folder.filePath("none.conf").toStdString(), folder.filePath("user.conf").toStdString(), nullptr);
            QCOMPARE(shownTooltip(4), device + dash + "nicht vorhanden\n" + folder.filePath("user.conf") +
                                          ", Zeile 1: " + kNoFullPath);
            ApplyPortTables("", "", nullptr);
        }
        SetSystemFolder(SystemFolder::Terminals, "");
        QToolTip::hideText();
    }
};

QTEST_MAIN(PortsTest)
#include "tst_ports.moc"

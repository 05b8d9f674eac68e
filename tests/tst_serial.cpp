// The serial calls on real pseudo-terminals, the simulated controller on the master side.

#include "link/platform/DeviceNames.h"
#include "link/platform/Win32Serial.h"
#include "sim/Controller.h"
#include "tests/support/ChildProgram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <tuple>

#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

using namespace serial;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

Q_DECLARE_METATYPE(std::string)

namespace {

HANDLE openPort(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

// Closes the handle at the end of a test, whatever it asserted.
struct Port {
    explicit Port(const std::string& path) : handle(openPort(path)) {}
    ~Port() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;
    bool valid() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE handle;
};

void setTimeouts(HANDLE port, DWORD interval, DWORD total) {
    COMMTIMEOUTS timeouts{interval, 0, total, 0, 0};
    QVERIFY(SetCommTimeouts(port, &timeouts));
}

// The ways a terminal can be held that an exclusive open must see.
enum class Held {
    SecondHandle,
    LockOnly,
    FlagOnly,
    OtherProcess,
    Controlling,
    ConsoleNumber,
    ConsoleName,
    LockFileText,
    LockFileBinary,
    StaleLockFile,
    LockFileOtherUser,
    OtherConsole
};

// Takes this thread's right to signal other users' processes (CAP_KILL) until it goes out of
// scope, so that root meets another user's process as a normal user does: kill(pid, 0) fails
// with EPERM. The kernel keeps capabilities per thread; the controller's and Qt's keep theirs.
class WithoutKill {
public:
    WithoutKill() {
        if (syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct lowered[_LINUX_CAPABILITY_U32S_3] = {saved_[0], saved_[1]};
        lowered[CAP_TO_INDEX(CAP_KILL)].effective &= ~CAP_TO_MASK(CAP_KILL);
        lowered_ = syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~WithoutKill() {
        if (lowered_) syscall(SYS_capset, &header_, saved_);
    }
    WithoutKill(const WithoutKill&) = delete;
    WithoutKill& operator=(const WithoutKill&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[_LINUX_CAPABILITY_U32S_3]{};
    bool lowered_ = false;
};

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Holds the terminal at `path` one way until it goes out of scope.
class Holding {
public:
    Holding(Held how, const std::string& path) {
        struct stat node{};
        stat(path.c_str(), &node);
        const QString name = QString::fromStdString(path).mid(5); // below /dev/
        const QString number = QString("%1:%2").arg(major(node.st_rdev)).arg(minor(node.st_rdev));
        const auto rawOpen = [path] { return ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC); };
        switch (how) {
        case Held::SecondHandle: handle_ = openPort(path); break;
        case Held::LockOnly:
            fd_ = rawOpen();
            flock(fd_, LOCK_EX);
            break;
        case Held::FlagOnly:
            fd_ = rawOpen();
            ioctl(fd_, TIOCEXCL);
            break;
        case Held::OtherProcess: hold({"plain", path}); break;
        case Held::Controlling: hold({"controlling", path}); break;
        case Held::ConsoleNumber:
            writeFile(folder_.filePath("console/active"), "tty0 ttyLP9\n");
            writeFile(folder_.filePath("ttyLP9/dev"), number.toLatin1() + "\n");
            SetSystemFolder(SystemFolder::Terminals, folder_.path().toStdString());
            break;
        case Held::ConsoleName:
            writeFile(folder_.filePath("console/active"), name.toLatin1() + "\n");
            SetSystemFolder(SystemFolder::Terminals, folder_.path().toStdString());
            break;
        case Held::OtherConsole:
            writeFile(folder_.filePath("console/active"), "ttyLP9\n");
            writeFile(folder_.filePath("ttyLP9/dev"), "4:77\n");
            SetSystemFolder(SystemFolder::Terminals, folder_.path().toStdString());
            break;
        case Held::LockFileText:
        case Held::LockFileBinary:
        case Held::StaleLockFile:
        case Held::LockFileOtherUser: {
            pid_t pid = 0;
            if (how == Held::LockFileOtherUser) {
                pid = otherUsersProcess();
            } else {
                hold({"nothing"});
                pid = child_->Pid();
                if (how == Held::StaleLockFile) child_->Finish();
            }
            const QString lock = folder_.filePath("LCK.." + QString(name).replace('/', '_'));
            const std::int32_t binary = pid;
            writeFile(lock, how == Held::LockFileBinary
                                ? QByteArray(reinterpret_cast<const char*>(&binary), sizeof binary)
                                : QString("%1\n").arg(pid, 10).toLatin1());
            SetSystemFolder(SystemFolder::Locks, folder_.path().toStdString());
            break;
        }
        }
    }
    ~Holding() {
        withoutKill_.reset();
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        if (fd_ >= 0) {
            ioctl(fd_, TIOCNXCL);
            ::close(fd_);
        }
        child_.reset();
        SetSystemFolder(SystemFolder::Terminals, "");
        SetSystemFolder(SystemFolder::Locks, "");
    }
    Holding(const Holding&) = delete;
    Holding& operator=(const Holding&) = delete;

    // Whether the second process, where there is one, got hold of the terminal.
    bool Ready() const { return ready_; }

private:
    void hold(const std::vector<std::string>& arguments) {
        child_ = std::make_unique<ChildProgram>(TestTool("hold_port"), arguments);
        ready_ = child_->ReadLine() == "held";
    }

    // A live process that this thread may not signal, being another user's: pid 1 or any other
    // for a normal user; for root, hold_port become user 65534, with this thread's right to
    // signal it taken for as long as the holding lasts. 0 when there is none.
    pid_t otherUsersProcess() {
        const auto notOurs = [](pid_t pid) { return kill(pid, 0) != 0 && errno == EPERM; };
        pid_t found = 0;
        if (geteuid() == 0) {
            hold({"--as-nobody", "nothing"});
            withoutKill_ = std::make_unique<WithoutKill>();
            found = notOurs(child_->Pid()) ? child_->Pid() : 0;
        } else if (notOurs(1)) {
            found = 1;
        } else {
            for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                bool number = false;
                const pid_t pid = entry.toInt(&number);
                if (number && notOurs(pid)) {
                    found = pid;
                    break;
                }
            }
        }
        if (found == 0) {
            qWarning("no live process of another user that this one may not signal");
            ready_ = false;
        }
        return found;
    }

    bool ready_ = true;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    int fd_ = -1;
    std::unique_ptr<ChildProgram> child_;
    std::unique_ptr<WithoutKill> withoutKill_;
    QTemporaryDir folder_;
};

// The port's settings with the four line settings replaced, as the link asks for them.
DCB lineSettings(HANDLE port, int baud, int bits, int parity, int stopBits) {
    DCB dcb{};
    if (!GetCommState(port, &dcb)) qFatal("GetCommState failed on an open terminal");
    dcb.BaudRate = DWORD(baud);
    dcb.ByteSize = BYTE(bits);
    dcb.Parity = BYTE(parity);
    dcb.StopBits = BYTE(stopBits);
    return dcb;
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

class SerialTest : public QObject {
    Q_OBJECT

private slots:
    // Each row holds the terminal some way, with nothing else holding it; the port is refused
    // while the holder is there (or opens, where the holder is not one) and opens once it is gone.
    // Opened through a symbolic link (as /dev/serial/by-id/… leads to /dev/ttyUSB0), each
    // check applies to the device the link leads to.
    void heldPortIsRefused_data() {
        QTest::addColumn<int>("holder");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("throughLink");
        const auto rows = {
            std::tuple{"second handle in this process", Held::SecondHandle, true},
            std::tuple{"lock only", Held::LockOnly, true},
            std::tuple{"exclusive flag only", Held::FlagOnly, true},
            std::tuple{"open in another process, no lock", Held::OtherProcess, true},
            std::tuple{"controlling terminal of another session", Held::Controlling, true},
            std::tuple{"console, listed with its number", Held::ConsoleNumber, true},
            std::tuple{"console, listed by name", Held::ConsoleName, true},
            std::tuple{"UUCP lock, live pid as text", Held::LockFileText, true},
            std::tuple{"UUCP lock, live pid as binary", Held::LockFileBinary, true},
            std::tuple{"UUCP lock, dead pid", Held::StaleLockFile, false},
            std::tuple{"UUCP lock, live pid of another user", Held::LockFileOtherUser, true},
            std::tuple{"console list names another device", Held::OtherConsole, false},
        };
        for (const bool throughLink : {false, true})
            for (const auto& [name, holder, refused] : rows)
                QTest::newRow(throughLink ? (std::string(name) + ", through a link").c_str() : name)
                    << int(holder) << refused << throughLink;
    }
    void heldPortIsRefused() {
        QFETCH(int, holder);
        QFETCH(bool, refused);
        QFETCH(bool, throughLink);
        sim::Controller controller;
        QTemporaryDir folder;
        const std::string link = folder.filePath("usb-Example_Serial-if00-port0").toStdString();
        QCOMPARE(::symlink(controller.Path().c_str(), link.c_str()), 0);
        const std::string opened = throughLink ? link : controller.Path();
        {
            Holding holding(Held(holder), controller.Path());
            QVERIFY(holding.Ready());
            Port port(opened);
            QCOMPARE(!port.valid(), refused);
            if (refused) QCOMPARE(GetLastError(), DWORD{EBUSY});
        }
        Port afterwards(opened);
        QVERIFY(afterwards.valid());
    }

    // An opener in another process with the same rights as this one, root or not.
    void secondProcessIsRefused() {
        sim::Controller controller;
        Port first(controller.Path());
        QVERIFY(first.valid());
        ChildProgram second(TestTool("hold_port"), {"exclusive", controller.Path()});
        QCOMPARE(second.ReadLine(), QString("refused %1").arg(EBUSY).toStdString());
        QCOMPARE(second.Finish(), 0);
    }

    void closedPortOpensAgain() {
        sim::Controller controller;
        HANDLE port = openPort(controller.Path());
        QVERIFY(port != INVALID_HANDLE_VALUE);
        QVERIFY(CloseHandle(port));
        QVERIFY(!CloseHandle(port));
        QCOMPARE(GetLastError(), DWORD{EBADF});
        Port again(controller.Path());
        QVERIFY(again.valid());
    }

    void refusesWhatIsNoPort_data() {
        QTest::addColumn<std::string>("name");
        QTest::addColumn<int>("error");
        static QTemporaryFile file;
        QVERIFY(file.open());
        QTest::newRow("regular file") << file.fileName().toStdString() << ENOTTY;
        QTest::newRow("character device that is no terminal") << std::string("/dev/null") << ENOTTY;
        QTest::newRow("missing device") << std::string("/dev/lichtpult-none") << ENOENT;
        QTest::newRow("port name outside the table") << std::string("Com9") << ENOENT;
        QTest::newRow("relative path") << std::string("ttyS0") << ENOENT;
    }
    void refusesWhatIsNoPort() {
        QFETCH(std::string, name);
        QFETCH(int, error);
        QCOMPARE(openPort(name), INVALID_HANDLE_VALUE);
        QCOMPARE(GetLastError(), DWORD(error));
    }

    void lineSettingsKeepOtherFlags() {
        sim::Controller controller;
        termios before = controller.LineSettings();
        cfsetospeed(&before, B38400);
        cfsetispeed(&before, B38400);
        before.c_cflag = (before.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
        before.c_iflag |= IXOFF;
        before.c_cc[VSTART] = 'Q';
        controller.SetLineSettings(before);

        Port port(controller.Path());
        QVERIFY(port.valid());
        DCB dcb{};
        QVERIFY(GetCommState(port.handle, &dcb));
        QCOMPARE(dcb.BaudRate, DWORD{38400});
        QCOMPARE(dcb.fInX, DWORD{1});
        QCOMPARE(dcb.fOutxCtsFlow, DWORD{1});
        QCOMPARE(dcb.XonChar, 'Q');
        dcb.BaudRate = 9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        QVERIFY(SetCommState(port.handle, &dcb));

        const termios after = controller.LineSettings();
        QCOMPARE(cfgetospeed(&after), speed_t{B9600});
        QCOMPARE(cfgetispeed(&after), speed_t{B9600});
        QCOMPARE(after.c_cflag & CSIZE, tcflag_t{CS8});
        QCOMPARE(after.c_cflag & (PARENB | PARODD | CSTOPB), tcflag_t{0});
        QCOMPARE(after.c_cflag & CRTSCTS, tcflag_t{CRTSCTS});
        QCOMPARE(after.c_iflag & IXOFF, tcflag_t{IXOFF});
        QCOMPARE(after.c_cc[VSTART], cc_t{'Q'});
    }

    // SetCommState succeeds exactly when the line holds all four settings (a terminal may
    // not: recent kernels keep a pseudo-terminal at 8 data bits, no parity, one stop bit),
    // and then GetCommState reads them back.
    void lineSettingsReadBack_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<uint>("cflag");
        QTest::newRow("9600 8N1") << 9600 << 8 << int(NOPARITY) << int(ONESTOPBIT) << uint(CS8);
        QTest::newRow("9600 8N2") << 9600 << 8 << int(NOPARITY) << int(TWOSTOPBITS) << uint(CS8 | CSTOPB);
        QTest::newRow("19200 7E2") << 19200 << 7 << int(EVENPARITY) << int(TWOSTOPBITS)
                                   << uint(CS7 | PARENB | CSTOPB);
        QTest::newRow("1200 8O2") << 1200 << 8 << int(ODDPARITY) << int(TWOSTOPBITS)
                                  << uint(CS8 | PARENB | PARODD | CSTOPB);
        QTest::newRow("110 5N1.5") << 110 << 5 << int(NOPARITY) << int(ONE5STOPBITS)
                                   << uint(CS5 | CSTOPB);
    }
    void lineSettingsReadBack() {
        QFETCH(int, baud);
        QFETCH(int, bits);
        QFETCH(int, parity);
        QFETCH(int, stopBits);
        QFETCH(uint, cflag);
        sim::Controller controller;
        constexpr tcflag_t kLine = CSIZE | PARENB | PARODD | CSTOPB;
        const termios before = controller.LineSettings();
        termios probe = before;
        probe.c_cflag = (probe.c_cflag & ~kLine) | cflag;
        controller.SetLineSettings(probe);
        const bool holds = (controller.LineSettings().c_cflag & kLine) == cflag;
        controller.SetLineSettings(before);

        Port port(controller.Path());
        QVERIFY(port.valid());
        DCB dcb = lineSettings(port.handle, baud, bits, parity, stopBits);
        QCOMPARE(bool(SetCommState(port.handle, &dcb)), holds);
        if (!holds) {
            QCOMPARE(GetLastError(), DWORD{EINVAL});
            return;
        }
        const termios line = controller.LineSettings();
        QCOMPARE(uint(line.c_cflag & kLine), cflag);
        DCB back{};
        QVERIFY(GetCommState(port.handle, &back));
        QCOMPARE(back.BaudRate, DWORD(baud));
        QCOMPARE(back.ByteSize, BYTE(bits));
        QCOMPARE(back.Parity, BYTE(parity));
        // The terminal knows only one or two stop bits; 1.5 with 5 data bits reads as two.
        QCOMPARE(back.StopBits, BYTE(stopBits == ONESTOPBIT ? ONESTOPBIT : TWOSTOPBITS));
    }

    void refusesSettingsTheLineCannotHold_data() {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stopBits");
        QTest::newRow("speed no driver has") << 12345 << 8 << 0 << 0;
        QTest::newRow("nine data bits") << 9600 << 9 << 0 << 0;
        QTest::newRow("unknown parity") << 9600 << 8 << 7 << 0;
        QTest::newRow("one and a half stop bits with 8 data bits") << 9600 << 8 << 0 << 1;
    }
    void refusesSettingsTheLineCannotHold() {
        QFETCH(int, baud);
        QFETCH(int, bits);
        QFETCH(int, parity);
        QFETCH(int, stopBits);
        sim::Controller controller;
        Port port(controller.Path());
        QVERIFY(port.valid());
        const termios before = controller.LineSettings();
        const speed_t speedBefore = cfgetospeed(&before);
        DCB dcb = lineSettings(port.handle, baud, bits, parity, stopBits);
        QVERIFY(!SetCommState(port.handle, &dcb));
        QCOMPARE(GetLastError(), DWORD{EINVAL});
        const termios after = controller.LineSettings();
        QCOMPARE(cfgetospeed(&after), speedBefore);
    }

    // Each row: what the controller does after the panel writes one byte (or, without a
    // byte, sends on its own), the read's time-outs, and what one read of 2 bytes returns.
    void readTimeouts_data() {
        QTest::addColumn<bool>("writeFirst");
        QTest::addColumn<std::string>("sent");
        QTest::addColumn<int>("spacingUs");
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("totalMs");
        QTest::addColumn<std::string>("expected");
        QTest::newRow("nothing pending") << false << std::string() << 0 << 100 << 1 << std::string();
        QTest::newRow("one byte pending") << false << std::string("o") << 0 << 100 << 1 << std::string("o");
        // Generous totals where the row is about which bytes one read collects, not when it
        // gives up: the controller's thread is not always scheduled within a millisecond.
        QTest::newRow("o and k 0.3 ms apart") << true << std::string("ok") << 300 << 1000 << 2000 << std::string("ok");
        QTest::newRow("more pending than asked") << false << std::string("ok\r\n") << 0 << 100 << 1 << std::string("ok");
        QTest::newRow("interval passes between bytes") << false << std::string("ok") << 300000 << 5 << 0 << std::string("o");
    }
    void readTimeouts() {
        QFETCH(bool, writeFirst);
        QFETCH(std::string, sent);
        QFETCH(int, spacingUs);
        QFETCH(int, intervalMs);
        QFETCH(int, totalMs);
        QFETCH(std::string, expected);

        sim::Behaviour behaviour;
        behaviour.reply = writeFirst ? sim::Behaviour::Reply::Split : sim::Behaviour::Reply::Silent;
        behaviour.answer = sent;
        behaviour.delay = std::chrono::microseconds(spacingUs);
        sim::Controller controller(behaviour);
        Port port(controller.Path());
        QVERIFY(port.valid());
        setTimeouts(port.handle, DWORD(intervalMs), DWORD(totalMs));

        if (writeFirst) {
            DWORD written = 0;
            QVERIFY(WriteFile(port.handle, "a", 1, &written, nullptr));
            QCOMPARE(written, DWORD{1});
        } else if (!sent.empty()) {
            controller.Send(sent, std::chrono::microseconds(spacingUs));
            QVERIFY(controller.WaitForAnswered(expected.size()));
        }

        char buffer[2] = {};
        DWORD read = 99;
        const auto start = Clock::now();
        QVERIFY(ReadFile(port.handle, buffer, 2, &read, nullptr));
        const double elapsed = msSince(start);
        QCOMPARE(std::string(buffer, read), expected);
        if (expected.empty()) {
            // The whole total time-out, and no blocking beyond it (a margin for a busy machine).
            QVERIFY2(elapsed >= totalMs, qPrintable(QString::number(elapsed)));
            QVERIFY2(elapsed < 250, qPrintable(QString::number(elapsed)));
        }
    }

    void hungUpLineFailsAtOnce() {
        sim::Controller controller;
        Port port(controller.Path());
        QVERIFY(port.valid());
        setTimeouts(port.handle, 100, 2000);
        controller.HangUp();

        char buffer[2];
        DWORD read = 99;
        const auto start = Clock::now();
        QVERIFY(!ReadFile(port.handle, buffer, 2, &read, nullptr));
        QCOMPARE(GetLastError(), DWORD{EIO});
        QCOMPARE(read, DWORD{0});
        QVERIFY2(msSince(start) < 500, "a hang-up must not wait for the time-out");

        DWORD written = 99;
        QVERIFY(!WriteFile(port.handle, "a", 1, &written, nullptr));
        QCOMPARE(GetLastError(), DWORD{EIO});
        QCOMPARE(written, DWORD{0});
        DCB dcb{};
        QVERIFY(!GetCommState(port.handle, &dcb));
        QCOMPARE(GetLastError(), DWORD{EIO});
    }

    void madeUpHandlesAreRefused_data() {
        QTest::addColumn<quintptr>("handle");
        QTest::newRow("null handle") << quintptr{0};
        QTest::newRow("invalid handle") << reinterpret_cast<quintptr>(INVALID_HANDLE_VALUE);
        QTest::newRow("never issued") << quintptr{0x7777};
    }
    void madeUpHandlesAreRefused() {
        QFETCH(quintptr, handle);
        DWORD count = 0;
        char byte = 0;
        QVERIFY(!ReadFile(reinterpret_cast<HANDLE>(handle), &byte, 1, &count, nullptr));
        QCOMPARE(GetLastError(), DWORD{EBADF});
        QVERIFY(!WriteFile(reinterpret_cast<HANDLE>(handle), &byte, 1, &count, nullptr));
        QCOMPARE(GetLastError(), DWORD{EBADF});
    }
};

QTEST_GUILESS_MAIN(SerialTest)
#include "tst_serial.moc"

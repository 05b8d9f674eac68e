// The serial layer and the link on Windows' own serial calls, run under Wine with COM1 led to
// a pseudo-terminal that the simulated controller plays. One scenario per run, named on the
// command line, because each needs the controller to behave differently:
//
//   tst_win32 configure | timeouts | ack | never-ack | reopen | exclusive | error-text
//
// Prints PASS, FAIL or SKIP lines and exits with the number of failures.

#include "link/Link.h"
#include "link/platform/SysError.h"

// The system's INVALID_HANDLE_VALUE and error codes; the handle values are the same as ours.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

int failures = 0;

void check(bool passed, const std::string& what) {
    std::printf("%s %s\n", passed ? "PASS" : "FAIL", what.c_str());
    if (!passed) ++failures;
}

// Records each box as one line: information boxes as their text, errors as "!title: text".
struct Boxes {
    Boxes() {
        SetModalBoxPresenter([this](const ModalBox& box) {
            lines.push_back(box.icon == ModalBox::Icon::Error ? "!" + box.caption + ": " + box.text
                                                               : box.text);
        });
    }
    ~Boxes() { SetModalBoxPresenter({}); }
    std::string joined() const {
        std::string all;
        for (const std::string& line : lines) all += (all.empty() ? "" : "|") + line;
        return all;
    }
    std::vector<std::string> lines;
};

bool underWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool connect() {
    hComPort = OpenComPort("Com1");
    check(hComPort != INVALID_HANDLE_VALUE,
          "Com1 opens (error " + std::to_string(serial::GetLastError()) + ")");
    if (hComPort == INVALID_HANDLE_VALUE) return false;
    ConfigureComPort(hComPort);
    SetComTimeouts(hComPort);
    return true;
}

void configure() {
    Boxes boxes;
    if (!connect()) return;
    check(boxes.lines.empty(), "setting up the line shows no box: " + boxes.joined());
    serial::DCB dcb{};
    check(serial::GetCommState(hComPort, &dcb) != 0, "GetCommState");
    check(dcb.BaudRate == 9600 && dcb.ByteSize == 8 && dcb.Parity == 0 && dcb.StopBits == 0,
          "9600 baud, 8 data bits, no parity, one stop bit read back");
    serial::COMMTIMEOUTS timeouts{};
    check(serial::GetCommTimeouts(hComPort, &timeouts) != 0, "GetCommTimeouts");
    check(timeouts.ReadIntervalTimeout == 100 && timeouts.ReadTotalTimeoutMultiplier == 0 &&
              timeouts.ReadTotalTimeoutConstant == 1 && timeouts.WriteTotalTimeoutMultiplier == 0 &&
              timeouts.WriteTotalTimeoutConstant == 0,
          "time-outs read back");
    CloseComPort();
}

void timeouts() {
    Boxes boxes;
    if (!connect()) return;
    char buffer[2];
    const auto start = std::chrono::steady_clock::now();
    const serial::DWORD read = ReadComPort(buffer, 2);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    check(read == 0, "a read with nothing pending returns 0 bytes");
    check(ms >= 0.5 && ms < 50, "after about 1 ms (" + std::to_string(ms) + " ms)");
    check(boxes.lines.empty(), "and shows no box: " + boxes.joined());
    CloseComPort();
}

void acknowledged() {
    Boxes boxes;
    if (!connect()) return;
    check(WriteCommand("a", 1) == 1, "WriteCommand reports one byte written");
    check(boxes.joined() == "a|TRUE", "echo and TRUE: " + boxes.joined());
    CloseComPort();
}

void neverAcknowledged() {
    Boxes boxes;
    if (!connect()) return;
    WriteCommand("a", 1);
    std::string expected;
    for (int i = 0; i < 10; ++i) expected += std::string(i == 0 ? "" : "|") + "a|FALSE";
    check(boxes.joined() == expected, "ten sends, each with echo and FALSE: " + boxes.joined());
    CloseComPort();
}

void reopen() {
    Boxes boxes;
    if (!connect()) return;
    CloseComPort();
    check(hComPort == nullptr, "released");
    hComPort = OpenComPort("Com1");
    check(hComPort != INVALID_HANDLE_VALUE, "opens again after its release");
    CloseComPort();
}

// A name nothing answers to (no COMn: Wine could lead those to the machine's own ports): the
// open fails with the system's error code and text.
void errorText() {
    const serial::HANDLE missing = OpenComPort("lichtpult-no-such-port");
    check(missing == INVALID_HANDLE_VALUE, "a missing port does not open");
    const serial::DWORD code = serial::GetLastError();
    check(code == ERROR_FILE_NOT_FOUND, "with ERROR_FILE_NOT_FOUND (" + std::to_string(code) + ")");
    const std::string text = SysErrorMessage(code).utf8;
    check(!text.empty() && text.rfind("Error ", 0) != 0, "the system's text for it: " + text);
}

void exclusive() {
    if (underWine()) {
        std::printf("SKIP exclusive: Wine does not refuse a second open of a COM port\n");
        return;
    }
    Boxes boxes;
    if (!connect()) return;
    const serial::HANDLE second = OpenComPort("Com1");
    check(second == INVALID_HANDLE_VALUE, "a second open is refused");
    check(serial::GetLastError() == ERROR_ACCESS_DENIED, "with ERROR_ACCESS_DENIED");
    CloseComPort();
}

} // namespace

int main(int argc, char** argv) {
    const std::string scenario = argc > 1 ? argv[1] : "";
    if (scenario == "configure") configure();
    else if (scenario == "timeouts") timeouts();
    else if (scenario == "ack") acknowledged();
    else if (scenario == "never-ack") neverAcknowledged();
    else if (scenario == "reopen") reopen();
    else if (scenario == "exclusive") exclusive();
    else if (scenario == "error-text") errorText();
    else {
        std::printf("FAIL unknown scenario '%s'\n", scenario.c_str());
        return 1;
    }
    return failures;
}

// The serial layer and the link on Windows' own serial calls, run under Wine with COM1 led to
// a pseudo-terminal that the simulated controller plays. One scenario per run, named on the
// command line, because each needs the controller to behave differently:
//
//   tst_win32 configure | timeouts | ack | never-ack | reopen | exclusive | error-text | tables
//
// Prints PASS, FAIL or SKIP lines and exits with the number of failures.

#include "link/Link.h"
#include "link/platform/DeviceNames_p.h"
#include "link/platform/SysError.h"
#include "panel/LinkBinding.h"
#include "text/Text.h"
#include "toolkit/Toolkit.h"

// The system's INVALID_HANDLE_VALUE and error codes; the handle values are the same as ours.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
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

using namespace serial;

// What a table's entry may name here: a port by the number Windows gave it, or a device by its
// path; each comes back as it opens, through the device path. Anything else is said.
void tableDevices() {
    const std::string wrong = "das Ger\u00e4t muss ein Portname (COM1 bis COM4096) oder ein Ger\u00e4tepfad "
                              "(\\\\.\\\u2026) sein";
    const struct {
        const char* written;
        const char* device; // empty: refused
    } rows[] = {
        {"COM12", "\\\\.\\COM12"},          {"com3", "\\\\.\\COM3"},
        {"Com4096", "\\\\.\\COM4096"},      {"\\\\.\\COM12", "\\\\.\\COM12"},
        {"\\\\.\\CNCA0", "\\\\.\\CNCA0"}, {"COM0", ""},
        {"COM4097", ""},                      {"COM012", ""},
        {"COM", ""},                          {"COM1x", ""},
        {"COM 1", ""},                        {"\\\\.\\", ""},
        {"\\\\.\\pipe\\x", ""},           {"\\\\.\\a/b", ""},
        {"\\\\?\\COM1", ""},                {"/dev/ttyUSB0", ""},
        {"C:\\ports\\COM1", ""},
    };
    for (const auto& row : rows) {
        std::string problem;
        const std::string device = TableDevice(row.written, problem);
        check(device == row.device && problem == (device.empty() ? wrong : ""),
              std::string(row.written) + " -> '" + device + "'" + (problem.empty() ? "" : ": " + problem));
    }
}

// A file that is not there is no table; one that is no plain disk file or is larger than any
// table is said and skipped whole, at once, without a byte read (a pipe nobody writes to would
// hold the start up). A table in a folder whose name Windows-1252 lacks is read.
void tableFiles() {
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::wstring folder = std::wstring(temporary) + L"lichtpult-\u0422\u0435\u0441\u0442-" +
                                std::to_wstring(GetCurrentProcessId());
    BOOL lacking = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, folder.data(), static_cast<int>(folder.size()), nullptr, 0,
                        nullptr, &lacking);
    check(lacking && CreateDirectoryW(folder.c_str(), nullptr),
          "a folder whose name the ANSI code page " + std::to_string(GetACP()) + " lacks: " + WideToUtf8(folder));
    const std::wstring pipe = L"\\\\.\\pipe\\lichtpult-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
    const auto write = [&](const std::wstring& name, std::size_t bytes) {
        HANDLE file = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const std::string text(bytes, '#');
        DWORD written = 0;
        ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        ::CloseHandle(file);
    };
    write(L"large.conf", kMaxTableBytes + 1);
    write(L"full.conf", kMaxTableBytes);
    CreateDirectoryW((folder + L"\\folder.conf").c_str(), nullptr);
    const std::string noPlainFile = "ist keine gew\u00f6hnliche Datei und wird \u00fcbergangen; die Ports behalten "
                                    "ihre Ger\u00e4te";
    const std::string tooLarge = "ist gr\u00f6\u00dfer als 16 KiB, zu gro\u00df f\u00fcr eine Porttabelle, und wird "
                                 "\u00fcbergangen; die Ports behalten ihre Ger\u00e4te";
    const struct {
        const char* what;
        std::wstring file;
        long bytes;          // read; -1: nothing
        std::string problem; // empty: none
    } rows[] = {
        {"missing", folder + L"\\missing.conf", -1, ""},
        {"in a missing folder", folder + L"\\none\\ports.conf", -1, ""},
        {"a folder", folder + L"\\folder.conf", -1, noPlainFile},
        {"a pipe", pipe, -1, noPlainFile},
        {"a device", L"\\\\.\\NUL", -1, noPlainFile},
        {"one byte too large", folder + L"\\large.conf", -1, tooLarge},
        {"as large as a table may be", folder + L"\\full.conf", static_cast<long>(kMaxTableBytes), ""},
    };
    for (const auto& row : rows) {
        const std::string file = WideToUtf8(row.file);
        std::vector<TableProblem> problems;
        // On a thread of its own, so a read that blocks fails here instead of hanging the run.
        auto reading = std::async(std::launch::async, [&] { return ReadTableFile(file, problems); });
        if (reading.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
            check(false, std::string(row.what) + ": still reading after 60 s");
            std::fflush(stdout);
            ExitProcess(static_cast<UINT>(failures));
        }
        const std::optional<std::string> text = reading.get();
        const std::string said = problems.empty() ? "" : problems[0].text;
        const long bytes = text ? static_cast<long>(text->size()) : -1;
        check(bytes == row.bytes && problems.size() == (row.problem.empty() ? 0u : 1u) && said == row.problem &&
                  (problems.empty() || (problems[0].file == file && problems[0].line == 0)),
              std::string(row.what) + ": " + (text ? std::to_string(text->size()) + " bytes" : "nothing") +
                  (said.empty() ? "" : ", " + said));
    }
    ::CloseHandle(server);
    for (const wchar_t* name : {L"large.conf", L"full.conf"}) DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW((folder + L"\\folder.conf").c_str());
    RemoveDirectoryW(folder.c_str());
}

void tables() {
    tableDevices();
    tableFiles();
}

} // namespace

int main(int argc, char** argv) {
    // The link's boxes through the toolkit's presenter, which Boxes records.
    BindLinkToToolkit();
    const std::string scenario = argc > 1 ? argv[1] : "";
    if (scenario == "configure") configure();
    else if (scenario == "timeouts") timeouts();
    else if (scenario == "ack") acknowledged();
    else if (scenario == "never-ack") neverAcknowledged();
    else if (scenario == "reopen") reopen();
    else if (scenario == "exclusive") exclusive();
    else if (scenario == "error-text") errorText();
    else if (scenario == "tables") tables();
    else {
        std::printf("FAIL unknown scenario '%s'\n", scenario.c_str());
        return 1;
    }
    return failures;
}

#include "link/Link.h"

#include "link/Limits.h"
#include "link/Messages.h"
#include "link/platform/DeviceNames.h"
#include "link/platform/SysError.h"

#include <algorithm>

using namespace serial;
using namespace lichtpult::link; // its boxes; MB_ICONERROR where <windows.h> does not define it

HANDLE hComPort = nullptr;

namespace {

constexpr COMMTIMEOUTS kTimeouts = {
    .ReadIntervalTimeout = kReadIntervalMs,
    .ReadTotalTimeoutMultiplier = 0,
    .ReadTotalTimeoutConstant = kReadTotalMs,
    .WriteTotalTimeoutMultiplier = 0,
    .WriteTotalTimeoutConstant = 0,
};

const Text kAcknowledgement = "ok";

} // namespace

HANDLE OpenComPort(const Text& name) {
    return serial::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

void ConfigureComPort(HANDLE port) {
    // Zeroed, so a failed read of the settings leaves nothing undefined to write back.
    DCB settings{};
    if (!serial::GetCommState(port, &settings)) ShowApiError("GetCommState");
    settings.BaudRate = kBaudRate;
    settings.ByteSize = kByteSize;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    if (!serial::SetCommState(port, &settings)) ShowApiError("SetCommState");
}

void SetComTimeouts(HANDLE port) {
    COMMTIMEOUTS timeouts = kTimeouts;
    if (!serial::SetCommTimeouts(port, &timeouts)) ShowApiError("SetCommTimeouts");
}

DWORD ReadComPort(void* buffer, DWORD count) {
    DWORD read = 0;
    if (!serial::ReadFile(hComPort, buffer, count, &read, nullptr)) {
        ShowApiError("ReadFile");
        return 0;
    }
    return read;
}

void ShowApiError(const Text& operation) {
    const SystemText message = SysErrorMessage(serial::GetLastError());
    MessageBoxA(nullptr, message, operation.c_str(), MB_ICONERROR);
}

DWORD WriteCommand(const Text& text, DWORD count) {
    // Never more than the text holds, whatever the caller asks for.
    count = std::min<DWORD>(count, static_cast<DWORD>(text.size()));
    DWORD written = 0;
    for (int sends = 1;; ++sends) {
        ShowMessage(text);
        const bool wrote = serial::WriteFile(hComPort, text.data(), count, &written, nullptr);
        if (!wrote) ShowApiError("WriteFile");
        const bool acknowledged = WaitForOk();
        if (acknowledged || sends >= kMaxSends || !wrote) break;
    }
    return written;
}

bool WaitForOk() {
    Text reply;
    for (int pass = 0; pass < kMaxPasses; ++pass) {
        char received[kBytesPerRead];
        const DWORD count = ReadComPort(received, kBytesPerRead);
        reply.append(received, count);
        if (reply == kAcknowledgement) break;
        serial::Sleep(kPauseMs);
    }
    const bool acknowledged = reply == kAcknowledgement;
    ShowMessage(acknowledged ? "TRUE" : "FALSE");
    return acknowledged;
}

void CloseComPort() {
    if (hComPort != nullptr && hComPort != INVALID_HANDLE_VALUE) serial::CloseHandle(hComPort);
    hComPort = nullptr;
}

Text ComPortHint(const Text& name) {
    const PortState state = DeviceState(name);
    std::string hint = state.device;
    const std::string dash = " \u2013 ";
    if (!state.adapter.empty()) hint += dash + state.adapter;
    if (!state.present) hint += dash + "nicht vorhanden";
    switch (state.refusal) {
    case PortState::Refusal::None: break;
    case PortState::Refusal::Console: hint += dash + "die Konsole des Systems, wird nie ge\u00f6ffnet"; break;
    case PortState::Refusal::NoPermission:
        hint += dash + "kein Zugriff: der Gruppe \u201e" + state.group + "\u201c beitreten, dann neu anmelden";
        break;
    case PortState::Refusal::Held:
        hint += dash + "belegt von " +
                (state.holder.empty() ? "Prozess " + std::to_string(state.holderPid)
                                      : state.holder + " (Prozess " + std::to_string(state.holderPid) + ")");
        break;
    }
    for (const TableProblem& line : state.ignored)
        hint += "\n" + line.file + ", Zeile " + std::to_string(line.line) + ": " + line.text;
    return Utf8ToCp1252(hint);
}

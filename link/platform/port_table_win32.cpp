// Where Windows keeps the port table files, how one is read, and what a device is here.

#include "link/platform/DeviceNames_p.h"
#include "link/platform/SysError.h"
#include "text/Text.h"

#include <windows.h>

namespace serial {
namespace {

// "%ProgramData%\lichtpult\ports.conf" and the like; empty where the variable is not set.
std::string fileBelow(const wchar_t* variable) {
    wchar_t folder[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(variable, folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::wstring file(folder, length);
    if (file.back() != L'\\') file += L'\\';
    file += L"lichtpult\\ports.conf";
    return WideToUtf8(file);
}

const std::string kDevicePrefix = "\\\\.\\";

// "COM1" … "COM4096" in any case, no leading zero: the port number, else 0.
int portNumber(const std::string& written) {
    if (written.size() < 4 || written.size() > 7) return 0;
    for (std::size_t i = 0; i < 3; ++i)
        if ((written[i] & ~0x20) != "COM"[i]) return 0;
    if (written[3] == '0') return 0;
    int number = 0;
    for (std::size_t i = 3; i < written.size(); ++i) {
        if (written[i] < '0' || written[i] > '9') return 0;
        number = number * 10 + (written[i] - '0');
    }
    return number <= 4096 ? number : 0;
}

} // namespace

// Without a table, Com1 … Com6 are the system's COM1 … COM6. Every port opens through its
// device path, so COM10 and up open too; a name that is no port name stays as it is.
std::string SystemDevicePath(const std::string& name, const std::string& key) {
    for (const char* port : kPortNames) {
        std::string lower = port;
        lower[0] = 'c';
        if (key == lower) {
            std::string path = kDevicePrefix;
            path += "COM";
            path += key.substr(3);
            return path;
        }
    }
    return name;
}

std::pair<std::string, std::string> PortTableFiles() { return {fileBelow(L"ProgramData"), fileBelow(L"APPDATA")}; }

std::optional<std::string> ReadTableFile(const std::string& file, std::vector<TableProblem>& problems) {
    const auto unreadable = [&](DWORD code) { problems.push_back(Unreadable(file, SysErrorMessage(code).utf8)); };
    const auto notPlain = [&] { problems.push_back(NoPlainFile(file)); };
    const auto tooLarge = [&] { problems.push_back(TooLarge(file)); };
    // Others may go on writing or replace it; nothing here ever writes to it. Backup semantics
    // open a folder too, so that it is said as what it is.
    HANDLE handle = CreateFileW(Utf8ToWide(file).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // A file that is not there is no table, and no problem.
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) unreadable(code);
        return std::nullopt;
    }
    std::optional<std::string> text;
    // Looked at before a byte is read: a pipe in the table's place would hold up the start,
    // and a device is never read at all.
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        notPlain();
    } else if (!GetFileInformationByHandle(handle, &information)) {
        unreadable(GetLastError());
    } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        notPlain();
    } else if (information.nFileSizeHigh != 0 || information.nFileSizeLow > kMaxTableBytes) {
        tooLarge();
    } else {
        // One byte more than a table may have, so a file that grows meanwhile is caught too.
        std::string bytes(kMaxTableBytes + 1, '\0');
        std::size_t got = 0;
        DWORD failed = ERROR_SUCCESS;
        while (got < bytes.size()) {
            DWORD n = 0;
            if (!::ReadFile(handle, bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &n, nullptr)) {
                failed = GetLastError();
                break;
            }
            if (n == 0) break;
            got += n;
        }
        if (failed != ERROR_SUCCESS)
            unreadable(failed);
        else if (got > kMaxTableBytes)
            tooLarge();
        else
            text = bytes.substr(0, got);
    }
    ::CloseHandle(handle);
    return text;
}

// A port by the number Windows gave it, or any device by its path (a virtual pair's "CNCA0").
// Both open through the device path: only COM1 … COM9 open by their bare names.
std::string TableDevice(const std::string& written, std::string& problem) {
    if (const int number = portNumber(written); number != 0) {
        std::string path = kDevicePrefix;
        path += "COM";
        path += std::to_string(number);
        return path;
    }
    if (written.size() > kDevicePrefix.size() && written.compare(0, kDevicePrefix.size(), kDevicePrefix) == 0 &&
        written.find_first_of("\\/", kDevicePrefix.size()) == std::string::npos)
        return written;
    problem = "das Ger\u00e4t muss ein Portname (COM1 bis COM4096) oder ein Ger\u00e4tepfad (\\\\.\\\u2026) sein";
    return {};
}

} // namespace serial

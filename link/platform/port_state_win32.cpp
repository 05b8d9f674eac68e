// What a port's tooltip can tell on Windows without opening the device: where it leads, whether
// the system lists it among its ports, and the adapter's name as Device Manager shows it.

#include "link/platform/DeviceNames.h"
#include "link/platform/DeviceNames_p.h"
#include "text/Text.h"

#include <windows.h>
// initguid.h first: the class GUIDs devguid.h names are then defined here, not only declared.
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

#include <vector>

namespace serial {
namespace {

const std::wstring kDevicePrefix = L"\\\\.\\";

bool sameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// A registry string's characters, without the terminating nulls it may or may not have.
std::wstring registryString(const std::vector<wchar_t>& data, DWORD bytes) {
    std::wstring text(data.data(), bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

// The system's list of the ports that are there now: each value's data is a port's name
// ("COM12", a virtual pair's "CNCA0"), whatever driver made it.
bool listed(const std::wstring& port) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    bool found = false;
    for (DWORD index = 0; !found; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, bytes = 0;
        std::vector<wchar_t> data(256);
        bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        const LONG result = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data.data()), &bytes);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS || type != REG_SZ) continue;
        found = sameName(registryString(data, bytes), port);
    }
    RegCloseKey(key);
    return found;
}

// The friendly name of the port's device ("USB Serial Port (COM12)"), as its driver named it
// among the ports of Device Manager, without the port's name the system adds at its end.
std::wstring friendlyName(const std::wstring& port) {
    HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) return {};
    std::wstring friendly;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; friendly.empty() && SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        // Read from the device's registry key, never from the device itself.
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
        if (key == INVALID_HANDLE_VALUE) continue;
        std::vector<wchar_t> data(256);
        DWORD type = 0, bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        const bool named = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                            &bytes) == ERROR_SUCCESS &&
                           type == REG_SZ && sameName(registryString(data, bytes), port);
        RegCloseKey(key);
        if (!named) continue;
        std::vector<wchar_t> name(512);
        if (SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, &type,
                                              reinterpret_cast<BYTE*>(name.data()),
                                              static_cast<DWORD>(name.size() * sizeof(wchar_t)), &bytes) &&
            type == REG_SZ)
            friendly = registryString(name, bytes);
        std::wstring suffix = L" (";
        suffix += port;
        suffix += L")";
        if (friendly.size() > suffix.size() &&
            sameName(friendly.substr(friendly.size() - suffix.size()), suffix))
            friendly.resize(friendly.size() - suffix.size());
    }
    SetupDiDestroyDeviceInfoList(devices);
    return friendly;
}

} // namespace

PortState DeviceState(const std::string& name) {
    PortState state;
    state.ignored = IgnoredLinesOf(name);
    const std::wstring path = Utf8ToWide(DevicePath(name));
    // A port as the user knows it from Device Manager and from the table: "COM12", "CNCA0".
    const bool devicePath = path.size() > kDevicePrefix.size() && path.compare(0, kDevicePrefix.size(), kDevicePrefix) == 0;
    const std::wstring port = devicePath ? path.substr(kDevicePrefix.size()) : path;
    state.device = WideToUtf8(port);
    state.present = !port.empty() && listed(port);
    if (state.present) state.adapter = WideToUtf8(friendlyName(port));
    return state;
}

} // namespace serial

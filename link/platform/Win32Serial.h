#pragma once
// The Win32 file and serial-port calls the serial link is written against, with their records
// and constants. Each operating system has one file behind this header. On Windows the types
// and constants are <windows.h>'s own; elsewhere this header gives them the same shape, the
// handle is an open terminal and the error codes are errno values. The calls live in this
// namespace on both: callers name them serial::ReadFile and so on, which on Windows keeps them
// apart from the system's functions of the same name.

#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

namespace serial {

#ifdef _WIN32
using ::BOOL;
using ::BYTE;
using ::COMMTIMEOUTS;
using ::DCB;
using ::DWORD;
using ::HANDLE;
using ::WORD;
// TRUE, FALSE, MAXDWORD, INVALID_HANDLE_VALUE, GENERIC_READ and the others are its macros.
#else
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using HANDLE = void*;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;
constexpr DWORD MAXDWORD = 0xFFFFFFFF;

// All bits set: the result of a failed open.
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD OPEN_EXISTING = 3;

constexpr BYTE NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
constexpr DWORD DTR_CONTROL_ENABLE = 1;
constexpr DWORD RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2;

struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};
#endif

// Opens a serial device by name, exclusively. Returns INVALID_HANDLE_VALUE on failure.
// On POSIX the check for other holders starts threads and allocates: never call it in a child
// forked from a threaded process before it execs, where a lock held at the fork never opens.
HANDLE CreateFileA(const char* name, DWORD access, DWORD shareMode, void* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile);

// Reads the line settings into `dcb`.
BOOL GetCommState(HANDLE port, DCB* dcb);

// Applies speed, data bits, parity and stop bits from `dcb`; every other setting of the line
// stays as it is. Fails if the line, read back, does not show all four.
BOOL SetCommState(HANDLE port, DCB* dcb);

BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts);
BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts);

// Reads up to `count` bytes within the port's time-outs. A time-out is success with the bytes
// that came; a line that has hung up is a failure.
BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read, void* overlapped);

// Writes all `count` bytes; writes have no time-out.
BOOL WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, void* overlapped);

BOOL CloseHandle(HANDLE port);

// The error code of the calling thread's last failed call.
DWORD GetLastError();

void Sleep(DWORD milliseconds);

} // namespace serial

// How the line settings of a DCB are written in a terminal's termios flags, and read back.

#include "link/platform/LineSettings_p.h"

#include <array>

namespace serial {
namespace {

struct Speed {
    DWORD baud;
    speed_t code;
};
constexpr std::array<Speed, 19> kSpeeds = {{
    {110, B110},       {300, B300},       {600, B600},       {1200, B1200},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},
    {38400, B38400},   {57600, B57600},   {115200, B115200}, {230400, B230400},
    {460800, B460800}, {500000, B500000}, {576000, B576000}, {921600, B921600},
    {1000000, B1000000}, {2000000, B2000000}, {4000000, B4000000},
}};

} // namespace

std::optional<speed_t> SpeedCode(DWORD baud) {
    for (const Speed& s : kSpeeds)
        if (s.baud == baud) return s.code;
    return std::nullopt;
}

DWORD BaudOf(speed_t code) {
    for (const Speed& s : kSpeeds)
        if (s.code == code) return s.baud;
    return 0;
}

std::optional<tcflag_t> ParityFlags(BYTE parity) {
    switch (parity) {
    case NOPARITY: return tcflag_t{0};
    case ODDPARITY: return tcflag_t{PARENB | PARODD};
    case EVENPARITY: return tcflag_t{PARENB};
    case MARKPARITY: return tcflag_t{PARENB | PARODD | CMSPAR};
    case SPACEPARITY: return tcflag_t{PARENB | CMSPAR};
    default: return std::nullopt;
    }
}

BYTE ParityOf(tcflag_t cflag) {
    switch (cflag & kParityFlags) {
    case PARENB | PARODD: return ODDPARITY;
    case PARENB: return EVENPARITY;
    case PARENB | PARODD | CMSPAR: return MARKPARITY;
    case PARENB | CMSPAR: return SPACEPARITY;
    default: return NOPARITY;
    }
}

std::optional<tcflag_t> SizeFlag(BYTE bits) {
    switch (bits) {
    case 5: return tcflag_t{CS5};
    case 6: return tcflag_t{CS6};
    case 7: return tcflag_t{CS7};
    case 8: return tcflag_t{CS8};
    default: return std::nullopt;
    }
}

BYTE SizeOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
    }
}

bool SameLine(const termios& a, const termios& b) {
    constexpr tcflag_t line = CSIZE | kParityFlags | CSTOPB;
    return cfgetospeed(&a) == cfgetospeed(&b) && cfgetispeed(&a) == cfgetispeed(&b) &&
           (a.c_cflag & line) == (b.c_cflag & line);
}

} // namespace serial

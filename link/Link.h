#pragma once
// The serial link to the light controller: the one open port, its set-up, reading from it,
// the error box of a failed call, and sending single command bytes that the controller
// acknowledges with "ok".

#include "link/platform/Win32Serial.h"
#include "text/Text.h"


// The one open port. The null handle before the first connect and after a release; the
// invalid handle after a failed open.
extern serial::HANDLE hComPort;

// Opens a port by name ("Com1" … "Com6") for exclusive reading and writing. A failure is
// not reported here: the caller tests for INVALID_HANDLE_VALUE.
serial::HANDLE OpenComPort(const Text& name);

// 9600 baud, 8 data bits, no parity, one stop bit; the port's other settings stay.
void ConfigureComPort(serial::HANDLE port);

// Reads return when the bytes asked for are there, after 1 ms in all, or after 100 ms
// between two bytes. Writes have no time-out.
void SetComTimeouts(serial::HANDLE port);

// Reads up to `count` bytes from hComPort; 0 when nothing came in time or the read failed.
serial::DWORD ReadComPort(void* buffer, serial::DWORD count);

// An error box titled with the failed call's name, showing the system's text for the last error.
// The link's boxes go where the program bound them (link/Messages.h).
void ShowApiError(const Text& operation);

// Sends the first `count` bytes of `text` (echo box, write, wait for "ok"), up to ten sends
// while the controller does not acknowledge. Returns what the last write reported written.
serial::DWORD WriteCommand(const Text& text, serial::DWORD count);

// Collects the controller's reply for one send and shows "TRUE" when it is exactly "ok",
// otherwise "FALSE".
bool WaitForOk();

// Releases hComPort, so the port can be opened again, and leaves the null handle in it.
void CloseComPort();

// What a port's tooltip says now, without opening its device: where the name leads, the
// adapter's own name, whether it is there and why an open would be refused; then each line
// of the port tables for the name that was ignored.
Text ComPortHint(const Text& name);

#pragma once
// The program's message boxes as a user meets them: the next one found once it is shown and
// has the keyboard, its title, text and icon read, and confirmed with Enter or a click on OK.

#include "tests/windows/drive/Program.h"

#include <windows.h>

#include <string>

namespace drive {

struct Box {
    HWND window = nullptr;
    std::string title, text;
    bool errorIcon = false;
};

// The box on screen (or on its way out); a null window if none is open.
HWND openBox(const Program& program);
// The next box, once it is shown and has the keyboard; a null window if none comes.
Box nextBox(const Program& program);

enum class Confirm { Enter, MouseOnOk };

// Confirms the box and waits until it has closed and the program has gone back to waiting.
bool confirm(const Program& program, const Box& box, Confirm how = Confirm::Enter);
// No box is open once the program has gone back to waiting.
bool noBoxOpen(const Program& program);
// How many boxes of the program are on screen.
int boxesShown(const Program& program);

// While a box is open, a click on the button changes nothing (checked): the box stays the only
// one, and the button keeps its caption.
void clickOnTheButtonDuring(const Program& program, const Box& box);

// ---- Reading their texts -------------------------------------------------------------------

// The text with every byte outside printable ASCII written as \xNN.
std::string printable(const std::string& text);
// A window's text read as UTF-16.
std::wstring wideText(HWND window);
std::string utf8(const std::wstring& text);
// The system's own words for an error code, as it gives them to any program.
std::wstring systemWords(DWORD code);
// The error code whose system words the text is, letter for letter; 0 for none.
DWORD codeOfWords(const std::wstring& text);

} // namespace drive

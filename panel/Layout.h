#pragma once
// The window's layout: each control's member, name, parent group, place and size (pixels at
// 96 dpi, within the parent), caption, tab index among its siblings and click handler. The
// window builds itself from it, and the Windows test driver finds the controls by it.

#include "panel/Unit1.h"

#include <array>
#include <cstddef>
#include <string_view>
#include <variant>

using ControlMember = std::variant<TButton* TForm1::*, TRadioGroup* TForm1::*, TGroupBox* TForm1::*,
                                   TCheckBox* TForm1::*>;
using Handler = void (TForm1::*)();

struct Placement {
    ControlMember control;
    std::string_view name;
    TGroupBox* TForm1::*parent; // nullptr: the window itself
    int left, top, width, height;
    const char* caption;
    int tabOrder;
    Handler onClick;
};

// Parents come before their children. A light's box is named as the light's row in
// protocol/Lights.h names it.
inline constexpr auto kLayout = std::to_array<Placement>({
    {&TForm1::comportbut, "comportbut", nullptr, 160, 208, 209, 33, "verbinden", 0, &TForm1::comportbutClick},
    {&TForm1::comports, "comports", nullptr, 280, 8, 89, 193, "ComPort", 1, nullptr},
    {&TForm1::Allgemein, "Allgemein", nullptr, 8, 8, 137, 89, "Allgemein", 2, nullptr},
    {&TForm1::Standlicht, "Standlicht", &TForm1::Allgemein, 8, 16, 81, 17, "Standlicht", 0, &TForm1::StandlichtClick},
    {&TForm1::Abblendlicht, "Abblendlicht", &TForm1::Allgemein, 8, 40, 81, 17, "Abblendlicht", 1, &TForm1::AbblendlichtClick},
    {&TForm1::Fernlicht, "Fernlicht", &TForm1::Allgemein, 8, 64, 81, 17, "Fernlicht", 2, nullptr},
    {&TForm1::Sonderfunktionen, "Sonderfunktionen", nullptr, 8, 104, 137, 65, "Sonderfunktionen", 3, nullptr},
    {&TForm1::Rueckwaerts, "Rueckwaerts", &TForm1::Sonderfunktionen, 8, 16, 97, 17, "Rueckwaerts", 0, nullptr},
    {&TForm1::Innenraum, "Innenraum", &TForm1::Sonderfunktionen, 8, 40, 97, 17, "Innenraum", 1, nullptr},
    {&TForm1::Nebel, "Nebel", nullptr, 8, 176, 137, 65, "Nebel", 4, nullptr},
    {&TForm1::Nebelschlussleuchte, "Nebelschlussleuchte", &TForm1::Nebel, 8, 16, 121, 17, "Nebelschlussleuchte", 0, nullptr},
    {&TForm1::Nebelscheinwerfer, "Nebelscheinwerfer", &TForm1::Nebel, 8, 40, 121, 17, "Nebelscheinwerfer", 1, nullptr},
    {&TForm1::Blinker, "Blinker", nullptr, 160, 8, 105, 121, "Blinker", 5, nullptr},
    {&TForm1::Links, "Links", &TForm1::Blinker, 8, 16, 73, 17, "Links", 0, nullptr},
    {&TForm1::Rechts, "Rechts", &TForm1::Blinker, 8, 40, 81, 17, "Rechts", 1, nullptr},
    {&TForm1::Parklicht, "Parklicht", &TForm1::Blinker, 8, 88, 81, 17, "Parklicht", 2, nullptr},
    {&TForm1::Warnblinklicht, "Warnblinklicht", &TForm1::Blinker, 8, 64, 89, 17, "Warnblinklicht", 3, nullptr},
    {&TForm1::Lichtautomatik, "Lichtautomatik", nullptr, 160, 136, 105, 65, "Lichtautomatik", 6, nullptr},
    {&TForm1::Abblendlicht_auto, "Abblendlicht_auto", &TForm1::Lichtautomatik, 8, 16, 89, 17, "Abblendlicht", 0, nullptr},
    {&TForm1::Fernlicht_auto, "Fernlicht_auto", &TForm1::Lichtautomatik, 8, 40, 81, 17, "Fernlicht", 1, nullptr},
});

struct Bounds {
    int left, top, width, height;
};

// The window on the screen, frame included where the system draws one.
inline constexpr Bounds kWindowBounds = {475, 106, 386, 276};

// The row of the control of that name; kLayout.size() for a name the layout lacks. An index,
// not a pointer: a pointer's null check is no constant expression under the sanitizers.
constexpr std::size_t PlacementIndex(std::string_view name) {
    std::size_t index = 0;
    while (index < kLayout.size() && kLayout[index].name != name) ++index;
    return index;
}

// A control's place in the window's client area: its own within its group, moved by the
// group's. A name the layout lacks throws, so a constant of it does not compile.
constexpr Bounds PlaceInWindow(std::string_view name) {
    const Placement& p = kLayout.at(PlacementIndex(name));
    Bounds place = {p.left, p.top, p.width, p.height};
    if (p.parent == nullptr) return place;
    for (const Placement& group : kLayout) {
        if (std::holds_alternative<TGroupBox* TForm1::*>(group.control) &&
            std::get<TGroupBox* TForm1::*>(group.control) == p.parent) {
            place.left += group.left;
            place.top += group.top;
        }
    }
    return place;
}

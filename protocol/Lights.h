#pragma once
// The light functions, each in one row: the box the panel shows it with and how that box
// stands in the window's two states, its command letter, and its lamp on the controller. The
// frame the panel sends and the order of the controller's lamps are tables of these lights;
// the panel, the simulated controller and the demo all read them from here, and the checks at
// the end make a light missing from one of them a compile error.

#include <array>
#include <cstddef>
#include <string_view>

enum class Light {
    Abblendlicht,
    Fernlicht,
    Standlicht,
    Links,
    Rechts,
    Parklicht,
    Warnblinklicht,
    Abblendlicht_auto,
    Fernlicht_auto,
    Nebelscheinwerfer,
    Nebelschlussleuchte,
    Innenraum,
    Rueckwaerts,
};

struct BoxState {
    bool enabled, checked;
};

struct LightRow {
    Light light;
    std::string_view box; // the panel's check box, by its name
    BoxState connected, disconnected;
    char letter;           // its command letter; 0 for none of its own
    std::string_view lamp; // the controller's name for it, as its documentation writes it
};

// In the order the window sets its boxes when it changes state.
inline constexpr auto kLights = std::to_array<LightRow>({
    {Light::Abblendlicht, "Abblendlicht", {true, false}, {false, false}, 'a', "Abblendlicht"},
    {Light::Fernlicht, "Fernlicht", {false, false}, {false, false}, 'c', "Fernlicht"},
    {Light::Standlicht, "Standlicht", {true, false}, {false, false}, 'b', "Standlicht"},
    {Light::Links, "Links", {true, false}, {false, false}, 'e', "Blinker links"},
    {Light::Rechts, "Rechts", {true, false}, {false, false}, 'f', "Blinker rechts"},
    {Light::Parklicht, "Parklicht", {true, false}, {false, false}, 'j', "Parklicht"},
    {Light::Warnblinklicht, "Warnblinklicht", {true, false}, {false, false}, 0, ""},
    {Light::Abblendlicht_auto, "Abblendlicht_auto", {true, false}, {false, false}, 'k', "Abblendautomatik"},
    {Light::Fernlicht_auto, "Fernlicht_auto", {true, false}, {false, false}, 'l', "Fernlichtautomatik"},
    {Light::Nebelscheinwerfer, "Nebelscheinwerfer", {false, false}, {false, false}, 'g', "Nebelscheinwerfer"},
    {Light::Nebelschlussleuchte, "Nebelschlussleuchte", {false, false}, {false, false}, 'h', "Nebelschlussleuchte"},
    {Light::Innenraum, "Innenraum", {true, true}, {false, true}, 'i', "Innenraum"},
    {Light::Rueckwaerts, "Rueckwaerts", {true, false}, {false, false}, 'd', "R\u00fcckfahrlicht"},
});

inline constexpr const LightRow& RowOf(Light light) { return kLights[static_cast<std::size_t>(light)]; }

struct FrameCommand {
    char letter;
    Light light;
};

// The light state frame as the controller reads it, in the order sent: a command letter, then
// "y" or "n" for the light. The hazard lights have no letter of their own: they are sent under
// both indicator letters after the indicators, so the last state each indicator receives is
// the hazard state.
inline constexpr auto kLightFrame = std::to_array<FrameCommand>({
    {'a', Light::Abblendlicht},
    {'c', Light::Fernlicht},
    {'b', Light::Standlicht},
    {'j', Light::Parklicht},
    {'e', Light::Links},
    {'f', Light::Rechts},
    {'e', Light::Warnblinklicht},
    {'f', Light::Warnblinklicht},
    {'k', Light::Abblendlicht_auto},
    {'l', Light::Fernlicht_auto},
    {'g', Light::Nebelscheinwerfer},
    {'h', Light::Nebelschlussleuchte},
    {'i', Light::Innenraum},
    {'d', Light::Rueckwaerts},
});

// The controller's lamps, one for each light with a letter of its own, in the order its
// documentation lists them (the simulator's line and the demo's lamps follow it).
inline constexpr auto kLamps = std::to_array<Light>({
    Light::Standlicht,        Light::Abblendlicht,      Light::Fernlicht,         Light::Links,
    Light::Rechts,            Light::Parklicht,         Light::Abblendlicht_auto, Light::Fernlicht_auto,
    Light::Nebelscheinwerfer, Light::Nebelschlussleuchte, Light::Innenraum,     Light::Rueckwaerts,
});

// A frame is complete with the value of its last command.
inline constexpr char kLastCommandLetter = kLightFrame.back().letter;
inline constexpr char kFirstCommandLetter = 'a';
inline constexpr std::size_t kCommandLetters = kLamps.size();

inline constexpr bool IsCommandLetter(char byte) {
    return byte >= kFirstCommandLetter && byte < kFirstCommandLetter + static_cast<char>(kCommandLetters);
}

namespace lights_checks {

constexpr bool rowsInOrder() {
    for (std::size_t i = 0; i < kLights.size(); ++i)
        if (static_cast<std::size_t>(kLights[i].light) != i) return false;
    return true;
}

constexpr int timesInFrame(Light light) {
    int times = 0;
    for (const FrameCommand& command : kLightFrame) times += command.light == light ? 1 : 0;
    return times;
}

constexpr bool everyLightSentUnderItsLetter() {
    for (const FrameCommand& command : kLightFrame) {
        if (static_cast<std::size_t>(command.light) >= kLights.size()) return false;
        const char own = RowOf(command.light).letter;
        if (own != 0 ? command.letter != own : !IsCommandLetter(command.letter)) return false;
    }
    for (const LightRow& row : kLights)
        if (timesInFrame(row.light) == 0 || (row.letter != 0 && timesInFrame(row.light) != 1)) return false;
    return true;
}

constexpr bool oneLampForEachLetter() {
    for (const LightRow& row : kLights) {
        int lamps = 0;
        for (const Light lamp : kLamps) lamps += lamp == row.light ? 1 : 0;
        if (lamps != (row.letter != 0 ? 1 : 0) || (row.letter != 0) == row.lamp.empty()) return false;
        if (row.letter != 0 && !IsCommandLetter(row.letter)) return false;
        for (const LightRow& other : kLights)
            if (&other != &row && row.letter != 0 && other.letter == row.letter) return false;
    }
    return true;
}

} // namespace lights_checks

static_assert(lights_checks::rowsInOrder(), "kLights: one row for each Light, in the enum's order");
static_assert(lights_checks::everyLightSentUnderItsLetter(),
              "kLightFrame: each light sent, a light with a letter once and under it");
static_assert(lights_checks::oneLampForEachLetter(),
              "kLamps: one lamp for each light with a letter; letters from 'a' on, each once");

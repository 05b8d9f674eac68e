#pragma once
// The light state frame as the controller reads it: fourteen commands, each a command letter
// and "y" or "n", one for each light function. The panel sends it, the simulated controller
// decodes it; both read it from here.

#include <array>
#include <cstddef>

enum class Light {
    Abblendlicht,
    Fernlicht,
    Standlicht,
    Parklicht,
    Links,
    Rechts,
    Warnblinklicht,
    Abblendlicht_auto,
    Fernlicht_auto,
    Nebelscheinwerfer,
    Nebelschlussleuchte,
    Innenraum,
    Rueckwaerts,
};

struct FrameCommand {
    char letter;
    Light light;
};

// The hazard lights have no letter of their own: they are sent under both indicator letters
// after the indicators, so the last state each indicator receives is the hazard state.
inline constexpr std::array<FrameCommand, 14> kLightFrame = {{
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
}};

// A frame is complete with the value of its last command (the reversing light).
inline constexpr char kLastCommandLetter = kLightFrame.back().letter;

inline constexpr bool IsCommandLetter(char byte) { return byte >= 'a' && byte <= 'l'; }

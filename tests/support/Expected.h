#pragma once
// What the panel must do, written once for every test. A test that took these from the
// product itself would pass whatever the product did.

#include <utility>

// How often the link sends a byte, and reads in one wait.
inline constexpr int kSendsOfAByte = 10;
inline constexpr int kPassesOfAWait = 11;

// The frame as the controller must receive it: each command's letter and the box it reads.
inline constexpr std::pair<char, const char*> kExpectedFrame[] = {
    {'a', "Abblendlicht"}, {'c', "Fernlicht"}, {'b', "Standlicht"}, {'j', "Parklicht"},
    {'e', "Links"}, {'f', "Rechts"}, {'e', "Warnblinklicht"}, {'f', "Warnblinklicht"},
    {'k', "Abblendlicht_auto"}, {'l', "Fernlicht_auto"}, {'g', "Nebelscheinwerfer"},
    {'h', "Nebelschlussleuchte"}, {'i', "Innenraum"}, {'d', "Rueckwaerts"}};

#pragma once
// Conversion between the program's Windows-1252 text and the toolkit's Unicode strings.

#include "toolkit/Toolkit.h"

#include <QString>

QString Cp1252ToQString(const Text& text);

// Characters Windows-1252 cannot hold become '?'.
Text QStringToCp1252(const QString& text);

#pragma once
// What the shared control code needs from the system's toolkit file.

#include "toolkit/Controls.h"

// Creates the toolkit's window for a control whose parent (if any) already has its own.
TControl::Native* NewNative(TControl& control, TControl::Kind kind);

// Ends the toolkit's window; the control's children have already ended theirs.
void DeleteNative(TControl::Native* native);

// Follows a control's name, for toolkits that look controls up by it.
void NameNative(TControl::Native& native, const Text& name);

// Tab visits these controls in this order, group boxes listed before their children.
void ChainNative(const std::vector<TControl*>& order);

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

// Where a radio group's items go: one column of equal rows under the caption, as the classic
// radio group lays them out, in a group of the given client size and caption height.
struct ItemRect {
    int left, top, width, height;
};
std::vector<ItemRect> RadioItemRects(int count, int width, int height, int textHeight);

#include "toolkit/Controls.h"

#include "toolkit/Application.h"
#include "toolkit/Controls_p.h"

#include <algorithm>
#include <utility>

TControl::TControl(TControl* parent, Kind kind) : parent_(parent), native_(nullptr) {
    native_ = NewNative(*this, kind);
    if (parent_ != nullptr) parent_->children_.push_back(this);
}

TControl::~TControl() {
    // Newest first, as the toolkits create them.
    while (!children_.empty()) delete children_.back();
    DeleteNative(native_);
    if (parent_ != nullptr) std::erase(parent_->children_, this);
}

void TControl::SetName(const Text& name) {
    name_ = name;
    NameNative(*native_, name);
}

TForm::TForm(TControl* owner) : TControl(owner, Kind::Form) {}

TForm::~TForm() { Application->Forget(this); }

void SetTabOrder(const std::vector<TControl*>& order) { ChainNative(order); }

void TRadioGroup::SetItemHints(std::function<Text(int index)> hintOf) {
    hintOf_ = std::move(hintOf);
    itemHintsChanged();
}

Text TRadioGroup::ItemHint(int index) const {
    return hintOf_ && index >= 0 && index < ItemCount() ? hintOf_(index) : Text();
}

std::vector<ItemRect> RadioItemRects(int count, int width, int height, int textHeight) {
    std::vector<ItemRect> rects;
    if (count <= 0) return rects;
    const int usable = height - textHeight - 5;
    const int rowHeight = usable / count;
    const int topMargin = textHeight + 1 + (usable % count) / 2;
    for (int i = 0; i < count; ++i) rects.push_back({8, topMargin + i * rowHeight, width - 10, rowHeight});
    return rects;
}

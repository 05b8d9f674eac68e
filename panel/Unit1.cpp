#include "panel/Unit1.h"

#include "panel/Layout.h"

#include "link/Link.h"
#include "link/platform/DeviceNames.h"
#include "protocol/LightFrame.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <variant>
#include <vector>

using namespace serial; // INVALID_HANDLE_VALUE where <windows.h> does not define it

TForm1* Form1 = nullptr;

namespace {

// Each light's box, found by the name its row gives it.
constexpr TCheckBox* TForm1::*boxNamed(std::string_view name) {
    // holds_alternative and get, not get_if: a pointer's null check is no constant expression
    // under the sanitizers.
    const std::size_t index = PlacementIndex(name);
    if (index == kLayout.size() || !std::holds_alternative<TCheckBox* TForm1::*>(kLayout[index].control))
        return nullptr;
    return std::get<TCheckBox* TForm1::*>(kLayout[index].control);
}

constexpr std::array<TCheckBox* TForm1::*, kLights.size()> kBoxes = [] {
    std::array<TCheckBox* TForm1::*, kLights.size()> boxes{};
    for (std::size_t i = 0; i < kLights.size(); ++i) boxes[i] = boxNamed(kLights[i].box);
    return boxes;
}();

constexpr bool everyLightHasABox() {
    return std::ranges::none_of(kBoxes, [](auto box) { return box == nullptr; });
}

constexpr bool everyBoxShowsALight() {
    for (const Placement& p : kLayout)
        if (std::holds_alternative<TCheckBox* TForm1::*>(p.control) &&
            std::ranges::none_of(kLights, [&p](const LightRow& row) { return row.box == p.name; }))
            return false;
    return true;
}

static_assert(everyLightHasABox(), "each light of protocol/Lights.h needs its check box in kLayout");
static_assert(everyBoxShowsALight(), "each check box of kLayout needs its light in protocol/Lights.h");

TCheckBox* boxOf(Light light) { return Form1->*kBoxes[static_cast<std::size_t>(light)]; }

// Windows-1252: 0xE4 is "ä", 0xF6 is "ö".
const Text kOpenFailure = "Der gew\xE4hlte ComPort konnte nicht ge\xF6"
                          "ffnet werden.\n\nBitte stellen sie sicher, das dieser von keiner "
                          "anderen Anwendung benutzt wird.";

TControl* controlOf(const TForm1& form, const ControlMember& member) {
    return std::visit([&form](auto pointer) -> TControl* { return form.*pointer; }, member);
}

// Tab order runs through each parent's children by their tab index, a group's own children
// right after the group.
void chainTabOrder(TForm1& form) {
    std::vector<TControl*> order;
    const auto addChildrenOf = [&](auto&& self, TGroupBox* TForm1::*parent) -> void {
        std::vector<const Placement*> children;
        for (const Placement& p : kLayout)
            if (p.parent == parent) children.push_back(&p);
        std::ranges::sort(children, {}, &Placement::tabOrder);
        for (const Placement* child : children) {
            order.push_back(controlOf(form, child->control));
            if (auto* group = std::get_if<TGroupBox* TForm1::*>(&child->control))
                self(self, *group);
        }
    };
    addChildrenOf(addChildrenOf, nullptr);
    SetTabOrder(order);
}

void applyState(bool connected) {
    Form1->comportbut->SetCaption(connected ? "trennen" : "verbinden");
    Form1->comports->SetEnabled(!connected);
    for (const LightRow& row : kLights) {
        const BoxState& state = connected ? row.connected : row.disconnected;
        TCheckBox* box = boxOf(row.light);
        box->SetEnabled(state.enabled);
        box->SetChecked(state.checked);
    }
}

} // namespace

TForm1::TForm1(TControl* owner) : TForm(owner) {
    SetFont({"MS Sans Serif", -11});
    SetColor(clBtnFace);
    SetCaption("window");
    SetBounds(kWindowBounds.left, kWindowBounds.top, kWindowBounds.width, kWindowBounds.height);

    for (const Placement& p : kLayout) {
        TControl* parent = p.parent != nullptr ? static_cast<TControl*>(this->*p.parent) : this;
        std::visit(
            [&](auto member) {
                using Control = std::remove_pointer_t<std::remove_reference_t<decltype(this->*member)>>;
                auto* control = new Control(parent);
                this->*member = control;
                control->SetName(Text(p.name));
                control->SetBounds(p.left, p.top, p.width, p.height);
                control->SetCaption(p.caption);
                if (p.onClick != nullptr) control->OnClick = [this, h = p.onClick] { (this->*h)(); };
            },
            p.control);
    }

    comports->SetItems({kPortNames.begin(), kPortNames.end()});
    comports->SetItemHints([](int index) { return ComPortHint(kPortNames[static_cast<std::size_t>(index)]); });
    comports->SetItemIndex(0);
    chainTabOrder(*this);

    SetDisconnectedState();
}

TForm1::~TForm1() {
    CloseComPort();
    if (Form1 == this) Form1 = nullptr;
}

void TForm1::comportbutClick() {
    if (comportbut->Caption() != "verbinden") {
        CloseComPort();
        SetDisconnectedState();
        return;
    }
    const int index = comports->ItemIndex();
    for (int i = 0; i < static_cast<int>(kPortNames.size()); ++i)
        if (index == i) hComPort = OpenComPort(kPortNames[i]);
    if (hComPort == INVALID_HANDLE_VALUE) {
        ShowMessage(kOpenFailure);
        SetDisconnectedState();
        return;
    }
    ConfigureComPort(hComPort);
    SetComTimeouts(hComPort);
    SetConnectedState();
}

void TForm1::StandlichtClick() { SendLightStates(); }

void TForm1::AbblendlichtClick() {
    if (Abblendlicht->Checked()) {
        Standlicht->SetChecked(false);
        Fernlicht->SetChecked(false);
        Fernlicht->SetEnabled(true);
    } else {
        Fernlicht->SetChecked(false);
        Fernlicht->SetEnabled(false);
    }
    SendLightStates();
}

void SendLightStates() {
    SendLightFrame([](Light light) { return boxOf(light)->Checked(); });
}

void SetConnectedState() { applyState(true); }

void SetDisconnectedState() { applyState(false); }

#include "panel/Unit1.h"

#include "link/Link.h"
#include "link/platform/DeviceNames.h"
#include "protocol/LightFrame.h"

#include <algorithm>
#include <array>
#include <span>
#include <variant>
#include <vector>

using namespace serial; // INVALID_HANDLE_VALUE where <windows.h> does not define it

TForm1* Form1 = nullptr;

namespace {

using ControlMember = std::variant<TButton* TForm1::*, TRadioGroup* TForm1::*,
                                   TGroupBox* TForm1::*, TCheckBox* TForm1::*>;
using Handler = void (TForm1::*)();

struct Placement {
    ControlMember control;
    const char* name;
    TGroupBox* TForm1::*parent; // nullptr: the window itself
    int left, top, width, height;
    const char* caption;
    int tabOrder;
    Handler onClick;
};

// Parents come before their children.
constexpr std::array<Placement, 20> kLayout = {{
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
}};

constexpr int kWindowLeft = 475, kWindowTop = 106, kWindowWidth = 386, kWindowHeight = 276;

// The light boxes: the light each shows, and their states, in the order they are applied.
struct BoxStates {
    TCheckBox* TForm1::*box;
    Light light;
    bool connectedEnabled, connectedChecked;
    bool disconnectedEnabled, disconnectedChecked;
};

constexpr std::array<BoxStates, 13> kBoxStates = {{
    {&TForm1::Abblendlicht, Light::Abblendlicht, true, false, false, false},
    {&TForm1::Fernlicht, Light::Fernlicht, false, false, false, false},
    {&TForm1::Standlicht, Light::Standlicht, true, false, false, false},
    {&TForm1::Links, Light::Links, true, false, false, false},
    {&TForm1::Rechts, Light::Rechts, true, false, false, false},
    {&TForm1::Parklicht, Light::Parklicht, true, false, false, false},
    {&TForm1::Warnblinklicht, Light::Warnblinklicht, true, false, false, false},
    {&TForm1::Abblendlicht_auto, Light::Abblendlicht_auto, true, false, false, false},
    {&TForm1::Fernlicht_auto, Light::Fernlicht_auto, true, false, false, false},
    {&TForm1::Nebelscheinwerfer, Light::Nebelscheinwerfer, false, false, false, false},
    {&TForm1::Nebelschlussleuchte, Light::Nebelschlussleuchte, false, false, false, false},
    {&TForm1::Innenraum, Light::Innenraum, true, true, false, true},
    {&TForm1::Rueckwaerts, Light::Rueckwaerts, true, false, false, false},
}};

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
    for (const BoxStates& row : kBoxStates) {
        TCheckBox* box = Form1->*row.box;
        box->SetEnabled(connected ? row.connectedEnabled : row.disconnectedEnabled);
        box->SetChecked(connected ? row.connectedChecked : row.disconnectedChecked);
    }
}

} // namespace

TForm1::TForm1(TControl* owner) : TForm(owner) {
    SetFont({"MS Sans Serif", -11});
    SetColor(clBtnFace);
    SetCaption("window");
    SetBounds(kWindowLeft, kWindowTop, kWindowWidth, kWindowHeight);

    for (const Placement& p : kLayout) {
        TControl* parent = p.parent != nullptr ? static_cast<TControl*>(this->*p.parent) : this;
        std::visit(
            [&](auto member) {
                using Control = std::remove_pointer_t<std::remove_reference_t<decltype(this->*member)>>;
                auto* control = new Control(parent);
                this->*member = control;
                control->SetName(p.name);
                control->SetBounds(p.left, p.top, p.width, p.height);
                control->SetCaption(p.caption);
                if (p.onClick != nullptr) control->OnClick = [this, h = p.onClick] { (this->*h)(); };
            },
            p.control);
    }

    comports->SetItems({kPortNames[0], kPortNames[1], kPortNames[2], kPortNames[3],
                        kPortNames[4], kPortNames[5]});
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
    SendLightFrame([](Light light) {
        return (Form1->*std::ranges::find(kBoxStates, light, &BoxStates::light)->box)->Checked();
    });
}

void SetConnectedState() { applyState(true); }

void SetDisconnectedState() { applyState(false); }

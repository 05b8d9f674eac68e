#pragma once
// The panel's one window: the port choice, the connect button and the light boxes, its
// connected and disconnected states, and the click handlers that start every transfer.

#include "toolkit/Controls.h"

class TForm1 : public TForm {
public:
    TButton* comportbut;
    TRadioGroup* comports;
    TGroupBox* Allgemein;
    TGroupBox* Sonderfunktionen;
    TGroupBox* Nebel;
    TGroupBox* Blinker;
    TGroupBox* Lichtautomatik;
    TCheckBox* Standlicht;
    TCheckBox* Abblendlicht;
    TCheckBox* Fernlicht;
    TCheckBox* Rueckwaerts;
    TCheckBox* Innenraum;
    TCheckBox* Nebelschlussleuchte;
    TCheckBox* Nebelscheinwerfer;
    TCheckBox* Links;
    TCheckBox* Rechts;
    TCheckBox* Parklicht;
    TCheckBox* Warnblinklicht;
    TCheckBox* Abblendlicht_auto;
    TCheckBox* Fernlicht_auto;

    void comportbutClick();
    void StandlichtClick();
    void AbblendlichtClick();

    // Builds the window from its layout and ends in the disconnected state; create it with
    // Application->CreateForm(Form1), which sets Form1 before this runs.
    explicit TForm1(TControl* owner = nullptr);
    // Releases the port: the window lives as long as the program.
    ~TForm1() override;
};

extern TForm1* Form1;

// Sends the frame with the state of every light box, each read as its command comes up.
void SendLightStates();

void SetConnectedState();
void SetDisconnectedState();

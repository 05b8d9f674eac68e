#include "tests/support/Panel.h"

#include "link/platform/DeviceNames.h"
#include "panel/Unit1.h"
#include "toolkit/Application.h"

void CreatePanel() {
    delete Form1;
    Form1 = nullptr;
    Application->Initialize();
    Application->CreateForm(Form1);
}

void ConnectPanel(const std::string& device) {
    serial::SetDevicePath("Com1", device);
    Form1->comports->SetItemIndex(0);
    Form1->comportbut->Click();
}

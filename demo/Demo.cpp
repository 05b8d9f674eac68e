#include "demo/Demo.h"

#include "app/Application.h"
#include "demo/Placement.h"
#include "link/platform/DeviceNames.h"
#include "panel/Unit1.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

constexpr int kGap = 24;

// The panel is shown first, so its frame (when a window manager draws one) is known; the
// controller's window gets a frame of the same thickness.
void PlaceWindows(QWidget& panel, QWidget& window) {
    const QScreen* screen = QGuiApplication::screenAt(panel.frameGeometry().center());
    if (screen == nullptr) screen = panel.screen();
    const QRect available = screen->availableGeometry();
    const QRect panelFrame = FitInside(panel.frameGeometry(), available);
    panel.move(panelFrame.topLeft());

    const QRect inner = panel.geometry(), outer = panel.frameGeometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    const QRect placed = PlaceBeside(panelFrame, window.size().grownBy(frame), available, kGap);
    window.resize(placed.size().shrunkBy(frame));
    window.move(placed.topLeft());
}

} // namespace

std::unique_ptr<Demo> StartDemo() {
    auto demo = std::make_unique<Demo>();
    for (const char* name : {"Com1", "Com2", "Com3", "Com4", "Com5", "Com6"})
        win32::SetDevicePath(name, demo->controller.Path());
    Application->CreateForm(Form1);
    demo->window = std::make_unique<SimulationWindow>(demo->controller);
    Form1->show();
    PlaceWindows(*Form1, *demo->window);
    demo->window->show();
    return demo;
}

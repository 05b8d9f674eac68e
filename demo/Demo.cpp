#include "demo/Demo.h"
#include "toolkit/qt/Controls_qt.h"

#include "demo/Placement.h"
#include "link/platform/DeviceNames.h"
#include "panel/Unit1.h"
#include "toolkit/Application.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

constexpr int kGap = 24;

// The panel is shown first, so its frame (when a window manager draws one) is known; the
// controller's window gets a frame of the same thickness.
void PlaceWindows(QWidget& panel, QWidget& window) {
    const QScreen* screen = QGuiApplication::screenAt(panel.frameGeometry().center());
    if (screen == nullptr) screen = panel.screen();
    QRect available = screen->availableGeometry();
    // At a fractional scale the logical size is rounded, up as often as not: its last row and
    // column of pixels may lie half off the screen.
    const qreal ratio = screen->devicePixelRatio();
    if (ratio != qreal(int(ratio))) available.adjust(0, 0, -1, -1);
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
    for (const char* name : serial::kPortNames)
        serial::SetDevicePath(name, demo->controller.Path());
    Application->CreateForm(Form1);
    demo->window = std::make_unique<SimulationWindow>(demo->controller);
    QtWidget(Form1)->show();
    PlaceWindows(*QtWidget(Form1), *demo->window);
    demo->window->show();
    // Where the screen is too small for both side by side, the panel the user works with stays
    // on top.
    QtWidget(Form1)->raise();
    return demo;
}

// lichtpult-demo: the panel against a simulated controller, no hardware needed.

#include "app/Application.h"
#include "demo/Demo.h"
#include "panel/Unit1.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

// The demo is two windows of one program: closing either ends it.
class CloseEndsRun : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) QCoreApplication::quit();
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main() {
    const ApplicationLifetime lifetime;
    try {
        Application->Initialize();
        const auto demo = StartDemo();
        CloseEndsRun closeEndsRun;
        demo->window->installEventFilter(&closeEndsRun);
        Application->Run();
        // The panel lets go of the terminal before the controller behind it goes away.
        delete Form1;
        Form1 = nullptr;
    } catch (...) {
        Application->ShowHandledException();
    }
    return 0;
}

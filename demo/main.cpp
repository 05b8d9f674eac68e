// lichtpult-demo: the panel against a simulated controller, no hardware needed.

#include "app/Application.h"
#include "demo/Demo.h"
#include "panel/Unit1.h"

int main() {
    try {
        Application->Initialize();
        const auto demo = StartDemo();
        Application->Run();
        // The panel lets go of the terminal before the controller behind it goes away.
        delete Form1;
        Form1 = nullptr;
    } catch (const Exception& exception) {
        Application->ShowException(exception);
    } catch (const std::exception& exception) {
        Application->ShowException(Exception(exception.what()));
    }
    return 0;
}

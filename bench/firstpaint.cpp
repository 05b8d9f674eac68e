// Starts the panel exactly as the program does and ends at its window's first paint, so the
// benchmark can time start-up and read the peak memory from outside. With "bare" it does the
// same for an empty Qt window, the floor the panel is compared with.

#include "panel/Unit1.h"
#include "toolkit/Application.h"
#include "toolkit/qt/Controls_qt.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <cstring>

namespace {

class QuitOnPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) QCoreApplication::quit();
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "bare") == 0) {
        QApplication app(argc, argv);
        QWidget window;
        QuitOnPaint quit;
        window.installEventFilter(&quit);
        window.resize(386, 276);
        window.show();
        return QApplication::exec();
    }
    Application->Initialize();
    Application->CreateForm(Form1);
    QuitOnPaint quit;
    QtWidget(Form1)->installEventFilter(&quit);
    Application->Run();
    return 0;
}

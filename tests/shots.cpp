// Writes a PNG of the panel in each of its states and of the demo's two windows after a
// frame, rendered offscreen, for a reviewer to look at: lichtpult-shots [folder]

#include "demo/Demo.h"
#include "panel/Unit1.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/Panel.h"
#include "toolkit/Application.h"
#include "toolkit/qt/Controls_qt.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>

#include <cstdio>

namespace {

bool save(QWidget* widget, const QDir& folder, const char* name) {
    const QString path = folder.filePath(name);
    const bool saved = widget->grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QDir folder(argc > 1 ? argv[1] : "shots");
    if (!folder.mkpath(".")) return 1;

    bool ok = true;
    CreatePanel();
    ok &= save(QtWidget(Form1), folder, "1-disconnected.png");

    BoxRecorder recorder;
    sim::Controller controller;
    ConnectPanel(controller.Path());
    ok &= save(QtWidget(Form1), folder, "2-connected.png");

    Form1->Standlicht->Click();
    Form1->Warnblinklicht->Click();
    Form1->Abblendlicht->Click();
    Form1->Fernlicht->Click();
    ok &= save(QtWidget(Form1), folder, "3-dipped-and-main-beam.png");

    Form1->comportbut->Click();
    ok &= save(QtWidget(Form1), folder, "4-disconnected-again.png");

    // The message a failed connect shows, as the user sees it.
    ConnectPanel("/dev/lichtpult-missing");
    QMessageBox message(QMessageBox::Information, QCoreApplication::applicationName(),
                        QString::fromStdString(recorder.shown.back().box.text), QMessageBox::Ok);
    message.show();
    QApplication::processEvents();
    ok &= save(&message, folder, "5-open-failure.png");

    delete Form1;
    Form1 = nullptr;

    // The demo after a frame with dipped beam and hazard lights, its boxes confirmed.
    {
        const auto demo = StartDemo();
        Form1->comportbut->Click();
        Form1->Warnblinklicht->Click();
        Form1->Abblendlicht->Click();
        // The controller's window hears of the frame through the event loop.
        for (int i = 0; i < 200 && demo->window->FrameCount() == 0; ++i)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        ok &= demo->window->FrameCount() == 1;
        ok &= save(QtWidget(Form1), folder, "6-demo-panel.png");
        ok &= save(demo->window.get(), folder, "7-demo-controller.png");
        delete Form1;
        Form1 = nullptr;
    }
    return ok ? 0 : 1;
}

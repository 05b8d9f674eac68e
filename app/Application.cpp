#include "app/Application.h"

#include "app/Cp1252.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QStyleFactory>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include <errno.h>

namespace {

// Exceptions must not unwind through the toolkit's event loop: each event is guarded and
// whatever escapes a handler is shown, and the loop goes on.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const Exception& exception) {
            Application->ShowException(exception);
        } catch (const std::exception& exception) {
            Application->ShowException(Exception(exception.what()));
        } catch (...) {
            Application->ShowException(Exception(""));
        }
        return false;
    }
};

// Closing the main window ends the run, whatever other windows are open.
class MainWindowWatch : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) QCoreApplication::quit();
        return QObject::eventFilter(watched, event);
    }
};

[[noreturn]] void noDisplay(const char* why) {
    std::fprintf(stderr,
                 "%s: %s; start it inside a desktop session, or try it headless with: "
                 "xvfb-run %s\n",
                 program_invocation_short_name, why, program_invocation_short_name);
    std::exit(1);
}

QtMessageHandler previousHandler = nullptr;

// What the toolkit says while it starts is held back: if it cannot reach a display, one line
// of ours replaces it all; otherwise it is passed on as it was.
struct HeldMessage {
    QtMsgType type;
    QString message;
};
std::vector<HeldMessage>* heldMessages = nullptr;

void displayFailureHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) noDisplay("no display to show the window on could be reached");
    heldMessages->push_back({type, message});
}

void passOnHeldMessages() {
    for (const HeldMessage& held : *heldMessages) {
        const QMessageLogContext context;
        if (previousHandler != nullptr)
            previousHandler(held.type, context, held.message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(held.message));
    }
}

int argumentCount = 1;
char programName[] = "lichtpult";
char* arguments[] = {programName, nullptr};

} // namespace

TApplication::TApplication() = default;

void TApplication::RequireDisplay() {
    const bool chosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
                        !qEnvironmentVariableIsEmpty("DISPLAY") ||
                        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!chosen) noDisplay("no display to show the window on (DISPLAY and WAYLAND_DISPLAY are unset)");
}

void TApplication::Shutdown() {
    while (!forms_.empty()) {
        QWidget* form = forms_.back();
        forms_.pop_back();
        delete form;
    }
    owned_.reset();
}

void TApplication::Initialize() {
    if (QApplication::instance() == nullptr) {
        RequireDisplay();
        // The command line is not the program's input: the toolkit sees only the program name.
        // The toolkit's own complaint about a display it cannot reach ends in an abort that
        // sends the user the wrong way ("reinstalling may fix this"): say what is missing.
        std::vector<HeldMessage> held;
        heldMessages = &held;
        previousHandler = qInstallMessageHandler(displayFailureHandler);
        owned_ = std::make_unique<GuardedApplication>(argumentCount, arguments);
        qInstallMessageHandler(previousHandler);
        passOnHeldMessages();
        heldMessages = nullptr;
        QCoreApplication::setApplicationName(programName);
    }
    // The layout's coordinates assume a group box's caption on its frame line.
    QApplication::setStyle(QStyleFactory::create("Windows"));
    QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "Arial", "Tahoma"});
    QApplication::setFont(QFont(QStringList{"Liberation Sans", "Arial", "Helvetica", "DejaVu Sans"}, QApplication::font().pointSize()));
}

void TApplication::adopt(QWidget* form) {
    forms_.push_back(form);
    QObject::connect(form, &QObject::destroyed, [this, form] { std::erase(forms_, form); });
}

void TApplication::Run() {
    if (forms_.empty()) return;
    MainWindowWatch watch;
    forms_.front()->installEventFilter(&watch);
    forms_.front()->show();
    QApplication::exec();
    forms_.front()->removeEventFilter(&watch);
}

void TApplication::ShowException(const Exception& exception) {
    MessageBoxA(nullptr, exception.what(), Title().c_str(), MB_ICONERROR);
}

Text TApplication::Title() const {
    return QCoreApplication::instance() != nullptr
               ? QStringToCp1252(QCoreApplication::applicationName())
               : Text(programName);
}

TApplication* Application = new TApplication;

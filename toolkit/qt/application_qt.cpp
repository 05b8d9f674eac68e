// The application object on Qt.

#include "toolkit/Application.h"

#include "toolkit/Controls.h"
#include "toolkit/qt/Controls_qt.h"
#include "toolkit/qt/Cp1252.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QStyleFactory>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Exceptions must not unwind through the toolkit's event loop: each event is guarded and
// whatever escapes a handler is shown, and the loop goes on.
class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            Application->ShowHandledException();
        }
        return false;
    }
};

// One line on stderr, why and how to go on, and the program ends with status 1.
[[noreturn]] void cannotShow(const std::string& line) {
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, line.c_str());
    std::exit(1);
}

[[noreturn]] void noDisplay(const char* why) {
    const std::string name = program_invocation_short_name;
    cannotShow(std::string(why) + ". Start it inside a desktop session, or headless with: xvfb-run " + name);
}

[[noreturn]] void noWaylandPlatform() {
    const std::string name = program_invocation_short_name;
    cannotShow("This is a Wayland session, and Qt's Wayland platform is not installed. "
               "Install it (Debian: apt install qt6-wayland), or start " + name + " on an X display.");
}

void requireDisplay() {
    const bool chosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
                        !qEnvironmentVariableIsEmpty("DISPLAY") ||
                        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!chosen) noDisplay("There is no display to show the window on (DISPLAY and WAYLAND_DISPLAY are unset)");
}

// Where no locale is set at all (a fresh system, a service), the C locale's ASCII is in force
// and the toolkit would warn at every start that it switches to C.UTF-8 instead. Nobody chose
// ASCII, so the switch is made here, quietly; the messages' language stays as it was. A locale
// someone did choose is left to the toolkit.
void preferUtf8WhenNoLocaleIsSet() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (!qEnvironmentVariableIsEmpty(name)) return;
    qputenv("LC_CTYPE", "C.UTF-8");
}

// Outside a login session (root in a console, a container) there is no runtime folder, and
// the toolkit would warn about it at every start. It gets the one it would pick itself,
// made private, unless that name is taken by someone else.
void provideRuntimeFolder() {
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    const std::string folder = "/tmp/runtime-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    struct stat info {};
    if (lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
        (info.st_mode & 0777) == 0700)
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder));
}

QtMessageHandler previousHandler = nullptr;

// What the toolkit says while it starts is held back: if it cannot reach a display, one line
// of ours replaces it all; otherwise it is passed on as it was.
struct HeldMessage {
    QtMsgType type;
    QString message;
};
std::vector<HeldMessage>* heldMessages = nullptr;

// A Wayland session without an X display, and no Wayland platform for the toolkit: the one
// thing missing is a package, so that is what the user hears.
bool waylandPlatformMissing() {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || !qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    for (const HeldMessage& held : *heldMessages)
        if (held.message.contains(QLatin1String("Could not find the Qt platform plugin \"wayland\"")))
            return true;
    return false;
}

void displayFailureHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        if (waylandPlatformMissing()) noWaylandPlatform();
        noDisplay("The display to show the window on could not be reached");
    }
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

// Ours when Initialize made it; a test's own QApplication is left alone. A plain pointer, so
// nothing is left for a static destructor.
QApplication* owned = nullptr;

} // namespace

void TApplication::Initialize() {
    if (QApplication::instance() == nullptr) {
        requireDisplay();
        provideRuntimeFolder();
        preferUtf8WhenNoLocaleIsSet();
        // The command line is not the program's input: the toolkit sees only the program name.
        // The toolkit's own complaint about a display it cannot reach ends in an abort that
        // sends the user the wrong way ("reinstalling may fix this"): say what is missing.
        std::vector<HeldMessage> held;
        heldMessages = &held;
        previousHandler = qInstallMessageHandler(displayFailureHandler);
        owned = new GuardedApplication(argumentCount, arguments);
        qInstallMessageHandler(previousHandler);
        passOnHeldMessages();
        heldMessages = nullptr;
        QCoreApplication::setApplicationName(programName);
    }
    // The layout's coordinates assume a group box's caption on its frame line.
    QApplication::setStyle(QStyleFactory::create("Windows"));
    QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "Arial", "Tahoma"});
    QApplication::setFont(QFont(SansSerifFaces(), QApplication::font().pointSize()));
}

void TApplication::endToolkit() {
    // On Wayland, Qt 6.4 can hang for good in its display's destructor, waiting for its own
    // event thread. With every form gone (the port closed) nothing is left for it to do, so
    // there the application object is left to the end of the process, still reachable.
    if (owned != nullptr && QGuiApplication::platformName() == QLatin1String("wayland")) return;
    delete owned;
    owned = nullptr;
}

QStringList SansSerifFaces() { return {"Liberation Sans", "Arial", "Helvetica", "DejaVu Sans"}; }

bool CloseEndsRun::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close) QCoreApplication::quit();
    return QObject::eventFilter(watched, event);
}

void TApplication::Run() {
    TForm* main = MainForm();
    if (main == nullptr) return;
    QWidget* window = QtWidget(main);
    CloseEndsRun watch;
    window->installEventFilter(&watch);
    window->show();
    QApplication::exec();
    // The window may be gone by now if a handler deleted the form.
    if (MainForm() == main) window->removeEventFilter(&watch);
}

Text TApplication::Title() const {
    return QCoreApplication::instance() != nullptr
               ? QStringToCp1252(QCoreApplication::applicationName())
               : Text(programName);
}

#include "app/Application.h"

#include "app/Cp1252.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QStyleFactory>
#include <QWidget>

#include <exception>

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

int argumentCount = 1;
char programName[] = "lichtpult";
char* arguments[] = {programName, nullptr};

} // namespace

TApplication::TApplication() = default;

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
        // The command line is not the program's input: the toolkit sees only the program name.
        owned_ = std::make_unique<GuardedApplication>(argumentCount, arguments);
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

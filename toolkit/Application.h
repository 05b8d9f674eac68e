#pragma once
// The application object: start-up, the forms it owns, the event loop and the display of
// exceptions that nobody else caught. Each system's toolkit file (application_qt.cpp,
// application_win32.cpp) provides the start, the loop and the end.

#include "toolkit/Toolkit.h"

#include <new>
#include <vector>

class TForm;

class TApplication {
public:
    TApplication() = default;
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Ready to create windows: the toolkit, its style and the fonts the layout was drawn with.
    // Without a display to show them on, says so in one line and ends the program with 1.
    void Initialize();

    // Creates a form owned by the application and stores it in `reference` before the form's
    // constructor runs, so the constructor may already reach the form through it. The first
    // form created is the main window.
    template <class Form>
    void CreateForm(Form*& reference);

    // Shows the main window and runs the event loop until the main window has been closed.
    void Run();

    // Shows the exception's message to the user.
    void ShowException(const Exception& exception);

    // Called inside a catch block: shows the exception being handled, an Exception with its
    // message, any other with its what() or, failing that, an empty message.
    void ShowHandledException();

    Text Title() const;

    // The first form still there, or nullptr.
    TForm* MainForm() const { return forms_.empty() ? nullptr : forms_.front(); }

    // A form's destructor lets go of it here.
    void Forget(TForm* form);

    // Releases the forms, newest first, then the toolkit. A program calls it before main
    // returns (ApplicationLifetime does), never from a static destructor: the serial layer
    // and the toolkit must still be there while a form lets go of its port.
    void Shutdown();

private:
    void adopt(TForm* form);
    // The toolkit's own end, after the forms.
    void endToolkit();

    std::vector<TForm*> forms_;
};

// The one application object. It is never destroyed by itself; its forms and the toolkit end
// with Shutdown.
extern TApplication* Application;

// Shuts the application object down when main's scope ends, however it ends.
class ApplicationLifetime {
public:
    ApplicationLifetime() = default;
    ~ApplicationLifetime() { Application->Shutdown(); }
    ApplicationLifetime(const ApplicationLifetime&) = delete;
    ApplicationLifetime& operator=(const ApplicationLifetime&) = delete;
};

template <class Form>
void TApplication::CreateForm(Form*& reference) {
    void* storage = ::operator new(sizeof(Form));
    reference = static_cast<Form*>(storage);
    try {
        ::new (storage) Form();
    } catch (...) {
        reference = nullptr;
        ::operator delete(storage);
        throw;
    }
    adopt(reference);
}

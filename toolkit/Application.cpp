#include "toolkit/Application.h"

#include "toolkit/Controls.h"

#include <algorithm>
#include <exception>

using namespace toolkit; // MB_ICONERROR where <windows.h> does not define it

void TApplication::adopt(TForm* form) { forms_.push_back(form); }

void TApplication::Forget(TForm* form) { std::erase(forms_, form); }

void TApplication::Shutdown() {
    while (!forms_.empty()) delete forms_.back(); // each form forgets itself
    endToolkit();
}

void TApplication::ShowHandledException() {
    try {
        throw;
    } catch (const Exception& exception) {
        ShowException(exception);
    } catch (const std::exception& exception) {
        ShowException(Exception(exception.what()));
    } catch (...) {
        ShowException(Exception(""));
    }
}

void TApplication::ShowException(const Exception& exception) {
    toolkit::MessageBoxA(nullptr, exception.what(), Title().c_str(), MB_ICONERROR);
}

TApplication* Application = new TApplication;

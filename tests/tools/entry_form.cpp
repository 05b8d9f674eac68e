// Stands in for the panel's window when the program entry itself is under test: its
// construction throws what LICHTPULT_ENTRY_THROWS names ("exception": an Exception with a
// message; "other": something that is no Exception; anything else: nothing, and the window
// closes itself at once). Every box goes to stdout as one line instead of opening.

#include "panel/Unit1.h"
#include "toolkit/qt/Controls_qt.h"

#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>

TForm1* Form1 = nullptr;

TForm1::TForm1(TControl* owner) : TForm(owner) {
    SetModalBoxPresenter([](const ModalBox& box) {
        std::printf("%s%s: %s\n", box.icon == ModalBox::Icon::Error ? "!" : "",
                    box.caption.c_str(), box.text.c_str());
    });
    const char* what = std::getenv("LICHTPULT_ENTRY_THROWS");
    if (what != nullptr && std::strcmp(what, "exception") == 0) throw Exception("kaputt");
    if (what != nullptr && std::strcmp(what, "other") == 0) throw 42;
    QWidget* window = QtWidget(this);
    QTimer::singleShot(0, window, [window] { window->close(); });
}

TForm1::~TForm1() { std::printf("released\n"); }

void TForm1::comportbutClick() {}
void TForm1::StandlichtClick() {}
void TForm1::AbblendlichtClick() {}

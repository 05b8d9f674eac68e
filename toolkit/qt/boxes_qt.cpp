#include "toolkit/Application.h"
#include "toolkit/Toolkit_p.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

void PresentRealBox(const ModalBox& box) {
    if (QApplication::instance() == nullptr) {
        // Too early or too late for a window: the user still gets to read it.
        std::fprintf(stderr, "%s: %s\n", box.caption.c_str(), box.text.c_str());
        return;
    }
    // An information box is text and OK alone, as the system's box without an icon style.
    QMessageBox message(box.icon == ModalBox::Icon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                        QString::fromStdString(box.caption), QString::fromStdString(box.text),
                        QMessageBox::Ok);
    message.setTextFormat(Qt::PlainText);
    message.setWindowModality(Qt::ApplicationModal);
    message.exec();
}

Text ApplicationTitle() { return Application->Title(); }

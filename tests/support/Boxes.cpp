#include "tests/support/Boxes.h"

#include "panel/LinkBinding.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace {

QString line(bool error, const QString& title, const QString& text) {
    return error ? "!" + title + ": " + text : text;
}

QStringList Repeated(const QStringList& lines, int times) {
    QStringList all;
    for (int i = 0; i < times; ++i) all << lines;
    return all;
}

} // namespace

QString Describe(const ModalBox& box) {
    return line(box.icon == ModalBox::Icon::Error, QString::fromStdString(box.caption),
                QString::fromStdString(box.text));
}

QString IoFailure(const QString& call) { return line(true, call, "Input/output error"); }

QStringList FailedWait() { return Repeated({IoFailure("ReadFile")}, kPassesOfAWait) << "FALSE"; }

QStringList TenFailedSends(char byte) { return Repeated({QString(QChar(byte)), "FALSE"}, kSendsOfAByte); }

BoxRecorder::BoxRecorder() {
    BindLinkToToolkit();
    previous_ = SetModalBoxPresenter([this](const ModalBox& box) {
        shown.push_back({box, std::chrono::steady_clock::now()});
        lines << Describe(box);
        if (onBox) onBox(box);
    });
}

BoxRecorder::~BoxRecorder() { SetModalBoxPresenter(std::move(previous_)); }

ModalConfirmer::ModalConfirmer() {
    BindLinkToToolkit();
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] { confirmActive(); });
    timer_.start();
}

ModalConfirmer::~ModalConfirmer() { timer_.stop(); }

void ModalConfirmer::confirmActive() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || box == last_) return;
    last_ = box;
    // An information box is text and OK alone: one that shows any icon is marked.
    const bool error = box->icon() == QMessageBox::Critical;
    const QString mark = !error && box->icon() != QMessageBox::NoIcon ? "(icon) " : "";
    lines << mark + line(error, box->windowTitle(), box->text());
    if (beforeConfirm) beforeConfirm();
    box->button(QMessageBox::Ok)->click();
}

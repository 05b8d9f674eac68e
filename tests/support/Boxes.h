#pragma once
// Watching the program's modal boxes in tests: either recorded in place of real boxes, or
// real message boxes confirmed as soon as they open. Each box is written as one line: an
// information box as its text, an error box as "!<title>: <text>"; a real information box
// that shows an icon gets "(icon) " in front. Either binds the link's messages to the
// toolkit's boxes, as the programs do at start, so the link's boxes are among them.

#include "tests/support/Expected.h"
#include "toolkit/Toolkit.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

class QMessageBox;

QString Describe(const ModalBox& box);

// The box lines a frame shows again and again, in the form above.
// A call that failed because the line is gone: "!<call>: Input/output error".
QString IoFailure(const QString& call);
// A wait on a line that is gone: a failed read in each of its eleven passes, then "FALSE".
QStringList FailedWait();
// A byte the controller never acknowledges: ten sends, each its echo and then "FALSE".
QStringList TenFailedSends(char byte);

class BoxRecorder {
public:
    BoxRecorder();
    ~BoxRecorder();

    struct Shown {
        ModalBox box;
        std::chrono::steady_clock::time_point at;
    };
    std::vector<Shown> shown;
    QStringList lines;
    // Runs as each box is shown, before it counts as confirmed.
    std::function<void(const ModalBox&)> onBox;

private:
    ModalBoxPresenter previous_;
};

class ModalConfirmer {
public:
    ModalConfirmer();
    ~ModalConfirmer();
    QStringList lines;
    // Runs while the box is still open, before it is confirmed; it may process events.
    std::function<void()> beforeConfirm;

private:
    void confirmActive();
    QTimer timer_;
    QPointer<QMessageBox> last_;
};

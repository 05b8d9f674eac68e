#pragma once
// The Qt widget behind a control, for the Qt-only parts of the program (the demo) and for
// tests on Linux. Nothing the panel itself includes.

#include "toolkit/Controls.h"

#include <QObject>
#include <QStringList>

class QAbstractButton;
class QWidget;

QWidget* QtWidget(const TControl* control);

// One radio button of a radio group.
QAbstractButton* QtRadioItem(const TRadioGroup* group, int index);

// The control a widget stands for, or nullptr.
TControl* ControlOf(const QWidget* widget);

// The sans-serif faces the program's windows are drawn in, best first. Named, since with only
// fonts-liberation installed fontconfig answers "sans-serif" with Liberation Mono.
QStringList SansSerifFaces();

// Installed on a window: closing it ends the run, whatever other windows are open.
class CloseEndsRun : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

#pragma once
// The Qt widget behind a control, for the Qt-only parts of the program (the demo) and for
// tests on Linux. Nothing the panel itself includes.

#include "app/Controls.h"

class QAbstractButton;
class QWidget;

QWidget* QtWidget(const TControl* control);

// One radio button of a radio group.
QAbstractButton* QtRadioItem(const TRadioGroup* group, int index);

// The control a widget stands for, or nullptr.
TControl* ControlOf(const QWidget* widget);

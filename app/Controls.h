#pragma once
// The toolkit's window and controls as the panel uses them: a caption in Windows-1252 text,
// an own enabled flag, a checked flag, a selected item index and a click event. Setting a
// flag from code never runs a click handler; only the user's click does.

#include "app/Toolkit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <initializer_list>

class QButtonGroup;

template <class Widget>
class TControl : public Widget {
public:
    explicit TControl(QWidget* parent) : Widget(parent) {}

    Text Caption() const;
    void SetCaption(const Text& caption);

    // The control's own flag, not whether its parents let it take input.
    bool Enabled() const { return !this->testAttribute(Qt::WA_ForceDisabled); }
    void SetEnabled(bool enabled) { this->setEnabled(enabled); }
};

// The form class windows derive from.
class TForm : public TControl<QWidget> {
public:
    explicit TForm(QWidget* owner = nullptr) : TControl<QWidget>(owner) {}
};

class TButton : public TControl<QPushButton> {
public:
    explicit TButton(QWidget* parent);
    std::function<void()> OnClick;
};

class TCheckBox : public TControl<QCheckBox> {
public:
    explicit TCheckBox(QWidget* parent);
    bool Checked() const { return isChecked(); }
    void SetChecked(bool checked) { setChecked(checked); }
    std::function<void()> OnClick;
};

class TGroupBox : public TControl<QGroupBox> {
public:
    explicit TGroupBox(QWidget* parent) : TControl<QGroupBox>(parent) {}
};

// A group box of radio buttons laid out in one column; ItemIndex is -1 when none is selected.
class TRadioGroup : public TControl<QGroupBox> {
public:
    explicit TRadioGroup(QWidget* parent);
    void SetItems(std::initializer_list<const char*> items);
    int ItemCount() const;
    QAbstractButton* Item(int index) const;
    int ItemIndex() const;
    void SetItemIndex(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrangeItems();
    QButtonGroup* items_;
};

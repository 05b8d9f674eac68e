#pragma once
// The window and controls as the panel uses them, free of any toolkit type: a caption in
// Windows-1252 text, a place, an own enabled flag, a checked flag, a selected item index and
// a click event. Setting a flag from code never runs a click handler; only a click does, the
// user's or Click()'s. Each system has one toolkit file behind this header (controls_qt.cpp,
// controls_win32.cpp); a control owns its children and the toolkit's window behind it.

#include "toolkit/Toolkit.h"

#include <functional>
#include <vector>

// The system's colour for the face of buttons and dialogs.
enum class TColor { BtnFace };
constexpr TColor clBtnFace = TColor::BtnFace;

// A face and a height as the system's font calls take them: negative is the character
// height in pixels.
struct TFont {
    Text name;
    int height;
};

class TControl {
public:
    enum class Kind { Form, Button, CheckBox, GroupBox, RadioGroup };

    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    const Text& Name() const { return name_; }
    void SetName(const Text& name);
    TControl* Parent() const { return parent_; }
    // Direct children, in the order they were created.
    const std::vector<TControl*>& Controls() const { return children_; }

    Text Caption() const;
    void SetCaption(const Text& caption);

    // The control's own flag, not whether its parents let it take input.
    bool Enabled() const;
    void SetEnabled(bool enabled);

    // Within the parent; a form's on the screen, frame included where the system draws one.
    void SetBounds(int left, int top, int width, int height);

    // As the user's click with the mouse: nothing happens on a disabled control.
    void Click();

    // Runs on the user's click (or Space) on a button or check box, after its tick changed.
    std::function<void()> OnClick;

    // The toolkit's window behind the control, defined by each toolkit file.
    struct Native;
    Native& native() const { return *native_; }

protected:
    TControl(TControl* parent, Kind kind);

private:
    TControl* parent_;
    std::vector<TControl*> children_;
    Text name_;
    Native* native_;
};

// The form class windows derive from. The first form the application creates is the main
// window; the form and its controls share one font.
class TForm : public TControl {
public:
    explicit TForm(TControl* owner = nullptr);
    ~TForm() override;
    void SetFont(const TFont& font);
    void SetColor(TColor color);
};

class TButton : public TControl {
public:
    explicit TButton(TControl* parent) : TControl(parent, Kind::Button) {}
};

class TCheckBox : public TControl {
public:
    explicit TCheckBox(TControl* parent) : TControl(parent, Kind::CheckBox) {}
    bool Checked() const;
    void SetChecked(bool checked);
};

class TGroupBox : public TControl {
public:
    explicit TGroupBox(TControl* parent) : TControl(parent, Kind::GroupBox) {}

protected:
    TGroupBox(TControl* parent, Kind kind) : TControl(parent, kind) {}
};

// A group box of radio buttons laid out in one column; ItemIndex is -1 when none is selected.
class TRadioGroup : public TGroupBox {
public:
    explicit TRadioGroup(TControl* parent) : TGroupBox(parent, Kind::RadioGroup) {}
    void SetItems(const std::vector<Text>& items);
    int ItemCount() const;
    int ItemIndex() const;
    void SetItemIndex(int index);
    // The tooltip of each item, asked for each time one is about to be shown.
    void SetItemHints(std::function<Text(int index)> hintOf);
    // The tooltip of one item as it would be shown now; empty without hints.
    Text ItemHint(int index) const;

private:
    void itemHintsChanged();
    std::function<Text(int)> hintOf_;
};

// Tab visits the controls in this order; a group box is listed before its children, and a
// radio group stands for its items.
void SetTabOrder(const std::vector<TControl*>& order);

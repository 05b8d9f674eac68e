// The controls on Qt Widgets.

#include "toolkit/Controls.h"
#include "toolkit/Controls_p.h"
#include "toolkit/qt/Controls_qt.h"
#include "toolkit/qt/Cp1252.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QToolTip>
#include <QVariant>

#include <cstdlib>

namespace {

constexpr char kControlProperty[] = "lichtpult_control";

class RadioGroupWidget : public QGroupBox {
public:
    explicit RadioGroupWidget(QWidget* parent) : QGroupBox(parent), items(new QButtonGroup(this)) {}

    void arrange() {
        const auto rects = RadioItemRects(static_cast<int>(items->buttons().size()), width(), height(),
                                          fontMetrics().height());
        for (std::size_t i = 0; i < rects.size(); ++i)
            items->button(static_cast<int>(i))->setGeometry(rects[i].left, rects[i].top, rects[i].width,
                                                            rects[i].height);
    }

    QButtonGroup* items;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QGroupBox::resizeEvent(event);
        arrange();
    }

    // An item's tooltip is asked for each time it is about to be shown, so it can say what
    // is true now.
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* item = qobject_cast<QAbstractButton*>(watched);
        const int index = item != nullptr ? items->id(item) : -1;
        if (event->type() != QEvent::ToolTip || index < 0) return QGroupBox::eventFilter(watched, event);
        const auto* group = static_cast<const TRadioGroup*>(ControlOf(this));
        const Text hint = group != nullptr ? group->ItemHint(index) : Text();
        if (hint.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), Cp1252ToQString(hint), item);
        return true;
    }
};

// Return presses the focused button, as Space does and as in every dialog; a button outside a
// dialog otherwise takes Return only when it is a default button, which would also change
// how it is drawn.
class PushButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            click();
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};

template <class Button>
Button* clickable(TControl& control, QWidget* parent) {
    auto* button = new Button(parent);
    QObject::connect(button, &QAbstractButton::clicked, button, [&control] {
        if (control.OnClick) control.OnClick();
    });
    return button;
}

} // namespace

struct TControl::Native {
    TControl::Kind kind;
    QWidget* widget;
};

TControl::Native* NewNative(TControl& control, TControl::Kind kind) {
    QWidget* parent = control.Parent() != nullptr ? control.Parent()->native().widget : nullptr;
    QWidget* widget = nullptr;
    switch (kind) {
    case TControl::Kind::Form:
        widget = new QWidget(parent);
        // The layout is fixed: the window can be moved, minimised and closed, not resized.
        if (parent == nullptr)
            widget->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                   Qt::WindowCloseButtonHint);
        break;
    case TControl::Kind::Button: widget = clickable<PushButton>(control, parent); break;
    case TControl::Kind::CheckBox: widget = clickable<QCheckBox>(control, parent); break;
    case TControl::Kind::GroupBox: widget = new QGroupBox(parent); break;
    case TControl::Kind::RadioGroup: widget = new RadioGroupWidget(parent); break;
    }
    widget->setProperty(kControlProperty, QVariant::fromValue(static_cast<void*>(&control)));
    return new TControl::Native{kind, widget};
}

void DeleteNative(TControl::Native* native) {
    delete native->widget;
    delete native;
}

void NameNative(TControl::Native& native, const Text& name) {
    native.widget->setObjectName(QString::fromLatin1(name));
}

QWidget* QtWidget(const TControl* control) { return control->native().widget; }

QAbstractButton* QtRadioItem(const TRadioGroup* group, int index) {
    return static_cast<RadioGroupWidget*>(group->native().widget)->items->button(index);
}

TControl* ControlOf(const QWidget* widget) {
    return static_cast<TControl*>(widget->property(kControlProperty).value<void*>());
}

Text TControl::Caption() const {
    const QWidget* widget = native_->widget;
    switch (native_->kind) {
    case Kind::Button:
    case Kind::CheckBox: return QStringToCp1252(static_cast<const QAbstractButton*>(widget)->text());
    case Kind::GroupBox:
    case Kind::RadioGroup: return QStringToCp1252(static_cast<const QGroupBox*>(widget)->title());
    case Kind::Form: break;
    }
    return QStringToCp1252(widget->windowTitle());
}

void TControl::SetCaption(const Text& caption) {
    QWidget* widget = native_->widget;
    switch (native_->kind) {
    case Kind::Button:
    case Kind::CheckBox: static_cast<QAbstractButton*>(widget)->setText(Cp1252ToQString(caption)); return;
    case Kind::GroupBox:
    case Kind::RadioGroup: static_cast<QGroupBox*>(widget)->setTitle(Cp1252ToQString(caption)); return;
    case Kind::Form: break;
    }
    widget->setWindowTitle(Cp1252ToQString(caption));
}

bool TControl::Enabled() const { return !native_->widget->testAttribute(Qt::WA_ForceDisabled); }

void TControl::SetEnabled(bool enabled) { native_->widget->setEnabled(enabled); }

void TControl::SetBounds(int left, int top, int width, int height) {
    QWidget* widget = native_->widget;
    if (widget->isWindow()) {
        // Where a window manager draws a frame, the place is the frame's.
        widget->move(left, top);
        widget->setFixedSize(width, height);
    } else {
        widget->setGeometry(left, top, width, height);
    }
}

void TControl::Click() {
    if (auto* button = qobject_cast<QAbstractButton*>(native_->widget)) button->click();
}

void TForm::SetFont(const TFont& font) {
    QFont qfont(QString::fromLatin1(font.name));
    qfont.setPixelSize(std::abs(font.height));
    native().widget->setFont(qfont);
}

void TForm::SetColor(TColor) {
    native().widget->setBackgroundRole(QPalette::Button);
    native().widget->setAutoFillBackground(true);
}

bool TCheckBox::Checked() const { return static_cast<QCheckBox*>(native().widget)->isChecked(); }

void TCheckBox::SetChecked(bool checked) { static_cast<QCheckBox*>(native().widget)->setChecked(checked); }

namespace {

RadioGroupWidget& radioGroup(const TRadioGroup& group) {
    return *static_cast<RadioGroupWidget*>(group.native().widget);
}

} // namespace

void TRadioGroup::SetItems(const std::vector<Text>& items) {
    RadioGroupWidget& widget = radioGroup(*this);
    for (QAbstractButton* old : widget.items->buttons()) delete old;
    int id = 0;
    for (const Text& caption : items) {
        auto* button = new QRadioButton(Cp1252ToQString(caption), &widget);
        button->setObjectName(QString::fromLatin1(caption.c_str()));
        widget.items->addButton(button, id++);
    }
    widget.arrange();
}

int TRadioGroup::ItemCount() const { return static_cast<int>(radioGroup(*this).items->buttons().size()); }

int TRadioGroup::ItemIndex() const { return radioGroup(*this).items->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
    QButtonGroup* items = radioGroup(*this).items;
    if (QAbstractButton* item = items->button(index)) {
        item->setChecked(true);
        return;
    }
    // An exclusive group refuses to clear its last checked button.
    items->setExclusive(false);
    for (QAbstractButton* item : items->buttons()) item->setChecked(false);
    items->setExclusive(true);
}

void TRadioGroup::itemHintsChanged() {
    RadioGroupWidget& widget = radioGroup(*this);
    for (QAbstractButton* item : widget.items->buttons()) {
        item->removeEventFilter(&widget);
        item->installEventFilter(&widget);
    }
}

void ChainNative(const std::vector<TControl*>& order) {
    QWidget* previous = nullptr;
    const auto link = [&previous](QWidget* next) {
        if (previous != nullptr) QWidget::setTabOrder(previous, next);
        previous = next;
    };
    for (TControl* control : order) {
        switch (control->native().kind) {
        case TControl::Kind::RadioGroup:
            for (QAbstractButton* item : radioGroup(*static_cast<TRadioGroup*>(control)).items->buttons())
                link(item);
            break;
        case TControl::Kind::Button:
        case TControl::Kind::CheckBox: link(control->native().widget); break;
        case TControl::Kind::Form:
        case TControl::Kind::GroupBox: break; // never focused themselves
        }
    }
}

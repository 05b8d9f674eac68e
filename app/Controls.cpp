#include "app/Controls.h"

#include "app/Cp1252.h"

#include <QButtonGroup>
#include <QRadioButton>

#include <type_traits>

template <class Widget>
Text TControl<Widget>::Caption() const {
    if constexpr (std::is_base_of_v<QAbstractButton, Widget>)
        return QStringToCp1252(this->text());
    else if constexpr (std::is_base_of_v<QGroupBox, Widget>)
        return QStringToCp1252(this->title());
    else
        return QStringToCp1252(this->windowTitle());
}

template <class Widget>
void TControl<Widget>::SetCaption(const Text& caption) {
    if constexpr (std::is_base_of_v<QAbstractButton, Widget>)
        this->setText(Cp1252ToQString(caption));
    else if constexpr (std::is_base_of_v<QGroupBox, Widget>)
        this->setTitle(Cp1252ToQString(caption));
    else
        this->setWindowTitle(Cp1252ToQString(caption));
}

template class TControl<QWidget>;
template class TControl<QPushButton>;
template class TControl<QCheckBox>;
template class TControl<QGroupBox>;

TButton::TButton(QWidget* parent) : TControl<QPushButton>(parent) {
    QObject::connect(this, &QAbstractButton::clicked, this, [this] {
        if (OnClick) OnClick();
    });
}

TCheckBox::TCheckBox(QWidget* parent) : TControl<QCheckBox>(parent) {
    QObject::connect(this, &QAbstractButton::clicked, this, [this] {
        if (OnClick) OnClick();
    });
}

TRadioGroup::TRadioGroup(QWidget* parent)
    : TControl<QGroupBox>(parent), items_(new QButtonGroup(this)) {}

void TRadioGroup::SetItems(std::initializer_list<const char*> items) {
    for (QAbstractButton* old : items_->buttons()) delete old;
    int id = 0;
    for (const char* caption : items) {
        auto* button = new QRadioButton(Cp1252ToQString(caption), this);
        button->setObjectName(QString::fromLatin1(caption));
        items_->addButton(button, id++);
    }
    arrangeItems();
}

int TRadioGroup::ItemCount() const { return static_cast<int>(items_->buttons().size()); }

QAbstractButton* TRadioGroup::Item(int index) const { return items_->button(index); }

int TRadioGroup::ItemIndex() const { return items_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* item = items_->button(index)) {
        item->setChecked(true);
        return;
    }
    // An exclusive group refuses to clear its last checked button.
    items_->setExclusive(false);
    for (QAbstractButton* item : items_->buttons()) item->setChecked(false);
    items_->setExclusive(true);
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
    TControl<QGroupBox>::resizeEvent(event);
    arrangeItems();
}

// One column of equal rows under the caption, as the classic radio group lays out its items.
void TRadioGroup::arrangeItems() {
    const int count = ItemCount();
    if (count == 0) return;
    const int textHeight = fontMetrics().height();
    const int usable = height() - textHeight - 5;
    const int rowHeight = usable / count;
    const int topMargin = textHeight + 1 + (usable % count) / 2;
    for (int i = 0; i < count; ++i)
        items_->button(i)->setGeometry(8, topMargin + i * rowHeight, width() - 10, rowHeight);
}

#include "widgets/RadioGroup.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kestrune {

RadioGroup::RadioGroup(const QString &caption, const QStringList &items, QWidget *parent)
    : QGroupBox(caption, parent), items_(items), buttons_(new QButtonGroup(this)) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 2, 0, 2);
    layout->setSpacing(2);
    for (int i = 0; i < items_.size(); ++i) {
        auto *button = new QRadioButton(items_[i], this);
        // The group is narrow: keep the text close to its indicator.
        button->setStyleSheet(QStringLiteral("QRadioButton { spacing: 3px; }"));
        buttons_->addButton(button, i);
        layout->addWidget(button);
    }
}

int RadioGroup::itemIndex() const { return buttons_->checkedId(); }

void RadioGroup::setItemIndex(int index) {
    if (QAbstractButton *b = buttons_->button(index)) {
        b->setChecked(true);
    } else if (QAbstractButton *checked = buttons_->checkedButton()) {
        buttons_->setExclusive(false);
        checked->setChecked(false);
        buttons_->setExclusive(true);
    }
}

QString RadioGroup::itemText() const {
    const int i = itemIndex();
    return i >= 0 && i < items_.size() ? items_[i] : QString();
}

} // namespace kestrune

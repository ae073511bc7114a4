#pragma once
// A captioned group of radio buttons with an item index, as the main
// window's option groups need: the items' texts and which one is chosen.

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

namespace kestrune {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString &caption, const QStringList &items, QWidget *parent = nullptr);

    // The chosen item, or -1 when none is.
    int itemIndex() const;
    void setItemIndex(int index);
    const QStringList &items() const { return items_; }
    // The chosen item's text; empty when none is chosen.
    QString itemText() const;

private:
    QStringList items_;
    QButtonGroup *buttons_;
};

} // namespace kestrune

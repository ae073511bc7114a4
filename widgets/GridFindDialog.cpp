#include "widgets/GridFindDialog.h"

#include "widgets/DataGrid.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrune {

GridFindDialog::GridFindDialog(DataGrid *grid) : QDialog(grid), grid_(grid) {
    setWindowTitle(QStringLiteral("查找"));
    setFont(grid->font());
    auto *label = new QLabel(QStringLiteral("查找内容："), this);
    findText = new QLineEdit(this);
    auto *next = new QPushButton(QStringLiteral("查找下一个"), this);
    auto *close = new QPushButton(QStringLiteral("关闭"), this);
    status = new QLabel(this);
    next->setDefault(true);

    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(findText, 1);
    row->addWidget(next);
    row->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(status);

    connect(next, &QPushButton::clicked, this, &GridFindDialog::findNext);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    resize(360, sizeHint().height());
}

void GridFindDialog::findNext() {
    const QString text = findText->text();
    if (text.isEmpty())
        return;
    status->setText(grid_->findNext(text) ? QString() : QStringLiteral("找不到“%1”。").arg(text));
}

} // namespace kestrune

#include "app/udlgBase.h"

#include <QPushButton>

namespace kestrune {

TdlgBase::TdlgBase(QWidget *parent) : TfmBase(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setClientSize(384, 291);
    btnOk = new QPushButton(QStringLiteral("确定"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setGeometry(225, 255, 68, 25);
    btnExit = new QPushButton(QStringLiteral("关闭"), this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setGeometry(305, 255, 68, 25);
    connect(btnExit, &QPushButton::clicked, this, [this] { setModalResult(mrCancel); });
    setTabOrder(btnOk, btnExit);
}

void TdlgBase::setClientSize(int width, int height) {
    const QSize delta = QSize(width, height) - size();
    for (QPushButton *b : {btnOk, btnExit})
        if (b)
            b->move(b->pos() + QPoint(delta.width(), delta.height()));
    TfmBase::setClientSize(width, height);
}

} // namespace kestrune

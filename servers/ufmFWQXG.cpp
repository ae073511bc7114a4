#include "servers/ufmFWQXG.h"

#include "app/KestruneApplication.h"
#include "app/MessageBoxes.h"
#include "app/uPubData.h"
#include "db/DataSource.h"
#include "db/Query.h"
#include "widgets/DbEdit.h"
#include "widgets/DbMemo.h"

#include <QLabel>
#include <QPushButton>

#include <memory>

namespace kestrune {

namespace {

constexpr int RequiredTag = 1;

QLabel *makeLabel(QWidget *parent, const QString &caption, int left, int top) {
    auto *label = new QLabel(caption, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

DbEdit *makeEdit(QWidget *parent, db::DataSource *source, const QString &fieldName, int top) {
    auto *edit = new DbEdit(parent);
    edit->setGeometry(16, top, 161, 20);
    edit->bind(source, fieldName);
    // A text the field refuses goes to the default error handler, as any
    // error of an event handler does.
    edit->onError = [](std::exception_ptr error) {
        KestruneApplication::guard([&] { std::rethrow_exception(error); });
    };
    return edit;
}

QPushButton *makeButton(QWidget *parent, const QString &caption, int left, int top) {
    auto *button = new QPushButton(caption, parent);
    button->setGeometry(left, top, 75, 25);
    return button;
}

enum class EditorMode { Add, Edit };

void ShowServerEditor(db::Query &query, EditorMode mode) {
    auto fm = std::make_unique<TfmFWQXG>();
    fm->setWindowTitle(mode == EditorMode::Add ? QStringLiteral("添加服务器") : QStringLiteral("修改服务器"));
    fm->dsMain->setDataSet(&query);
    if (mode == EditorMode::Add) {
        fm->FOldIP = QString();
        fm->FOldPort = 0;
        query.append();
    } else {
        fm->FOldIP = query.fieldByName(QStringLiteral("IP")).asString();
        fm->FOldPort = query.fieldByName(QStringLiteral("PORT")).asInteger();
        query.edit();
    }
    // Only a save closes with the OK result, after its post; every other way
    // out drops the pending change.
    if (fm->exec() != mrOk)
        query.cancel();
}

} // namespace

TfmFWQXG::TfmFWQXG(QWidget *parent) : TfmBase(parent), dsMain(new db::DataSource(this)) {
    buildLayout();
    connect(btnSave, &QPushButton::clicked, this, [this] { KestruneApplication::guard([this] { btnSaveClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { setModalResult(mrCancel); });
}

void TfmFWQXG::buildLayout() {
    // A dialog border: fixed size, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setClientSize(352, 453);
    setFixedSize(352, 453);
    setSizeGripEnabled(false);

    Label1 = makeLabel(this, QStringLiteral("IP地址："), 16, 16);
    DBEdit1 = makeEdit(this, dsMain, QStringLiteral("IP"), 32);
    Label2 = makeLabel(this, QStringLiteral("端口号："), 16, 64);
    DBEdit2 = makeEdit(this, dsMain, QStringLiteral("PORT"), 80);
    Label3 = makeLabel(this, QStringLiteral("用户名："), 16, 112);
    DBEdit3 = makeEdit(this, dsMain, QStringLiteral("YHM"), 128);
    Label4 = makeLabel(this, QStringLiteral("密码："), 16, 160);
    DBEdit4 = makeEdit(this, dsMain, QStringLiteral("MM"), 176);
    DBEdit4->setEchoMode(QLineEdit::Normal); // the password shows as typed
    Label5 = makeLabel(this, QStringLiteral("备注："), 16, 208);
    DBMemo1 = new DbMemo(this);
    DBMemo1->setGeometry(16, 224, 321, 217);
    DBMemo1->bind(dsMain, QStringLiteral("BZ"));
    btnSave = makeButton(this, QStringLiteral("保存"), 264, 16);
    btnCancel = makeButton(this, QStringLiteral("返回"), 264, 48);

    setTabOrder(DBEdit1, DBEdit2);
    setTabOrder(DBEdit2, DBEdit3);
    setTabOrder(DBEdit3, DBEdit4);
    setTabOrder(DBEdit4, DBMemo1);
    setTabOrder(DBMemo1, btnSave);
    setTabOrder(btnSave, btnCancel);
    DBEdit1->setFocus();
}

void TfmFWQXG::setVisible(bool visible) {
    TfmBase::setVisible(visible);
    // The dialog makes its first button the default when it is shown; this
    // one has none, Enter moves on from edit to edit.
    if (visible) {
        btnSave->setDefault(false);
        btnCancel->setDefault(false);
    }
}

QString duplicateServerSql(const QString &ip, int port) {
    QString quoted = ip;
    quoted.replace(u'\'', QStringLiteral("''"));
    return QStringLiteral("select count(*) from FWQ where IP='") + quoted + QStringLiteral("' and PORT=") +
           QString::number(port);
}

void TfmFWQXG::btnSaveClick() {
    db::Query *q = dsMain->dataSet();
    if (!q)
        return;
    // The edit that was just left refused its text and is saying so.
    for (const DbEdit *edit : {DBEdit1, DBEdit2, DBEdit3, DBEdit4})
        if (edit->textRefused())
            return;
    // What is still typed in a control goes into its field before the checks.
    for (DbEdit *edit : {DBEdit1, DBEdit2, DBEdit3, DBEdit4})
        edit->updateRecord();
    DBMemo1->updateRecord();

    for (int i = 0; i < q->fieldCount(); ++i) {
        const db::Field &field = q->field(i);
        if (field.tag() == RequiredTag && field.isNull()) {
            ShowMsg(QStringLiteral("请输入") + field.displayLabel() + QStringLiteral("!"), QStringLiteral("提示"));
            return;
        }
    }

    const QString ip = q->fieldByName(QStringLiteral("IP")).asString();
    const int port = q->fieldByName(QStringLiteral("PORT")).asInteger();
    if (ip != FOldIP || port != FOldPort) {
        db::Query &count = PubData->OpenSQL(duplicateServerSql(ip, port));
        if (count.field(0).asInteger() > 0) {
            ShowMsg(QStringLiteral("输入的IP和端口已经存在！"), QStringLiteral("提示"));
            return;
        }
    }

    q->post();
    setModalResult(mrOk);
}

void AddServer(db::Query &query) { ShowServerEditor(query, EditorMode::Add); }

void EditServer(db::Query &query) { ShowServerEditor(query, EditorMode::Edit); }

} // namespace kestrune

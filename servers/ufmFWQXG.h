#pragma once
// TfmFWQXG, the server editor: the one place where a server row is added or
// changed. It works on the list query's own row, pending while the dialog is
// open, through edits bound to its data source: "保存" checks the row and
// posts it, every other way out drops the change.

#include "app/ufmBase.h"

#include <QString>

class QLabel;
class QPushButton;

namespace kestrune::db {
class DataSource;
class Query;
}

namespace kestrune {

class DbEdit;
class DbMemo;

class TfmFWQXG : public TfmBase {
    Q_OBJECT
public:
    explicit TfmFWQXG(QWidget *parent = nullptr);

    QLabel *Label1;
    DbEdit *DBEdit1; // IP
    QLabel *Label2;
    DbEdit *DBEdit2; // PORT
    QLabel *Label3;
    DbEdit *DBEdit3; // YHM
    QLabel *Label4;
    DbEdit *DBEdit4; // MM
    QLabel *Label5;
    DbMemo *DBMemo1; // BZ
    QPushButton *btnSave;
    QPushButton *btnCancel;
    db::DataSource *dsMain;

    // The row's key as it stood when the dialog opened: a save that keeps it
    // does not ask whether the key is already stored.
    QString FOldIP;
    int FOldPort = 0;

    // Checks the required fields and the key, then posts the row and closes
    // with the OK result. A refusal leaves the dialog open and the row pending.
    void btnSaveClick();

    void setVisible(bool visible) override;

private:
    void buildLayout();
};

// "select count(*) from FWQ where IP='<ip, single quotes doubled>' and PORT=<port>"
QString duplicateServerSql(const QString &ip, int port);

// Opens the editor on a new row of `query` (the list query), titled "添加服务器".
void AddServer(db::Query &query);
// Opens the editor on the current row of `query`, titled "修改服务器".
void EditServer(db::Query &query);

} // namespace kestrune

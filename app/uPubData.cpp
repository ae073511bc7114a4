#include "app/uPubData.h"

#include "app/KestruneApplication.h"
#include "db/Schema.h"
#include "platform/Exception.h"

namespace kestrune {

TPubData *PubData = nullptr;

TPubData::TPubData(QObject *owner) : QObject(owner) {
    qZDXM.setSql(QStringLiteral("SELECT LXID,XMID,XMMC FROM ZDXM\r\nORDER BY LXID,XMID"));
    try {
        DataModuleCreate();
    } catch (const Exception &e) {
        KestruneApplication::showException(e.message());
    }
}

TPubData::~TPubData() {
    if (PubData == this)
        PubData = nullptr;
}

void TPubData::DataModuleCreate() {
    ConnectDatabase();
    qZDXM.open();
}

void TPubData::ConnectDatabase() {
    Conn.close();
    try {
        // The relative name: the file is looked for in the current directory.
        Conn.open(db::DatabaseFileName, db::DatabaseKey);
    } catch (const Exception &e) {
        ShowMsg(QStringLiteral("连接数据库出错\r\n") + e.message(), QStringLiteral("提示"));
        throw StartupAborted(ExitDatabaseFailed);
    }
}

db::Query &TPubData::OpenSQL(const QString &sql) {
    Q.close();
    Q.setSql(sql);
    Q.open();
    return Q;
}

} // namespace kestrune

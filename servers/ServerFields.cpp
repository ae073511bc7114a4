#include "servers/ServerFields.h"

namespace kestrune {

void declareServerListFields(db::Query &query) {
    using db::FieldKind;
    query.addField({QStringLiteral("IP"), FieldKind::Text, 1, QStringLiteral("IP地址")});
    query.addField({QStringLiteral("PORT"), FieldKind::Integer, 1, QStringLiteral("端口号")});
    query.addField({QStringLiteral("YHM"), FieldKind::Text, 1, QStringLiteral("用户名")});
    query.addField({QStringLiteral("MM"), FieldKind::Text, 1, QStringLiteral("密码")});
    query.addField({QStringLiteral("BZ"), FieldKind::Memo, 0, QStringLiteral("备注")});
}

void fillNewServerDefaults(db::Query &query) {
    query.fieldByName(QStringLiteral("IP")).setAsString(QStringLiteral("127.0.0.1"));
    query.fieldByName(QStringLiteral("PORT")).setAsInteger(3389);
    query.fieldByName(QStringLiteral("YHM")).setAsString(QStringLiteral("Administrator"));
}

} // namespace kestrune

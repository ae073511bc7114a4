#include "launch/RdpPassword.h"

#include "platform/UserSeal.h"

#include <QtEndian>

#include <algorithm>

namespace kestrune::launch {
namespace {

const QString kDescription = QStringLiteral("psw");

QByteArray utf16LittleEndian(const QString &text) {
    QByteArray bytes(text.size() * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

void wipe(QByteArray &bytes) {
    bytes.fill('\0');
    bytes.clear();
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

} // namespace

QString upperHex(const QByteArray &bytes) {
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += QLatin1Char(digits[value >> 4]);
        text += QLatin1Char(digits[value & 0x0F]);
    }
    return text;
}

QString EncryptRdpPassword(const QString &password) {
    QByteArray units = utf16LittleEndian(password);
    const auto blob = platform::sealForUser(units, kDescription);
    wipe(units);
    return blob ? upperHex(*blob) : QString();
}

std::optional<QString> openRdpPassword(const QString &hex, QString *error) {
    const auto fail = [error](const QString &text) -> std::optional<QString> {
        if (error)
            *error = text;
        return std::nullopt;
    };
    if (hex.size() % 2 != 0 || !std::all_of(hex.begin(), hex.end(), isHexDigit))
        return fail(QStringLiteral("连接文件中的密码不是十六进制数字。"));

    QString description;
    auto units = platform::openForUser(QByteArray::fromHex(hex.toLatin1()), &description, error);
    if (!units)
        return std::nullopt;
    if (description != kDescription || units->size() % 2 != 0) {
        wipe(*units);
        return fail(QStringLiteral("连接文件中的受保护数据不是密码。"));
    }
    QString password;
    password.reserve(units->size() / 2);
    for (qsizetype i = 0; i < units->size(); i += 2)
        password += QChar(qFromLittleEndian<quint16>(units->constData() + i));
    wipe(*units);
    return password;
}

} // namespace kestrune::launch

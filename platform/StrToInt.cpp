#include "platform/StrToInt.h"

#include "platform/Exception.h"

#include <cstdint>

namespace kestrune::platform {

namespace {

int digitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    int value = -1;
    if (u >= u'0' && u <= u'9')
        value = u - u'0';
    else if (u >= u'A' && u <= u'F')
        value = u - u'A' + 10;
    else if (u >= u'a' && u <= u'f')
        value = u - u'a' + 10;
    return value < base ? value : -1;
}

std::optional<int> parseInteger(const QString &text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    int base = 10;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == n)
        return std::nullopt;

    // Decimal stays within the signed range; hexadecimal may use all 32 bits.
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const int digit = digitValue(text[i], base);
        if (digit < 0)
            return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > limit)
            return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(negative ? (0 - value) : value);
    return static_cast<int>(static_cast<std::int32_t>(bits));
}

} // namespace

std::optional<int> parseInt32(const QString &text) { return parseInteger(text); }

QString invalidIntegerMessage(const QString &text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

int StrToInt(const QString &text) {
    if (const auto value = parseInteger(text))
        return *value;
    throw Exception(invalidIntegerMessage(text));
}

} // namespace kestrune::platform

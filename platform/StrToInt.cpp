#include "platform/StrToInt.h"

#include "platform/Exception.h"

#include <limits>

namespace kestrune::platform {

std::optional<int> parseInt32(const QString &text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    return static_cast<int>(value);
}

QString invalidIntegerMessage(const QString &text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

int StrToInt(const QString &text) {
    if (const auto value = parseInt32(text))
        return *value;
    throw Exception(invalidIntegerMessage(text));
}

} // namespace kestrune::platform

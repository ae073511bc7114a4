#include "platform/GbkCodec.h"

#include <cerrno>
#include <iconv.h>

namespace kestrune::platform {
namespace {

// One converter per thread and direction: iconv_t carries shift state and is
// not safe to share, and opening one per call is needlessly slow.
class Converter {
public:
    Converter(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid())
            iconv_close(cd_);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`; false when a character cannot be converted.
    bool convert(const QByteArray &in, QByteArray &out) {
        if (!valid())
            return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.resize(in.size() * 2 + 4);
        char *src = const_cast<char *>(in.constData());
        size_t srcLeft = static_cast<size_t>(in.size());
        char *dst = out.data();
        size_t dstLeft = static_cast<size_t>(out.size());
        while (srcLeft > 0) {
            if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1)) {
                if (errno == E2BIG) {
                    const auto used = dst - out.data();
                    out.resize(out.size() * 2);
                    dst = out.data() + used;
                    dstLeft = static_cast<size_t>(out.size() - used);
                    continue;
                }
                return false;
            }
        }
        out.resize(out.size() - static_cast<qsizetype>(dstLeft));
        return true;
    }

private:
    iconv_t cd_;
};

Converter &encoder() {
    thread_local Converter c("CP936", "UTF-8");
    return c;
}

Converter &decoder() {
    thread_local Converter c("UTF-8", "CP936");
    return c;
}

// Bytes one character (given as UTF-16 units) takes in GBK.
int charLength(const QString &ch) {
    const QByteArray utf8 = ch.toUtf8();
    if (utf8.size() == 1)
        return 1;
    QByteArray out;
    if (!encoder().convert(utf8, out))
        return 1;
    return static_cast<int>(out.size());
}

} // namespace

std::optional<QByteArray> toGbk(const QString &text) {
    QByteArray out;
    if (!encoder().convert(text.toUtf8(), out))
        return std::nullopt;
    return out;
}

QString fromGbk(const QByteArray &bytes) {
    QByteArray out;
    if (decoder().convert(bytes, out))
        return QString::fromUtf8(out);
    // Decode what can be decoded, one lead byte at a time.
    QString result;
    for (qsizetype i = 0; i < bytes.size();) {
        const int width = (static_cast<unsigned char>(bytes[i]) >= 0x81 && i + 1 < bytes.size()) ? 2 : 1;
        if (decoder().convert(bytes.mid(i, width), out))
            result += QString::fromUtf8(out);
        else
            result += QChar(0xFFFD);
        i += width;
    }
    return result;
}

bool isGbkEncodable(const QString &text) { return toGbk(text).has_value(); }

int gbkLength(const QString &text) {
    // GBK never takes more bytes than UTF-8 for a character it holds, and
    // pure ASCII is the common case: count it without converting.
    const QByteArray utf8 = text.toUtf8();
    bool ascii = true;
    for (char c : utf8)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return static_cast<int>(utf8.size());
    int total = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        total += charLength(text.mid(i, units));
        i += units;
    }
    return total;
}

QString truncateToGbkBytes(const QString &text, int maxBytes) {
    if (maxBytes <= 0)
        return QString();
    if (text.toUtf8().size() <= maxBytes)
        return text;
    int used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype units = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const int width = charLength(text.mid(i, units));
        if (used + width > maxBytes)
            break;
        used += width;
        i += units;
    }
    return text.left(i);
}

} // namespace kestrune::platform

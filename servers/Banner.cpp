#include "servers/Banner.h"

#include "platform/GbkCodec.h"

namespace kestrune {

QString decodeBannerAddress(const QByteArray &base64) {
    return platform::fromGbk(QByteArray::fromBase64(base64));
}

} // namespace kestrune

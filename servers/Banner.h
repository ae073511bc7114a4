#pragma once
// The banner page across the top of the main window. Its address is kept as
// Base64 text and decoded as text of the ANSI code page when the window is
// shown; it names a page Kestrune ships, so the strip shows something real
// without a network.

#include <QByteArray>
#include <QString>

namespace kestrune {

// "qrc:/banner/banner.html"
inline constexpr char BannerAddressBase64[] = "cXJjOi9iYW5uZXIvYmFubmVyLmh0bWw=";

// Standard-alphabet Base64 to the address it spells (GBK bytes to text).
QString decodeBannerAddress(const QByteArray &base64);

} // namespace kestrune

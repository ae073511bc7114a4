#pragma once
// Data protected for the current user, the way Windows' CryptProtectData
// binds a blob to the account that made it. On Linux the blob is sealed with
// a secret key that only this user can read; the key lives in the user's
// configuration folder and is made on first use. Windows builds call the
// system service itself.
//
// A blob carries the description it was sealed with; opening gives it back.
// Failures are plain results (nothing thrown), with a message for whoever
// has to tell the user.

#include <QByteArray>
#include <QString>
#include <optional>

namespace kestrune::platform {

// Seals `data` for the current user, binding `description` into the blob.
std::optional<QByteArray> sealForUser(const QByteArray &data, const QString &description,
                                      QString *error = nullptr);

// Opens a blob made by sealForUser for the same user (the same key); a blob
// for another key, or one changed in any byte, fails.
std::optional<QByteArray> openForUser(const QByteArray &blob, QString *description = nullptr,
                                      QString *error = nullptr);

#ifndef _WIN32
// The key file: $XDG_CONFIG_HOME/kestrune/seal.key, or ~/.config/... when
// that is unset. A non-empty `path` puts it elsewhere (tests and tools that
// work on a key of their own); an empty one restores the default.
void setSealKeyPath(const QString &path);
QString sealKeyPath();
#endif

} // namespace kestrune::platform

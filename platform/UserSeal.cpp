#include "platform/UserSeal.h"

#ifdef _WIN32

#include <windows.h>
#include <wincrypt.h>

#include <string>

namespace kestrune::platform {

std::optional<QByteArray> sealForUser(const QByteArray &data, const QString &description,
                                      QString *error) {
    DATA_BLOB in{static_cast<DWORD>(data.size()),
                 reinterpret_cast<BYTE *>(const_cast<char *>(data.constData()))};
    DATA_BLOB out{0, nullptr};
    const std::wstring name = description.toStdWString();
    if (!CryptProtectData(&in, name.c_str(), nullptr, nullptr, nullptr,
                          CRYPTPROTECT_UI_FORBIDDEN, &out)) {
        if (error)
            *error = QStringLiteral("系统无法保护数据（错误 %1）。").arg(GetLastError());
        return std::nullopt;
    }
    QByteArray blob(reinterpret_cast<const char *>(out.pbData), static_cast<int>(out.cbData));
    LocalFree(out.pbData);
    return blob;
}

std::optional<QByteArray> openForUser(const QByteArray &blob, QString *description,
                                      QString *error) {
    DATA_BLOB in{static_cast<DWORD>(blob.size()),
                 reinterpret_cast<BYTE *>(const_cast<char *>(blob.constData()))};
    DATA_BLOB out{0, nullptr};
    LPWSTR name = nullptr;
    if (!CryptUnprotectData(&in, &name, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out)) {
        if (error)
            *error = QStringLiteral("系统无法解开受保护的数据（错误 %1）。").arg(GetLastError());
        return std::nullopt;
    }
    if (description)
        *description = name ? QString::fromWCharArray(name) : QString();
    QByteArray data(reinterpret_cast<const char *>(out.pbData), static_cast<int>(out.cbData));
    LocalFree(name);
    LocalFree(out.pbData);
    return data;
}

} // namespace kestrune::platform

#else

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <sodium.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune::platform {
namespace {

// Blob layout: magic, nonce, then the secret box of
// (description length as 4 bytes little-endian, description in UTF-8, data).
constexpr char kMagic[] = {'K', 'S', 'L', '1'};
constexpr qsizetype kMagicSize = sizeof kMagic;
constexpr qsizetype kNonceSize = crypto_secretbox_NONCEBYTES;
constexpr qsizetype kHeadSize = kMagicSize + kNonceSize;
constexpr qsizetype kLengthSize = 4;

std::mutex keyPathMutex;
QString keyPathOverride;

// The key in memory, wiped when it goes.
class Key {
public:
    Key() = default;
    ~Key() { sodium_memzero(bytes_.data(), bytes_.size()); }
    Key(const Key &) = delete;
    Key &operator=(const Key &) = delete;
    unsigned char *data() { return bytes_.data(); }
    static constexpr size_t size() { return crypto_secretbox_KEYBYTES; }

private:
    std::array<unsigned char, crypto_secretbox_KEYBYTES> bytes_{};
};

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

void setError(QString *error, const QString &text) {
    if (error)
        *error = text;
}

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

QString homeFolder() {
    const QByteArray home = qgetenv("HOME");
    if (!home.isEmpty())
        return QFile::decodeName(home);
    const passwd *entry = ::getpwuid(::geteuid());
    return entry && entry->pw_dir ? QFile::decodeName(entry->pw_dir) : QString();
}

QString defaultKeyPath() {
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    // The XDG rules ignore a relative value.
    const QString base = xdg.startsWith('/') ? QFile::decodeName(xdg)
                                             : homeFolder() + QStringLiteral("/.config");
    return base + QStringLiteral("/kestrune/seal.key");
}

// Moves all `size` bytes with `op` (read or write), through interruptions.
template <typename Buffer, typename Op>
bool transferAll(int fd, Buffer *buffer, size_t size, Op op) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = op(fd, buffer + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool readAll(int fd, unsigned char *buffer, size_t size) { return transferAll(fd, buffer, size, ::read); }

bool writeAll(int fd, const unsigned char *buffer, size_t size) { return transferAll(fd, buffer, size, ::write); }

enum class KeyFile { Read, Missing, Refused };

// Reads the key, refusing a file anyone but its owner may touch.
KeyFile readKeyFile(const QString &path, Key &key, QString *error) {
    const QByteArray native = QFile::encodeName(path);
    Fd fd(::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return KeyFile::Missing;
        setError(error, QStringLiteral("无法打开密钥文件 %1：%2。").arg(path, systemError(errno)));
        return KeyFile::Refused;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        setError(error, QStringLiteral("密钥文件 %1 不是普通文件，已拒绝使用。").arg(path));
        return KeyFile::Refused;
    }
    if (info.st_uid != ::geteuid()) {
        setError(error, QStringLiteral("密钥文件 %1 不属于当前用户，已拒绝使用。").arg(path));
        return KeyFile::Refused;
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        setError(error, QStringLiteral("密钥文件 %1 的权限为 %2，其他用户也能访问，已拒绝使用；"
                                       "请将权限改为 0600。")
                            .arg(path)
                            .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0')));
        return KeyFile::Refused;
    }
    if (info.st_size != static_cast<off_t>(Key::size()) ||
        !readAll(fd.get(), key.data(), Key::size())) {
        setError(error, QStringLiteral("密钥文件 %1 已损坏。").arg(path));
        return KeyFile::Refused;
    }
    return KeyFile::Read;
}

// Makes a fresh key file. It is written under a temporary name and linked
// into place, so a second process racing us either finds a whole key or
// makes its own and then takes ours.
KeyFile createKeyFile(const QString &path, Key &key, QString *error) {
    const QString folder = QFileInfo(path).absolutePath();
    const QByteArray nativeFolder = QFile::encodeName(folder);
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(QFileInfo(folder).absolutePath());
        if (::mkdir(nativeFolder.constData(), 0700) != 0 && errno != EEXIST) {
            setError(error, QStringLiteral("无法创建文件夹 %1：%2。").arg(folder, systemError(errno)));
            return KeyFile::Refused;
        }
    }
    QByteArray temp = QFile::encodeName(path) + ".XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (fd.get() < 0) {
        setError(error, QStringLiteral("无法创建密钥文件 %1：%2。").arg(path, systemError(errno)));
        return KeyFile::Refused;
    }
    randombytes_buf(key.data(), Key::size());
    const bool written = ::fchmod(fd.get(), 0600) == 0 && writeAll(fd.get(), key.data(), Key::size()) &&
                         ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0;
    const QByteArray native = QFile::encodeName(path);
    const bool linked = written && ::link(temp.constData(), native.constData()) == 0;
    const int linkError = errno;
    ::unlink(temp.constData());
    if (linked)
        return KeyFile::Read;
    if (written && linkError == EEXIST)
        return readKeyFile(path, key, error);
    setError(error, QStringLiteral("无法创建密钥文件 %1：%2。").arg(path, systemError(linkError)));
    return KeyFile::Refused;
}

bool loadKey(Key &key, bool createWhenMissing, QString *error) {
    if (sodium_init() < 0) {
        setError(error, QStringLiteral("加密库无法初始化。"));
        return false;
    }
    const QString path = sealKeyPath();
    switch (readKeyFile(path, key, error)) {
    case KeyFile::Read:
        return true;
    case KeyFile::Refused:
        return false;
    case KeyFile::Missing:
        break;
    }
    if (!createWhenMissing) {
        setError(error, QStringLiteral("找不到密钥文件 %1。").arg(path));
        return false;
    }
    return createKeyFile(path, key, error) == KeyFile::Read;
}

} // namespace

void setSealKeyPath(const QString &path) {
    std::lock_guard<std::mutex> lock(keyPathMutex);
    keyPathOverride = path;
}

QString sealKeyPath() {
    {
        std::lock_guard<std::mutex> lock(keyPathMutex);
        if (!keyPathOverride.isEmpty())
            return keyPathOverride;
    }
    return defaultKeyPath();
}

std::optional<QByteArray> sealForUser(const QByteArray &data, const QString &description,
                                      QString *error) {
    Key key;
    if (!loadKey(key, true, error))
        return std::nullopt;

    const QByteArray name = description.toUtf8();
    QByteArray plain(kLengthSize, '\0');
    qToLittleEndian<quint32>(static_cast<quint32>(name.size()), plain.data());
    plain += name;
    plain += data;

    QByteArray blob(kHeadSize + crypto_secretbox_MACBYTES + plain.size(), '\0');
    auto *out = reinterpret_cast<unsigned char *>(blob.data());
    std::memcpy(out, kMagic, kMagicSize);
    randombytes_buf(out + kMagicSize, kNonceSize);
    crypto_secretbox_easy(out + kHeadSize, reinterpret_cast<const unsigned char *>(plain.constData()),
                          static_cast<unsigned long long>(plain.size()), out + kMagicSize, key.data());
    sodium_memzero(plain.data(), static_cast<size_t>(plain.size()));
    return blob;
}

std::optional<QByteArray> openForUser(const QByteArray &blob, QString *description,
                                      QString *error) {
    if (blob.size() < kHeadSize + static_cast<qsizetype>(crypto_secretbox_MACBYTES) + kLengthSize ||
        std::memcmp(blob.constData(), kMagic, kMagicSize) != 0) {
        setError(error, QStringLiteral("受保护的数据格式不正确。"));
        return std::nullopt;
    }
    Key key;
    if (!loadKey(key, false, error))
        return std::nullopt;

    const auto *in = reinterpret_cast<const unsigned char *>(blob.constData());
    const qsizetype boxSize = blob.size() - kHeadSize;
    QByteArray plain(boxSize - static_cast<qsizetype>(crypto_secretbox_MACBYTES), '\0');
    if (crypto_secretbox_open_easy(reinterpret_cast<unsigned char *>(plain.data()), in + kHeadSize,
                                   static_cast<unsigned long long>(boxSize), in + kMagicSize,
                                   key.data()) != 0) {
        setError(error, QStringLiteral("受保护的数据无法用当前用户的密钥解开。"));
        return std::nullopt;
    }
    const quint32 nameSize = qFromLittleEndian<quint32>(plain.constData());
    if (nameSize > static_cast<quint32>(plain.size() - kLengthSize)) {
        setError(error, QStringLiteral("受保护的数据格式不正确。"));
        return std::nullopt;
    }
    const qsizetype dataStart = kLengthSize + static_cast<qsizetype>(nameSize);
    if (description)
        *description = QString::fromUtf8(plain.constData() + kLengthSize, static_cast<qsizetype>(nameSize));
    QByteArray data = plain.mid(dataStart);
    sodium_memzero(plain.data(), static_cast<size_t>(plain.size()));
    return data;
}

} // namespace kestrune::platform

#endif

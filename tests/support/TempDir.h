#pragma once
// A fresh folder for one test, removed afterwards; optionally made the
// process's current directory for the test's lifetime (Kestrune finds its
// database there).

#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace kestrune::test {

class TempDir {
public:
    TempDir();
    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

// Changes the current directory and restores it on destruction.
class ScopedCurrentDir {
public:
    explicit ScopedCurrentDir(const QString &path);
    ~ScopedCurrentDir();
    ScopedCurrentDir(const ScopedCurrentDir &) = delete;
    ScopedCurrentDir &operator=(const ScopedCurrentDir &) = delete;

private:
    QString previous_;
};

} // namespace kestrune::test

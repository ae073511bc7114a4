#include "tests/support/TempDir.h"

#include <stdexcept>

namespace kestrune::test {

TempDir::TempDir() {
    if (!dir_.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

ScopedCurrentDir::ScopedCurrentDir(const QString &path) : previous_(QDir::currentPath()) {
    if (!QDir::setCurrent(path))
        throw std::runtime_error("cannot enter " + path.toStdString());
}

ScopedCurrentDir::~ScopedCurrentDir() { QDir::setCurrent(previous_); }

} // namespace kestrune::test

#pragma once
// Points the per-user seal at a key file in a fresh folder for one test, so
// no test touches the real user's key.

#include "platform/UserSeal.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace kestrune::test {

class SealKeyTest : public testing::Test {
protected:
    void SetUp() override { platform::setSealKeyPath(keyPath()); }
    void TearDown() override { platform::setSealKeyPath(QString()); }

    QString keyPath() const { return keyDir_.file(QStringLiteral("kestrune/seal.key")); }

    TempDir keyDir_;
};

} // namespace kestrune::test

#pragma once
// The text of the error an action raises, for tests that check the words the
// user would be shown.

#include "platform/Exception.h"

#include <QString>
#include <optional>

namespace kestrune::test {

// The message of the kestrune::Exception `action` throws; nothing when it
// throws none.
template <typename Action>
std::optional<QString> errorMessageOf(Action &&action) {
    try {
        action();
    } catch (const Exception &e) {
        return e.message();
    }
    return std::nullopt;
}

} // namespace kestrune::test

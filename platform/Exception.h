#pragma once
// The one error type of Kestrune's own code and of its stand-ins for the
// platform. It carries the text the user is shown by the default error
// handler, in the words of whoever raised it (the database engine's own
// message, "Cannot create file ...", "'x' is not a valid integer value", ...).

#include <QString>
#include <stdexcept>

namespace kestrune {

class Exception : public std::runtime_error {
public:
    explicit Exception(const QString &message)
        : std::runtime_error(message.toStdString()), message_(message) {}

    const QString &message() const { return message_; }

private:
    QString message_;
};

} // namespace kestrune

#include "status/StatusTable.h"

namespace kestrune {

QString statusForReplies(int replies) {
    return (replies == 1 ? kStatusOnline : kStatusOffline).toString();
}

QString StatusTable::value(const QString &key) const {
    const QString k = folded(key);
    const std::lock_guard<std::mutex> lock(mutex_);
    return values_.value(k);
}

void StatusTable::setValue(const QString &key, const QString &value) {
    QString k = folded(key);
    const std::lock_guard<std::mutex> lock(mutex_);
    values_.insert(std::move(k), value);
}

int StatusTable::count() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(values_.size());
}

} // namespace kestrune

#pragma once
// The status table (the main window's StatusList): for every server key
// probed so far, the text its status cell shows. Keys compare without regard to letter case; an entry, once
// there, is replaced but never removed. The status monitor sets values while
// the grid looks them up, so every access takes the table's lock.

#include <QHash>
#include <QString>
#include <QStringView>
#include <mutex>

namespace kestrune {

// The two values a status cell can show.
inline constexpr QStringView kStatusOnline = u"在线";
inline constexpr QStringView kStatusOffline = u"离线";

// "在线" when the probe counted exactly one reply, "离线" for any other count.
QString statusForReplies(int replies);

class StatusTable {
public:
    // The value stored under `key`, or the empty text when there is none.
    QString value(const QString &key) const;

    // Replaces the value of `key`'s entry, or appends an entry.
    void setValue(const QString &key, const QString &value);

    // Number of entries.
    int count() const;

private:
    static QString folded(const QString &key) { return key.toCaseFolded(); }

    mutable std::mutex mutex_;
    QHash<QString, QString> values_; // by case-folded key
};

} // namespace kestrune

#pragma once
// The data module: the one database connection `Conn`, the general query `Q`
// with `OpenSQL`, and `qZDXM`. Created first at start-up; a database that
// cannot be opened ends the program right after its message.

#include "app/MessageBoxes.h"
#include "db/Connection.h"
#include "db/Query.h"

#include <QObject>

namespace kestrune {

// Raised when start-up must end at once; carries the exit status.
class StartupAborted {
public:
    explicit StartupAborted(int exitCode) : exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

// Exit status of a start-up ended by a database that could not be opened.
constexpr int ExitDatabaseFailed = 2;

class TPubData : public QObject {
    Q_OBJECT
public:
    // Runs DataModuleCreate. Throws StartupAborted when the database cannot
    // be opened; any other failure of the creation handler goes to the
    // default error handler and the data module lives on.
    explicit TPubData(QObject *owner = nullptr);
    ~TPubData() override;

    db::Connection Conn;
    db::Query Q{&Conn, QStringLiteral("Q")};
    db::Query qZDXM{&Conn, QStringLiteral("qZDXM")};

    void DataModuleCreate();
    void ConnectDatabase();
    // Closes Q, gives it `sql`, opens it and returns it, first row current.
    db::Query &OpenSQL(const QString &sql);
};

extern TPubData *PubData;

} // namespace kestrune

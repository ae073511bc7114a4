#pragma once
// Binds controls to a query: they learn here when the current row or its
// values change, when the query's state changes, and when to hand their
// pending text to the fields before a post.

#include <QObject>
#include <QPointer>

namespace kestrune::db {

class Query;

class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject *parent = nullptr) : QObject(parent) {}

    void setDataSet(Query *query);
    Query *dataSet() const { return query_; }

signals:
    void dataSetChanged();
    // The current row is another one, or its values changed, or the query
    // opened or closed: bound controls show the fields again.
    void recordChanged();
    void stateChanged();
    void aboutToPost();

private:
    QPointer<Query> query_;
};

} // namespace kestrune::db

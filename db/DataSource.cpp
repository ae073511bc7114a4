#include "db/DataSource.h"

#include "db/Query.h"

namespace kestrune::db {

void DataSource::setDataSet(Query *query) {
    if (query_ == query)
        return;
    if (query_)
        disconnect(query_, nullptr, this, nullptr);
    query_ = query;
    if (query_) {
        connect(query_, &Query::opened, this, &DataSource::recordChanged);
        connect(query_, &Query::closed, this, &DataSource::recordChanged);
        connect(query_, &Query::currentChanged, this, &DataSource::recordChanged);
        connect(query_, &Query::rowChanged, this, [this](int row) {
            if (query_ && row == query_->recNo())
                emit recordChanged();
        });
        connect(query_, &Query::stateChanged, this, &DataSource::stateChanged);
        connect(query_, &Query::aboutToPost, this, &DataSource::aboutToPost);
    }
    emit dataSetChanged();
    emit recordChanged();
}

} // namespace kestrune::db

#include "widgets/DataSetModel.h"

#include "db/DataSource.h"
#include "db/Query.h"

#include <QGuiApplication>
#include <QPalette>

namespace kestrune {

DataSetModel::DataSetModel(QObject *parent) : QAbstractTableModel(parent) {}

void DataSetModel::setDataSource(db::DataSource *source) {
    if (source_)
        disconnect(source_, nullptr, this, nullptr);
    source_ = source;
    if (source_)
        connect(source_, &db::DataSource::dataSetChanged, this, [this] { attach(source_->dataSet()); });
    attach(source_ ? source_->dataSet() : nullptr);
}

db::Query *DataSetModel::query() const { return query_; }

void DataSetModel::attach(db::Query *query) {
    beginResetModel();
    if (query_)
        disconnect(query_, nullptr, this, nullptr);
    query_ = query;
    resolveFields();
    endResetModel();
    if (!query_)
        return;
    auto reset = [this] {
        beginResetModel();
        resolveFields();
        endResetModel();
        emit currentRowChanged(query_->recNo());
    };
    connect(query_, &db::Query::opened, this, reset);
    connect(query_, &db::Query::closed, this, reset);
    connect(query_, &db::Query::rowAboutToBeInserted, this, [this](int row) { beginInsertRows({}, row, row); });
    connect(query_, &db::Query::rowInserted, this, [this] { endInsertRows(); });
    connect(query_, &db::Query::rowAboutToBeRemoved, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(query_, &db::Query::rowRemoved, this, [this] { endRemoveRows(); });
    connect(query_, &db::Query::rowChanged, this, [this](int row) {
        if (row >= 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    });
    connect(query_, &db::Query::currentChanged, this, &DataSetModel::currentRowChanged);
}

void DataSetModel::setColumns(std::vector<GridColumn> columns) {
    beginResetModel();
    columns_ = std::move(columns);
    resolveFields();
    endResetModel();
}

void DataSetModel::resolveFields() {
    fieldIndex_.assign(columns_.size(), -1);
    if (!query_)
        return;
    for (size_t c = 0; c < columns_.size(); ++c)
        if (!columns_[c].fieldName.isEmpty())
            if (db::Field *f = query_->findField(columns_[c].fieldName))
                fieldIndex_[c] = f->index();
}

int DataSetModel::rowCount(const QModelIndex &parent) const {
    if (parent.isValid() || !query_ || !query_->active())
        return 0;
    return query_->recordCount();
}

int DataSetModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString DataSetModel::cellText(int row, int column) const {
    if (!query_ || column < 0 || column >= columnCount())
        return {};
    const int field = fieldIndex_[static_cast<size_t>(column)];
    if (field < 0)
        return {};
    const QVariant v = query_->valueAt(row, field);
    return v.isNull() ? QString() : v.toString();
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        // One line per cell: a line break inside a value shows as a blank.
        return cellText(index.row(), index.column()).replace(u'\n', u' ').remove(u'\r');
    case Qt::BackgroundRole:
        // Odd record numbers (1, 3, 5, ...) in the tooltip background colour.
        if (index.row() % 2 == 0)
            return QGuiApplication::palette().color(QPalette::ToolTipBase);
        return {};
    default:
        return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section >= 0 && section < columnCount())
            return columns_[static_cast<size_t>(section)].title;
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        return {};
    }
    if (role == Qt::DisplayRole)
        return section + 1; // the record number
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex &index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace kestrune

#pragma once
// A table model over a query's rows: it reads the values where they lie and
// holds no item per row, so ten thousand servers cost no more widgets than
// ten. Columns name a field, or none (a column the grid paints itself).

#include <QAbstractTableModel>
#include <QPointer>
#include <vector>

namespace kestrune::db {
class DataSource;
class Query;
}

namespace kestrune {

struct GridColumn {
    QString fieldName; // empty: bound to no field
    QString title;
    int width = -1;    // -1: the grid's default
};

class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataSetModel(QObject *parent = nullptr);

    void setDataSource(db::DataSource *source);
    db::Query *query() const;
    void setColumns(std::vector<GridColumn> columns);
    const GridColumn &column(int index) const { return columns_.at(static_cast<size_t>(index)); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The text a cell shows; what the find dialog searches.
    QString cellText(int row, int column) const;

signals:
    // The query's current row moved (to select it in the view).
    void currentRowChanged(int row);

private:
    void attach(db::Query *query);
    void resolveFields();

    QPointer<db::DataSource> source_;
    QPointer<db::Query> query_;
    std::vector<GridColumn> columns_;
    std::vector<int> fieldIndex_; // per column; -1 when bound to none
};

} // namespace kestrune

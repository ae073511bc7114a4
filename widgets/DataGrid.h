#pragma once
// The read-only server grid: a title row, record numbers at the left, whole
// rows highlighted, columns the user may resize and move, Ctrl+F to find a
// value, and an owner-draw hook that runs after the grid has drawn a cell.

#include "widgets/DataSetModel.h"

#include <QStyleOptionViewItem>
#include <QTableView>
#include <functional>

namespace kestrune {

class GridFindDialog;

class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget *parent = nullptr);
    ~DataGrid() override;

    void setDataSource(db::DataSource *source);
    void setColumns(std::vector<GridColumn> columns);
    DataSetModel &dataModel() { return model_; }

    // Called for every data cell after the grid's own drawing, with the
    // query's fields reading the row being painted.
    using DrawColumnCell =
        std::function<void(QPainter &painter, const QRect &rect, const GridColumn &column, const QStyleOptionViewItem &option)>;
    DrawColumnCell onDrawColumnCell;

    // Moves to the next cell after the current one whose text holds `text`
    // (letter case ignored), wrapping to the top; false when none does.
    bool findNext(const QString &text);

    // Opens the find dialog (also on Ctrl+F).
    void showFindDialog();

    // Repaints the whole grid now.
    void repaintAll();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void selectRow(int row);

    DataSetModel model_;
    std::unique_ptr<GridFindDialog> findDialog_;
};

} // namespace kestrune

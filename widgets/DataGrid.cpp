#include "widgets/DataGrid.h"

#include "db/Query.h"
#include "widgets/GridFindDialog.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

namespace kestrune {

namespace {

constexpr int DefaultColumnWidth = 80;

// Draws a cell as the grid does, then hands it to the grid's owner-draw hook
// with the query reading the painted row.
class OwnerDrawDelegate : public QStyledItemDelegate {
public:
    explicit OwnerDrawDelegate(DataGrid *grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!grid_->onDrawColumnCell)
            return;
        db::Query *query = grid_->dataModel().query();
        if (!query)
            return;
        db::Query::ActiveRecordScope scope(*query, index.row());
        painter->save();
        painter->setFont(option.font);
        const bool selected = option.state & QStyle::State_Selected;
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        grid_->onDrawColumnCell(*painter, option.rect, grid_->dataModel().column(index.column()), option);
        painter->restore();
    }

private:
    DataGrid *grid_;
};

} // namespace

DataGrid::DataGrid(QWidget *parent) : QTableView(parent) {
    setModel(&model_);
    setItemDelegate(new OwnerDrawDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setWordWrap(false);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultSectionSize(DefaultColumnWidth);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setHighlightSections(false);

    connect(&model_, &DataSetModel::currentRowChanged, this, &DataGrid::selectRow);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
        // A pending row holds the query where it is; the grid follows it.
        db::Query *q = model_.query();
        if (q && q->state() == db::Query::State::Browse && current.isValid() && current.row() != q->recNo())
            q->moveTo(current.row());
    });
}

DataGrid::~DataGrid() = default;

void DataGrid::setDataSource(db::DataSource *source) { model_.setDataSource(source); }

void DataGrid::setColumns(std::vector<GridColumn> columns) {
    model_.setColumns(columns);
    for (size_t c = 0; c < columns.size(); ++c)
        setColumnWidth(static_cast<int>(c), columns[c].width > 0 ? columns[c].width : DefaultColumnWidth);
}

void DataGrid::selectRow(int row) {
    if (row < 0 || row >= model_.rowCount())
        return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == row)
        return;
    setCurrentIndex(model_.index(row, current.isValid() ? current.column() : 0));
}

bool DataGrid::findNext(const QString &text) {
    const int rows = model_.rowCount();
    const int columns = model_.columnCount();
    if (rows == 0 || columns == 0 || text.isEmpty())
        return false;
    const QModelIndex current = currentIndex();
    const int start = current.isValid() ? current.row() * columns + current.column() : -1;
    const int cells = rows * columns;
    for (int step = 1; step <= cells; ++step) {
        const int cell = (start + step) % cells;
        const int row = cell / columns;
        const int column = cell % columns;
        if (model_.cellText(row, column).contains(text, Qt::CaseInsensitive)) {
            setCurrentIndex(model_.index(row, column));
            scrollTo(currentIndex());
            return true;
        }
    }
    return false;
}

void DataGrid::showFindDialog() {
    if (!findDialog_)
        findDialog_ = std::make_unique<GridFindDialog>(this);
    findDialog_->show();
    findDialog_->raise();
    findDialog_->activateWindow();
    findDialog_->findText->setFocus();
    findDialog_->findText->selectAll();
}

void DataGrid::repaintAll() {
    viewport()->update();
    viewport()->repaint();
}

void DataGrid::keyPressEvent(QKeyEvent *event) {
    if (event->matches(QKeySequence::Find)) {
        showFindDialog();
        return;
    }
    QTableView::keyPressEvent(event);
}

} // namespace kestrune

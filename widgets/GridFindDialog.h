#pragma once
// The grid's find dialog: a text and "查找下一个", which moves the grid to
// the next cell holding it.

#include <QDialog>

class QLabel;
class QLineEdit;

namespace kestrune {

class DataGrid;

class GridFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit GridFindDialog(DataGrid *grid);

    QLineEdit *findText;
    QLabel *status;

    void findNext();

private:
    DataGrid *grid_;
};

} // namespace kestrune

#pragma once
// How a cell of the grid's status column ("状态") is painted, after the
// grid has drawn the cell itself (background, selection, pen and font).

#include <QString>

class QPainter;
class QRect;

namespace kestrune {

// An offline cell is filled pure red first, in the selected row as well;
// an online cell keeps the grid's background. The value is then drawn on
// one line, centred, with the painter's pen and font. An empty value (a
// server not probed yet) adds nothing.
void paintStatusCell(QPainter &painter, const QRect &cell, const QString &value);

} // namespace kestrune

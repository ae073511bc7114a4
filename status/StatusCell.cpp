#include "status/StatusCell.h"

#include "status/StatusTable.h"

#include <QColor>
#include <QPainter>
#include <QRect>

namespace kestrune {

void paintStatusCell(QPainter &painter, const QRect &cell, const QString &value) {
    if (value.isEmpty())
        return;
    if (value == kStatusOffline)
        painter.fillRect(cell, QColor(255, 0, 0));
    // Without Qt::TextDontClip the text is clipped to the cell.
    painter.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine, value);
}

} // namespace kestrune

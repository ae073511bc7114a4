// The painting of a status cell, checked on the pixels of an image painted
// the way the grid paints a cell: background first (plain, alternate or
// selected row), then the pen and font set, then the status cell.

#include "status/StatusCell.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cstdlib>

namespace kestrune {
namespace {

const QColor kRed(255, 0, 0);

struct RowLook {
    const char *name;
    QColor background;
    QColor text;
};

const RowLook kRows[] = {
    {"PlainRow", QColor(255, 255, 255), QColor(0, 0, 0)},
    {"AlternateRow", QColor(255, 255, 225), QColor(0, 0, 0)},
    {"SelectedRow", QColor(0, 120, 215), QColor(255, 255, 255)},
};

const QRect kCell(20, 10, 100, 24);

QImage paintCell(const RowLook &row, const QString &value, const QRect &cell = kCell) {
    QImage image(140, 44, QImage::Format_RGB32);
    image.fill(row.background);
    QPainter painter(&image);
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(row.text);
    paintStatusCell(painter, cell, value);
    painter.end();
    return image;
}

// The smallest rectangle around the pixels that differ from `fill`
// within `area`; empty when none does.
QRect inkWithin(const QImage &image, const QRect &area, const QColor &fill) {
    QRect ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != fill)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

// How close the pixel of `area` nearest to `colour` comes to it (largest
// channel difference). Text is antialiased, so its core is near the pen.
int distanceToNearest(const QImage &image, const QRect &area, const QColor &colour) {
    int best = 256;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            best = std::min(best, std::max({std::abs(c.red() - colour.red()),
                                            std::abs(c.green() - colour.green()),
                                            std::abs(c.blue() - colour.blue())}));
        }
    return best;
}

bool unchangedOutside(const QImage &image, const QRect &cell, const QColor &background) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!cell.contains(x, y) && image.pixelColor(x, y) != background)
                return false;
    return true;
}

void expectCentred(const QRect &ink, const QRect &cell) {
    ASSERT_FALSE(ink.isEmpty()) << "no text drawn";
    EXPECT_NEAR(ink.center().x(), cell.center().x(), 3);
    EXPECT_NEAR(ink.center().y(), cell.center().y(), 4);
}

void PrintTo(const RowLook &row, std::ostream *os) { *os << row.name; }

class StatusCellIn : public testing::TestWithParam<RowLook> {};

TEST_P(StatusCellIn, OfflineIsFilledRedWithTheTextCentred) {
    const RowLook &row = GetParam();
    const QImage image = paintCell(row, QStringLiteral("离线"));
    for (const QPoint corner : {kCell.topLeft(), kCell.topRight(), kCell.bottomLeft(),
                                kCell.bottomRight()})
        EXPECT_EQ(image.pixelColor(corner), kRed) << "at " << corner.x() << "," << corner.y();
    EXPECT_TRUE(unchangedOutside(image, kCell, row.background));
    const QRect ink = inkWithin(image, kCell, kRed);
    expectCentred(ink, kCell);
    EXPECT_LT(distanceToNearest(image, kCell, row.text), 48) << "drawn over the red, in the grid's pen";
}

TEST_P(StatusCellIn, OnlineKeepsTheBackgroundWithTheTextCentred) {
    const RowLook &row = GetParam();
    const QImage image = paintCell(row, QStringLiteral("在线"));
    for (const QPoint corner : {kCell.topLeft(), kCell.topRight(), kCell.bottomLeft(),
                                kCell.bottomRight()})
        EXPECT_EQ(image.pixelColor(corner), row.background);
    EXPECT_TRUE(unchangedOutside(image, kCell, row.background));
    expectCentred(inkWithin(image, kCell, row.background), kCell);
    EXPECT_LT(distanceToNearest(image, kCell, row.text), 48) << "drawn in the grid's pen";
}

TEST_P(StatusCellIn, UnprobedServerAddsNothing) {
    const RowLook &row = GetParam();
    QImage untouched(140, 44, QImage::Format_RGB32);
    untouched.fill(row.background);
    EXPECT_EQ(paintCell(row, QString()), untouched);
}

TEST_P(StatusCellIn, TextStaysInsideANarrowCell) {
    const RowLook &row = GetParam();
    const QRect narrow(60, 18, 10, 8);
    EXPECT_TRUE(unchangedOutside(paintCell(row, QStringLiteral("在线"), narrow), narrow,
                                 row.background));
    EXPECT_TRUE(unchangedOutside(paintCell(row, QStringLiteral("离线"), narrow), narrow,
                                 row.background));
}

INSTANTIATE_TEST_SUITE_P(Rows, StatusCellIn, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<RowLook> &p) {
                             return std::string(p.param.name);
                         });

} // namespace
} // namespace kestrune

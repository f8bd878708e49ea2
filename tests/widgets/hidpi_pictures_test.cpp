// The pictures for screens with two device pixels to a point: beside every
// picture the build draws, its "@2x" twin of exactly twice the size, drawn
// anew at that size (the same picture, sharper) rather than enlarged, and
// colour pictures that still show whole colours.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "config/gvar.h"
#include "skingen/skin_sizes.h"
#include "widgets/ImageProcess.h"

namespace keyloom {
namespace {

// Every picture the build writes at one pixel to a point: the skins and the
// six key pictures.
QStringList onePointPictures() {
    QStringList paths;
    const QDir skins(QStringLiteral(KEYLOOM_BUILD_CFG_DIR "skins"));
    for (const QString& name : skins.entryList({QStringLiteral("*.png")}, QDir::Files))
        if (!name.contains('@')) paths << skins.filePath(name);
    for (int model = 1; model <= 6; ++model)
        paths << QStringLiteral(KEYLOOM_BUILD_CFG_DIR) + get_model_keyimg_path(model);
    return paths;
}

QImage twinOf(const QString& path) { return ImageProcess::loadImage(scaledPictureName(path, 2)); }

// The twin with each 2 x 2 block averaged: what it looks like at one pixel a point.
QImage halved(const QImage& twin) {
    QImage out(twin.size() / 2, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            int sum[4] = {};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const QRgb p = twin.pixel(2 * x + dx, 2 * y + dy);
                    sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p), sum[3] += qAlpha(p);
                }
            out.setPixel(x, y, qRgba((sum[0] + 2) / 4, (sum[1] + 2) / 4, (sum[2] + 2) / 4, (sum[3] + 2) / 4));
        }
    return out;
}

// Mean difference per channel between two pictures of one size, 0..255.
double meanDifference(const QImage& a, const QImage& b) {
    long long total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) +
                     std::abs(qAlpha(p) - qAlpha(q));
        }
    return double(total) / (4.0 * a.width() * a.height());
}

// 2 x 2 blocks whose pixels are not all alike: an enlarged copy has none.
int unevenBlocks(const QImage& twin) {
    int uneven = 0;
    for (int y = 0; y + 1 < twin.height(); y += 2)
        for (int x = 0; x + 1 < twin.width(); x += 2) {
            const QRgb p = twin.pixel(x, y);
            uneven += twin.pixel(x + 1, y) != p || twin.pixel(x, y + 1) != p || twin.pixel(x + 1, y + 1) != p;
        }
    return uneven;
}

TEST(HiDpiPictures, EveryPictureHasATwinOfTwiceItsSizeDrawnAnew) {
    const QStringList pictures = onePointPictures();
    EXPECT_EQ(pictures.size(), int(std::size(skins::kSkinPictures)) + 6);
    for (const QString& path : pictures) {
        SCOPED_TRACE(path.toStdString());
        const QImage one = ImageProcess::loadImage(path), two = twinOf(path);
        ASSERT_FALSE(one.isNull());
        ASSERT_FALSE(two.isNull()) << "no " << scaledPictureName(path, 2).toStdString();
        ASSERT_EQ(two.size(), one.size() * 2);
        // The same drawing: seen at one pixel a point, the twin is the picture (small
        // pictures of thin lines differ most, by their smoothing).
        EXPECT_LT(meanDifference(halved(two), one), 6.0);
    }
    // Drawn at the finer size: legends, curves and gradients have detail within a point.
    for (const char* name : {"skins/main_nr.png", "skins/scroll_normal.png", "skins/help_nr.png",
                             "skins/Colorwheel.png", "skins/colorplane.png", "Dev/Vela/Designer/keyimg.png",
                             "Dev/Orin/Wired/keyimg.png"}) {
        const QImage two = twinOf(QStringLiteral(KEYLOOM_BUILD_CFG_DIR) + name);
        EXPECT_GT(unevenBlocks(two), two.width() / 4) << name;
    }
}

TEST(HiDpiPictures, ColourPicturesKeepWholeColoursAndTheChartItsCells) {
    for (const char* name : {"Colorwheel.png", "ColorRing.png"}) {
        const QImage two = twinOf(QStringLiteral(KEYLOOM_BUILD_CFG_DIR "skins/") + name);
        ASSERT_FALSE(two.isNull()) << name;
        int partial = 0;
        for (int y = 0; y < two.height(); ++y)
            for (int x = 0; x < two.width(); ++x) partial += qAlpha(two.pixel(x, y)) % 255 != 0;
        EXPECT_EQ(partial, 0) << name;
    }
    // Every chart cell is its one colour at both sizes, edge to edge.
    const QString chart = QStringLiteral(KEYLOOM_BUILD_CFG_DIR "skins/colorplane.png");
    const QImage one = ImageProcess::loadImage(chart), two = twinOf(chart);
    for (int row = 0; row < skins::kChartRows; ++row)
        for (int column = 0; column < skins::kChartColumns; ++column) {
            const skins::Area cell = skins::chartCell(row, column);
            const QRgb colour = one.pixel(cell.x, cell.y);
            int other = 0;
            for (int y = 2 * cell.y; y < 2 * (cell.y + cell.h); ++y)
                for (int x = 2 * cell.x; x < 2 * (cell.x + cell.w); ++x) other += two.pixel(x, y) != colour;
            EXPECT_EQ(other, 0) << "cell " << row << "," << column;
        }
}

}  // namespace
}  // namespace keyloom

// The pictures the build draws into the build tree's work directory: every
// skin picture at the size the windows rely on, colour pictures whose pixels
// are the colours they show, knob highlights inside their set areas, and key
// pictures that match their model files' key rectangles.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <cmath>
#include <numbers>
#include <string>

#include "base/INIFiler.h"
#include "config/gvar.h"
#include "skingen/key_legend.h"
#include "skingen/key_picture.h"
#include "skingen/skin_sizes.h"
#include "widgets/ImageProcess.h"

namespace keyloom {
namespace {

using skins::Area;

QImage skin(const char* name) {
    return ImageProcess::loadImage(QStringLiteral(KEYLOOM_BUILD_CFG_DIR "skins/") + name);
}

QSize sizeOf(const char* name) {
    for (const auto& picture : skins::kSkinPictures)
        if (std::string(picture.name) == name) return {picture.width, picture.height};
    return {};
}

int alphaAt(const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)); }

bool inside(const Area& a, int x, int y) { return x >= a.x && x < a.x + a.w && y >= a.y && y < a.y + a.h; }

// Pixels that differ between two pictures of one size, counted inside and
// outside the given areas.
struct Difference {
    int inside = 0;
    int outside = 0;
};

Difference compare(const QImage& a, const QImage& b, std::initializer_list<Area> areas) {
    Difference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) == b.pixel(x, y)) continue;
            bool in = false;
            for (const Area& area : areas) in = in || inside(area, x, y);
            ++(in ? d.inside : d.outside);
        }
    return d;
}

TEST(SkinPictures, EveryPictureIsInTheBuildTreeAtItsSize) {
    for (const auto& picture : skins::kSkinPictures) {
        const QImage image = skin(picture.name);
        ASSERT_FALSE(image.isNull()) << picture.name;
        EXPECT_EQ(image.size(), QSize(picture.width, picture.height)) << picture.name;
    }
    // Dialog backgrounds are their dialogs; the window takes its size from its picture.
    EXPECT_EQ(sizeOf("main_nr.png"), QSize(900, 808));
    EXPECT_EQ(sizeOf("msg_nr.png"), QSize(400, 202));
    EXPECT_EQ(sizeOf("progress_nr.png"), QSize(296, 202));
    EXPECT_EQ(sizeOf("pickfundlg.png"), QSize(508, 346));
    EXPECT_EQ(sizeOf("colorplane.png"), QSize(385, 265));
    EXPECT_EQ(sizeOf("menu_nr.png").height(), 20);
}

// The sliders refuse a range that has no distinct place per value and a knob
// thicker than the slider; buttons placed from a corner must stay inside.
TEST(SkinPictures, SlidersAndButtonsFitWhereThePanelsPutThem) {
    const QSize knob = sizeOf("slider.png"), bar = sizeOf("dpi_bar.png");
    for (int model = 1; model <= 6; ++model) {
        INIFiler file;
        ASSERT_TRUE(file.initIni(std::string(KEYLOOM_BUILD_CFG_DIR) + get_model_cfg_path(model)));
        for (const char* key : {"LightVal", "SpeedVal"}) {
            int32_t range[2] = {};
            ASSERT_EQ(file.getValueInts("OPT", key, 10, range, 2), 2) << key;
            EXPECT_LE(range[1] - range[0] + 1, 140 - knob.width()) << "model " << model << " " << key;
        }
    }
    EXPECT_LT(knob.height(), 18);
    EXPECT_EQ(bar.width(), 140);
    EXPECT_LE(bar.height(), 18);

    // Colour bars: 270 x 13, range 0..255, knob 5 up from the bottom.
    const QSize rgbKnob = sizeOf("rgbslider.png");
    EXPECT_LE(256, 270 - rgbKnob.width());
    EXPECT_LE(5 + rgbKnob.height(), 13);
    EXPECT_LE(1 + sizeOf("rgb_bar.png").height(), 5);

    // Exit at (width - 40, height - 27); OK and Cancel side by side from x 337, 325 and 220.
    const QSize exit = sizeOf("exit_nr.png"), ok = sizeOf("btn2_nr.png");
    EXPECT_LE(exit.width(), 40);
    EXPECT_LE(exit.height(), 27);
    EXPECT_LE(337 + 2 * ok.width() + 4, 508);
    EXPECT_LE(325 + 2 * ok.width() + 2, 508);
    EXPECT_LE(220 + 2 * ok.width() + 10, 400);
    // Four check boxes 50 apart from x 205 in the picker; the chooser at (13, 250) of the 190-wide panel.
    EXPECT_LE(205 + 4 * sizeOf("check_nr.png").width() + 3 * 50, 508);
    EXPECT_LE(13 + sizeOf("combo_nr.png").width(), 190);
}

TEST(SkinPictures, SelectedWindowDiffersOnlyInTheModeButtons) {
    const QImage normal = skin("main_nr.png"), selected = skin("main_dn.png");
    const auto& m = skins::kModeButtons;
    const Difference d = compare(normal, selected, {m[0], m[1], m[2]});
    EXPECT_EQ(d.outside, 0);
    EXPECT_GT(d.inside, 3 * 100);
    // Each button changes, not just one of them.
    for (const Area& button : m)
        EXPECT_NE(normal.pixel(button.x + button.w / 2, button.y + button.h - 2),
                  selected.pixel(button.x + button.w / 2, button.y + button.h - 2));
    // Rounded corners: the desktop shows through, the body does not.
    EXPECT_EQ(alphaAt(normal, 0, 0), 0);
    EXPECT_EQ(alphaAt(normal, 450, 320), 255);
}

TEST(SkinPictures, FilledProgressPictureHasThePanelLayout) {
    const QImage empty = skin("progress_nr.png"), filled = skin("progress_ov.png");
    const Area& bar = skins::kProgressBar;
    const Difference d = compare(empty, filled, {bar});
    EXPECT_EQ(d.outside, 0);
    // The fill reaches from the bar's left end to its right end.
    for (int x : {bar.x + 4, bar.x + bar.w / 2, bar.x + bar.w - 5})
        EXPECT_NE(empty.pixel(x, bar.y + bar.h / 2), filled.pixel(x, bar.y + bar.h / 2)) << x;
}

// Hue (degrees) of the wheel at distance r from its centre in direction degrees
// (counter-clockwise from the right, as on a colour wheel).
QColor wheelAt(const QImage& wheel, double degrees, double r) {
    const double a = degrees * std::numbers::pi / 180.0;
    const int x = int(std::floor(skins::kWheelCentre + r * std::cos(a)));
    const int y = int(std::floor(skins::kWheelCentre - r * std::sin(a)));
    return ImageProcess::ColorAtCoordinate(wheel, x, y).value_or(QColor());
}

TEST(SkinPictures, ColourWheelPixelsAreTheColoursItShows) {
    const QImage wheel = skin("Colorwheel.png");
    ASSERT_FALSE(wheel.isNull());
    for (int y = 0; y < wheel.height(); ++y)
        for (int x = 0; x < wheel.width(); ++x) {
            const QRgb p = wheel.pixel(x, y);
            const double r = std::hypot(x + 0.5 - 48, y + 0.5 - 48);
            // No smoothing: a pixel is wholly colour or wholly transparent.
            ASSERT_TRUE(qAlpha(p) == 0 || qAlpha(p) == 255) << x << "," << y;
            if (r <= 47) {
                EXPECT_EQ(qAlpha(p), 255) << "inside the click circle " << x << "," << y;
            }
            if (r > 48.5) {
                EXPECT_EQ(qAlpha(p), 0) << "outside the wheel " << x << "," << y;
            }
            // No shading: the brightest component is always full.
            if (qAlpha(p) == 255) {
                EXPECT_EQ(std::max({qRed(p), qGreen(p), qBlue(p)}), 255) << x << "," << y;
            }
        }
    EXPECT_EQ(wheelAt(wheel, 0, 0), QColor(255, 255, 255));
    const struct {
        double degrees;
        QColor colour;
    } rim[] = {{0, QColor(255, 0, 0)}, {60, QColor(255, 255, 0)}, {120, QColor(0, 255, 0)},
               {180, QColor(0, 255, 255)}, {240, QColor(0, 0, 255)}, {300, QColor(255, 0, 255)}};
    for (const auto& point : rim) {
        const QColor c = wheelAt(wheel, point.degrees, 46.5);
        const int turn = std::abs(c.hsvHue() - point.colour.hsvHue());
        EXPECT_LE(std::min(turn, 360 - turn), 3) << point.degrees;
        EXPECT_GE(c.hsvSaturation(), 250) << point.degrees;
    }
    // Halfway out, half saturated.
    EXPECT_NEAR(wheelAt(wheel, 240, 23.5).hsvSaturation(), 128, 12);
}

TEST(SkinPictures, ColourRingAndChartHoldExactColours) {
    const QImage ring = skin("ColorRing.png");
    int opaque = 0;
    for (int y = 0; y < ring.height(); ++y)
        for (int x = 0; x < ring.width(); ++x) {
            const int a = alphaAt(ring, x, y);
            ASSERT_TRUE(a == 0 || a == 255) << x << "," << y;
            opaque += a == 255;
        }
    EXPECT_GT(opaque, 1000);
    // The ring surrounds the wheel's place and leaves the wheel uncovered.
    EXPECT_EQ(alphaAt(ring, 68, 77), 0);
    EXPECT_EQ(alphaAt(ring, 68 + 53, 77), 255);

    const QImage chart = skin("colorplane.png");
    for (int row = 0; row < skins::kChartRows; ++row)
        for (int column = 0; column < skins::kChartColumns; ++column) {
            const Area cell = skins::chartCell(row, column);
            const QRgb first = chart.pixel(cell.x, cell.y);
            EXPECT_EQ(qAlpha(first), 255);
            int other = 0;
            for (int y = cell.y; y < cell.y + cell.h; ++y)
                for (int x = cell.x; x < cell.x + cell.w; ++x) other += chart.pixel(x, y) != first;
            EXPECT_EQ(other, 0) << "cell " << row << "," << column;
        }
    EXPECT_EQ(QColor(chart.pixel(skins::chartCell(0, 0).x, skins::chartCell(0, 0).y)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(chart.pixel(skins::chartCell(4, 0).x, skins::chartCell(4, 0).y)), QColor(255, 255, 255));
    EXPECT_EQ(QColor(chart.pixel(skins::chartCell(4, 7).x, skins::chartCell(4, 7).y)), QColor(0, 0, 0));

    const Area& strip = skins::kChartStrip;
    for (int y = strip.y; y < strip.y + strip.h; ++y)
        for (int x = strip.x; x < strip.x + strip.w; ++x) ASSERT_EQ(alphaAt(chart, x, y), 255) << x << "," << y;
    EXPECT_EQ(QColor(chart.pixel(strip.x, strip.y)), QColor(255, 255, 255));
    EXPECT_EQ(QColor(chart.pixel(strip.x, strip.y + strip.h / 2 - 1)), QColor(255, 0, 0));
    EXPECT_NE(chart.pixel(strip.x + strip.w / 2, strip.y + 40), chart.pixel(strip.x, strip.y + 40));
}

TEST(SkinPictures, SetHighlightsStayInsideTheirSetAreas) {
    // The set areas as the knob pop-up lays them out: origin bottom-left.
    constexpr Area kBottomLeft[8] = {{43, 133, 47, 48}, {94, 140, 46, 45}, {133, 95, 50, 43}, {134, 51, 43, 40},
                                     {94, 9, 48, 44},   {46, 2, 43, 51},   {1, 46, 47, 45},   {1, 95, 50, 44}};
    for (int set = 0; set < 8; ++set) {
        const Area& a = skins::kKnobSetAreas[set];
        const Area& b = kBottomLeft[set];
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, skins::kKnobPopSize - b.y - b.h) << set;
        EXPECT_EQ(a.w, b.w);
        EXPECT_EQ(a.h, b.h);

        const std::string name = "button" + std::to_string(set + 1) + ".png";
        const QImage image = skin(name.c_str());
        ASSERT_FALSE(image.isNull()) << name;
        int outside = 0, lit = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                if (alphaAt(image, x, y) == 0) continue;
                ++(inside(a, x, y) ? lit : outside);
            }
        EXPECT_EQ(outside, 0) << name;
        EXPECT_GT(lit, 400) << name;
        EXPECT_EQ(alphaAt(image, a.x + a.w / 2, a.y + a.h / 2), 255) << name;
    }
    const QImage dial = skin("scroll_normal.png");
    EXPECT_EQ(alphaAt(dial, 92, 92), 255);
    EXPECT_EQ(alphaAt(dial, 0, 0), 0);
}

QRect keyRect(const _KEYINFO& key) {
    return QRect(int(key.rcPos.left), int(key.rcPos.top), int(key.rcPos.right - key.rcPos.left),
                 int(key.rcPos.bottom - key.rcPos.top));
}

int lightness(QRgb p) { return qRed(p) + qGreen(p) + qBlue(p); }

TEST(SkinPictures, KeyPicturesMatchTheirModelFiles) {
    const QSize expected[6] = {{601, 239}, {601, 239}, {601, 239}, {599, 221}, {599, 221}, {599, 221}};
    const int keyCount = gVar.nKeyCount;
    for (int model = 1; model <= 6; ++model) {
        SCOPED_TRACE(get_model_cfg_path(model));
        INIFiler file;
        ASSERT_TRUE(file.initIni(std::string(KEYLOOM_BUILD_CFG_DIR) + get_model_cfg_path(model)));
        _KEYINFO keys[KEY_COUNT];
        ReadKeyCfg(&file, "KEY", keys);
        const int knobRow = GetINIValue("OPT", "SrIndex", 255, &file);
        int32_t rcKB[2] = {};
        ASSERT_EQ(file.getValueInts("OPT", "rcKB", 10, rcKB, 2), 2);

        const QImage picture =
            ImageProcess::loadImage(QStringLiteral(KEYLOOM_BUILD_CFG_DIR) + get_model_keyimg_path(model));
        ASSERT_FALSE(picture.isNull());
        EXPECT_EQ(picture.size(), expected[model - 1]);
        // Placed at rcKB it sits between the panels and inside the window.
        EXPECT_GE(rcKB[0], 245);
        EXPECT_GE(rcKB[1], 130);
        EXPECT_LE(rcKB[1] + picture.height(), 515);
        EXPECT_LE(rcKB[0] + picture.width(), 900);

        QRect bounds;
        for (int row = 0; row < KEY_COUNT; ++row) {
            const QRect r = keyRect(keys[row]);
            if (r.isEmpty()) continue;
            bounds = bounds.united(r);
            ASSERT_TRUE(picture.rect().contains(r)) << "K" << row + 1;
            const int mid = r.top() + r.height() / 2;
            const QRgb gap = picture.pixel(r.left() - 1, mid);
            EXPECT_EQ(qAlpha(gap), 255) << "K" << row + 1;
            // A cap is drawn on the rectangle: its face is lighter than the board beside it.
            const QRgb face = row == knobRow ? picture.pixel(r.center()) : picture.pixel(r.left() + 4, r.top() + 3);
            EXPECT_GT(lightness(face), lightness(gap) + 30) << "K" << row + 1;
        }
        // Margins right and bottom equal those left and top.
        EXPECT_EQ(picture.width(), bounds.right() + 1 + bounds.left());
        EXPECT_EQ(picture.height(), bounds.bottom() + 1 + bounds.top());
    }
    gVar.nKeyCount = keyCount;  // ReadKeyCfg counts the rows into the shared configuration
}

// Rows as the model file's [KEY] section gives them.
void readRows(const char* text, _KEYINFO keys[KEY_COUNT]) {
    INIFiler file;
    file.initFromBytes(text);
    const int keyCount = gVar.nKeyCount;
    ReadKeyCfg(&file, "KEY", keys);
    gVar.nKeyCount = keyCount;
}

TEST(SkinPictures, KeyLegendsFollowTheFactoryFunction) {
    _KEYINFO keys[KEY_COUNT];
    readRows("[KEY]\nK1=0,0,1,1,2,1B,0,0\nK2=0,0,1,1,2,A0,0,1\nK3=0,0,1,1,2,BC,0,2\nK4=0,0,1,1,2,FA,0,3\n"
             "K5=0,0,1,1,2,61,0,4\nK6=0,0,1,1,4,22,0,5\nK7=0,0,1,1,9,01,B20000,6\nK8=0,0,1,1,2,26,0,7\n"
             "K9=0,0,1,1,8,A7,0,8\nK10=0,0,1,1,2,08,0,9\nK11=0,0,1,1,2,5C,0,10\nK12=0,0,1,1,2,2D,0,11\n"
             "K13=0,0,1,1,1,01,0,12\n",
             keys);
    using skins::Glyph;
    const skins::KeyLegend esc = skins::keyLegend(keys[0]);
    EXPECT_EQ(esc.text, "Esc");
    EXPECT_TRUE(esc.accent);
    const skins::KeyLegend shift = skins::keyLegend(keys[1]);
    EXPECT_EQ(shift.text, "Shift");
    EXPECT_TRUE(shift.darkCap);
    EXPECT_EQ(skins::keyLegend(keys[2]).text, ",");  // the program's key name is the shifted "<"
    EXPECT_EQ(skins::keyLegend(keys[3]).text, "Fn");
    EXPECT_EQ(skins::keyLegend(keys[4]).text, "1");  // keypad 1
    EXPECT_EQ(skins::keyLegend(keys[5]).glyph, Glyph::Play);
    EXPECT_EQ(skins::keyLegend(keys[6]).text, "BT");
    EXPECT_EQ(skins::keyLegend(keys[7]).glyph, Glyph::ArrowUp);
    EXPECT_EQ(skins::keyLegend(keys[8]).glyph, Glyph::Light);
    EXPECT_EQ(skins::keyLegend(keys[9]).text, "Backspace");
    EXPECT_EQ(skins::keyLegend(keys[10]).text, "Win");
    EXPECT_EQ(skins::keyLegend(keys[11]).text, "Ins");
    EXPECT_EQ(skins::keyLegend(keys[12]).text, "");  // a mouse function has no cap legend

    // Every key of the shipped boards has a legend or a symbol.
    for (int model = 1; model <= 6; ++model) {
        INIFiler file;
        ASSERT_TRUE(file.initIni(std::string(KEYLOOM_BUILD_CFG_DIR) + get_model_cfg_path(model)));
        const int keyCount = gVar.nKeyCount;
        ReadKeyCfg(&file, "KEY", keys);
        gVar.nKeyCount = keyCount;
        const int knobRow = GetINIValue("OPT", "SrIndex", 255, &file);
        for (int row = 0; row < KEY_COUNT; ++row) {
            if (row == knobRow || !skins::hasKey(keys[row])) continue;
            const skins::KeyLegend legend = skins::keyLegend(keys[row]);
            EXPECT_TRUE(legend.glyph != Glyph::Text || !legend.text.empty())
                << get_model_cfg_path(model) << " K" << row + 1;
        }
    }
}

TEST(SkinPictures, KeyPictureSizeComesFromTheRows) {
    _KEYINFO keys[KEY_COUNT];
    // Three keys and a knob; the rows need not be in order or contiguous.
    readRows("[KEY]\nK1=6,6,40,40,2,A2,0,0\nK2=43,6,77,40,2,43,0,1\nK9=80,6,114,40,2,FA,0,2\n"
             "K4=117,6,151,40,4,28,0,3\n",
             keys);
    EXPECT_EQ(skins::keyPictureSize(keys, KEY_COUNT), QSize(157, 46));
    const QImage picture = skins::drawKeyPicture(keys, KEY_COUNT, 3);
    EXPECT_EQ(picture.size(), QSize(157, 46));
    // The knob is round: its rectangle's corner shows the board, its middle the knob.
    EXPECT_NE(picture.pixel(134, 23), picture.pixel(118, 7));
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);  // rounded board corner

    readRows("[KEY]\nK1=0,0,0,0,2,41,0,0\n", keys);
    EXPECT_TRUE(skins::keyPictureSize(keys, KEY_COUNT).isEmpty());
    EXPECT_TRUE(skins::drawKeyPicture(keys, KEY_COUNT, -1).isNull());
}

}  // namespace
}  // namespace keyloom

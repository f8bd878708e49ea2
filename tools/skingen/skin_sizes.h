// The skin pictures the build draws and the sizes the windows rely on: one
// table for the generator (which draws each picture on a canvas of this size)
// and for the tests (which check the files in the build tree against it).
// Areas here are pixels of the picture, origin top-left, y down.
#pragma once

namespace keyloom::skins {

struct PictureSize {
    const char* name;
    int width;
    int height;
};

struct Area {
    int x;
    int y;
    int w;
    int h;
};

// The window: a header, the colour band (the colour panel of the per-key
// lighting mode, centred over the key picture) and below it the window's
// controls, which keep their places counted from the bottom edge.
inline constexpr int kMainWidth = 900;
inline constexpr int kHeaderHeight = 44;
inline constexpr int kColourBandHeight = 168;
inline constexpr int kMainHeight = 640 + kColourBandHeight;
// The colour panel (460 x 155) in the band, and the card under it.
inline constexpr Area kColourPanelArea = {341, kHeaderHeight + 7, 460, 155};
inline constexpr Area kColourBandCard = {258, kHeaderHeight + 4, 626, 161};
inline constexpr int kDialogWidth = 508;  // function picker, knob settings, macro editor
inline constexpr int kDialogHeight = 346;
inline constexpr int kKnobPopSize = 185;
// The rules dialog: the well under its list and the card under its editor.
inline constexpr int kRulesWidth = 508;
inline constexpr int kRulesHeight = 420;
inline constexpr Area kRulesListWell = {18, kRulesHeight - 344, 472, 112};
inline constexpr Area kRulesEditorCard = {12, kRulesHeight - 224, 484, 168};
inline constexpr int kRulesFooterTop = kRulesHeight - 46;

inline constexpr PictureSize kSkinPictures[] = {
    // Window and dialog backgrounds: the window's and the dialogs' own sizes.
    {"main_nr.png", kMainWidth, kMainHeight},
    {"main_dn.png", kMainWidth, kMainHeight},
    {"pickfundlg.png", kDialogWidth, kDialogHeight},
    {"SrDlg.png", kDialogWidth, kDialogHeight},
    {"macro_nr.png", kDialogWidth, kDialogHeight},
    {"msg_nr.png", 400, 202},
    {"rules_nr.png", kRulesWidth, kRulesHeight},
    {"progress_nr.png", 296, 202},
    {"progress_ov.png", 296, 202},
    {"colorplane.png", 385, 265},
    // Buttons that take their size from their picture.
    {"exit_nr.png", 24, 24},
    {"exit_ov.png", 24, 24},
    {"help_nr.png", 24, 24},
    {"combo_nr.png", 164, 25},
    {"btn_nr.png", 120, 40},
    {"btn_dn.png", 120, 40},
    {"btn2_nr.png", 76, 26},
    {"button3_nr.png", 76, 26},
    {"button3_ov.png", 76, 26},
    {"check_nr.png", 16, 16},
    {"check_ov.png", 16, 16},
    {"check_dn.png", 16, 16},
    // Menu entries are stretched to the menu's width; one entry is 20 high.
    {"menu_nr.png", 163, 20},
    {"menu_ov.png", 163, 20},
    {"menusub_nr.png", 163, 20},
    {"menusub_ov.png", 163, 20},
    // List row icons (rows are 18 high).
    {"close.png", 14, 14},
    {"UP_N.png", 14, 14},
    {"DN_N.png", 14, 14},
    {"TM_N.png", 14, 14},
    // Sliders: bars as long as their sliders, knobs thinner than the slider.
    {"dpi_bar.png", 140, 6},
    {"slider.png", 12, 16},
    {"rgb_bar.png", 270, 4},
    {"rgbslider.png", 10, 8},
    // Knob pop-up: the dial and one highlight per set, all on the same canvas.
    {"scroll_normal.png", kKnobPopSize, kKnobPopSize},
    {"button1.png", kKnobPopSize, kKnobPopSize},
    {"button2.png", kKnobPopSize, kKnobPopSize},
    {"button3.png", kKnobPopSize, kKnobPopSize},
    {"button4.png", kKnobPopSize, kKnobPopSize},
    {"button5.png", kKnobPopSize, kKnobPopSize},
    {"button6.png", kKnobPopSize, kKnobPopSize},
    {"button7.png", kKnobPopSize, kKnobPopSize},
    {"button8.png", kKnobPopSize, kKnobPopSize},
    // Colour pictures: the pickers read their pixels.
    {"Colorwheel.png", 96, 96},
    {"ColorRing.png", 460, 155},
    // "colorplane.png" (above) is the colour pick dialog with its chart.
};

// The M1..M3 buttons, cut from "main_nr.png" (normal) and "main_dn.png"
// (selected) at their window frames.
inline constexpr Area kModeButtons[3] = {{225, 85 + kColourBandHeight, 143, 31},
                                         {372, 85 + kColourBandHeight, 122, 31},
                                         {497, 85 + kColourBandHeight, 122, 31}};

// Progress panel: the bar, filled in "progress_ov.png" and empty in "progress_nr.png".
inline constexpr Area kProgressBar = {29, 98, 240, 17};

// Knob pop-up: the click areas of sets 1..8 and the two function lines.
inline constexpr Area kKnobSetAreas[8] = {
    {43, 4, 47, 48}, {94, 0, 46, 45},  {133, 47, 50, 43}, {134, 94, 43, 40},
    {94, 132, 48, 44}, {46, 132, 43, 51}, {1, 94, 47, 45},  {1, 46, 50, 44},
};
inline constexpr Area kKnobFunctionLines[2] = {{52, 68, 81, 19}, {52, 95, 81, 19}};

// Colour wheel: clicks are taken inside the circle (1, 1) 94 x 94; the
// colours fill the disc of radius kWheelRadius round the picture's centre.
inline constexpr double kWheelCentre = 48.0;
inline constexpr double kWheelRadius = 48.0;

// Colour pick dialog: 5 x 8 chart cells, the gradient strip below them and
// the current-colour swatch.
inline constexpr int kChartRows = 5;
inline constexpr int kChartColumns = 8;
constexpr Area chartCell(int row, int column) { return {30 + 30 * column, 25 + 29 * row, 20, 19}; }
inline constexpr Area kChartStrip = {30, 185, 230, 60};
inline constexpr Area kChartSwatch = {293, 26, 69, 69};

// Colour panel (460 x 155): "ColorRing.png" covers the panel and rings the
// wheel, which the panel places 96 x 96 at 20 from the left and 30 from the bottom.
inline constexpr double kRingCentreX = 20 + 48;
inline constexpr double kRingCentreY = 155 - 30 - 48;
inline constexpr double kRingInner = 51.0;
inline constexpr double kRingOuter = 55.0;

}  // namespace keyloom::skins

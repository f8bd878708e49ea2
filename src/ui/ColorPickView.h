// The colour pick dialog: a chart of 40 colours and a gradient strip to pick
// from, red, green and blue fields to type a colour, and a swatch of the
// current colour. It lies over its owner's dimming overlay; OK gives the
// colour to the colour cell it was opened for, the close button leaves the
// cell as it was. Its own coordinates are top-down.
#pragma once
#include <QColor>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <array>
#include <optional>

#include "ui/DialogPanel.h"

class QScreen;

namespace keyloom {

class ColorGridView;
class HideView;
class MyTextFieldCell;

class ColorPickView : public DialogPanel {
public:
    static constexpr int WIDTH = 385, HEIGHT = 265;
    static constexpr int kRows = 5, kColumns = 8;

    // A hidden dialog centred over owner, which must have its final size.
    explicit ColorPickView(QWidget* owner);

    // The current colour, its fields and swatch; an invalid colour changes nothing.
    void initColor(const QColor& color);
    QColor color() const { return clrCurrent; }
    // The fields show the colour's channels.
    void setColorToEdit(const QColor& color);
    // Captions and accessible names in the current language.
    void onRefreshText();
    void btnClick(PngButton* sender);

    // Places, top-down.
    static QRect chartCell(int row, int column);
    static constexpr QRect kStrip{30, 185, 230, 60};
    static constexpr QRect kSwatch{293, 26, 69, 69};

    QImage imgChart;
    MyTextFieldCell* txtR = nullptr;
    MyTextFieldCell* txtG = nullptr;
    MyTextFieldCell* txtB = nullptr;
    QPointer<ColorGridView> targetView;  // hears of the colour on OK

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void createControls();
    MyTextFieldCell* makeField(int y);
    bool inPickArea(QPoint at) const;
    // The current colour from the three fields, which are rewritten as read.
    void takeFields();
    void onOk();

    QColor clrCurrent = Qt::white;
};

// Opens the dialog over the overlay for target (may be none); with
// startFromTarget the dialog starts from the target's colour.
void showColorPick(HideView* overlay, ColorPickView* dialog, ColorGridView* target, bool startFromTarget);

// The colour of one screen pixel (x, y in the screen's own coordinates); none
// without a screen or when the screen gives no picture.
std::optional<QColor> ColorAtScreenCoordinate(QScreen* screen, int x, int y);

}  // namespace keyloom

// The colour cell: a small view that shows one colour, can be checked like
// a tick box, and reports clicks (all, or double clicks only) and changes of
// its colour to its owner.
#pragma once
#include <QColor>
#include <QWidget>
#include <cstdint>

namespace keyloom {

class ColorGridView;

// The owner that opens a colour chooser when a cell is clicked.
class ColorGridDelegate {
public:
    virtual ~ColorGridDelegate() = default;
    virtual void onColorGridClick(bool checked, ColorGridView* sender) = 0;
};

// The owner that keeps one cell checked and stores a changed colour.
class ColorGridCheckDelegate {
public:
    virtual ~ColorGridCheckDelegate() = default;
    virtual void onColorGridCheck(bool checked, ColorGridView* sender) = 0;
    virtual void onColorGridChanged(ColorGridView* sender) = 0;
};

// A colour as 0x00BBGGRR, each component the whole part of component x 255.
uint32_t bgrFromColor(const QColor& color);

class ColorGridView : public QWidget {
public:
    explicit ColorGridView(QWidget* parent = nullptr);

    // The colour shown; with notify, the check delegate hears of the change.
    void setBkgColor(const QColor& color, bool notify);
    QColor bkgColor() const { return clrBkg; }
    // The colour as 0x00BBGGRR.
    uint32_t getBkgColor() const { return bgrFromColor(clrBkg); }
    void setCheck(bool check);
    bool getCheck() const { return bCheck; }

    int32_t nID = 0;
    uint32_t clrFrame = 0xC8C8C8;  // 0x00BBGGRR
    bool bCheckGrid = false;       // a click toggles the checked state
    int32_t pickEnable = 0;        // 0 clicks not reported, 1 every click, 2 double clicks only
    bool bRGB = false;             // kept for the owner: the chooser starts from the cell's colour
    ColorGridDelegate* delegate = nullptr;
    ColorGridCheckDelegate* check_delegate = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool bCheck = false;
    QColor clrBkg = Qt::white;
    int clickCount_ = 0;  // of the click the next release ends
};

}  // namespace keyloom

// The knob pop-up: a small round, draggable, transparent window showing the
// eight function sets of the keyboard's knob, the selected one marked and its
// two functions written in the middle. A double click on a set reports it.
//
// It belongs to the window that opens it and stays above it. Where the
// program places its windows (X11) it is a tool window of its own at a screen
// position. On Wayland, where a client can neither place a window nor learn
// where it is, it lies inside the owner window instead, and its position is
// measured from the owner's bottom-left corner.
#pragma once
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

namespace keyloom {

constexpr int POP_VIEW_SIZE = 185;
constexpr int POP_SET_COUNT = 8;

// The text of a set's function in one direction: 0 the upper line, 1 the
// lower one. None leaves the line empty.
using KnobFunctionText = std::function<std::optional<QString>(int setIndex, int direction)>;

// Told which set was double-clicked.
class PopViewDelegate {
public:
    virtual ~PopViewDelegate() = default;
    virtual void onKnodDClicked(int setIndex) = 0;
};

class PopView : public QWidget {
public:
    // location: the window's screen position (bottom-left convention).
    PopView(QWidget* parent, int setIndex, const QPointF& location, KnobFunctionText functionText);

    // Loads "scroll_normal.png", the eight set images and the areas.
    void loadSkins();
    // Only redraws; the texts come from the owner's function.
    void showMsg(const QString& msg = {}, const QString& title = {}, int mark = 0);

    int setIndex = 0;
    // Position after the last drag, bottom-left convention: on the screen for a
    // pop-up window, in the owner window for a pop-up inside it.
    QPointF ptLocation;
    PopViewDelegate* delegate = nullptr;

    // Click areas of the sets and the two function lines, bottom-left origin.
    const std::array<QRectF, POP_SET_COUNT>& setAreas() const { return rcSET; }
    const std::array<QRectF, 2>& functionAreas() const { return rcFUN; }
    // The set under a point of the view (bottom-left origin), or -1.
    int setAt(const QPointF& point) const;
    // The text of the selected set's function in direction 0 (upper line) or
    // 1 (lower line), as the owner words it; none without a valid set.
    std::optional<QString> functionText(int direction) const;
    bool isDragging() const { return bDraging; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void onPress(const QPointF& position, int clickCount);
    bool validSet() const { return setIndex >= 0 && setIndex < POP_SET_COUNT; }

    KnobFunctionText functionText_;
    QImage imgBkgNr;
    std::array<QImage, POP_SET_COUNT> imgBkgOv;
    std::array<QRectF, POP_SET_COUNT> rcSET;
    std::array<QRectF, 2> rcFUN;
    int nXF = 0;
    int nYF = 0;
    bool bDraging = false;
};

class PopWindow : public QWidget {
public:
    // Opens the pop-up for the window of `owner` with a set selected, in
    // front. `frame` (bottom-left convention) is its place on the screen, or
    // in the owner window where the pop-up lies inside it; there it is kept
    // whole inside the window. functionText words the sets' functions.
    static PopWindow* newPopWindow(QWidget* owner, const QRectF& frame, int index, KnobFunctionText functionText);
    PopView* popview() const { return view_; }
    // True when the pop-up is a window of its own, false when it lies inside its owner.
    bool isOwnWindow() const { return isWindow(); }
    // Moves the pop-up so that the point `grab` of it (bottom-left origin)
    // lies under the pointer at `globalPointer`; returns its new place.
    QPointF dragTo(const QPoint& globalPointer, const QPointF& grab);

private:
    PopWindow(QWidget* owner, const QRectF& frame, int index, KnobFunctionText functionText);
    // Places the pop-up with its bottom-left corner at `origin`; returns the
    // origin it got (inside the owner it stays whole inside it).
    QPointF placeAt(QPointF origin);
    PopView* view_ = nullptr;
};

}  // namespace keyloom

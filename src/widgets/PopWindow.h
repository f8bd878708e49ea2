// The knob pop-up: a small round, draggable, transparent window showing the
// eight function sets of the keyboard's knob, the selected one marked and its
// two functions written in the middle. A double click on a set reports it.
#pragma once
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QWidget>
#include <array>
#include <optional>

namespace keyloom {

constexpr int POP_VIEW_SIZE = 185;
constexpr int POP_SET_COUNT = 8;

// Told which set was double-clicked.
class PopViewDelegate {
public:
    virtual ~PopViewDelegate() = default;
    virtual void onKnodDClicked(int setIndex) = 0;
};

class PopView : public QWidget {
public:
    // location: the window's screen position (bottom-left convention).
    PopView(QWidget* parent, int setIndex, const QPointF& location);

    // Loads "scroll_normal.png", the eight set images and the areas.
    void loadSkins();
    // Only redraws; the texts come from the current profile.
    void showMsg(const QString& msg = {}, const QString& title = {}, int mark = 0);

    int setIndex = 0;
    QPointF ptLocation;  // screen position after the last drag, bottom-left of the primary screen
    PopViewDelegate* delegate = nullptr;

    // Click areas of the sets and the two function lines, bottom-left origin.
    const std::array<QRectF, POP_SET_COUNT>& setAreas() const { return rcSET; }
    const std::array<QRectF, 2>& functionAreas() const { return rcFUN; }
    // The set under a point of the view (bottom-left origin), or -1.
    int setAt(const QPointF& point) const;
    // The text of the selected set's function in direction 0 (upper line) or
    // 1 (lower line); none without a current profile or a valid set.
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
    // Opens the pop-up on a screen rectangle (bottom-left of the primary
    // screen) with a set selected, in front and active.
    static PopWindow* newPopWindow(const QRectF& screenRect, int index);
    PopView* popview() const { return view_; }

private:
    PopWindow(const QRectF& screenRect, int index);
    PopView* view_ = nullptr;
};

}  // namespace keyloom

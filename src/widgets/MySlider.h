// The skinned slider: an integer between minVal and maxVal shown as a knob
// (a child view) dragged along a bar picture. Places are in points with the
// origin at the slider's bottom-left corner; along the axis means x, or y for
// a vertical slider.
#pragma once
#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>

namespace keyloom {

class MySlider;

// The owner of a slider. Both reports carry the value (the mapped value when
// a mapping is installed) and the slider, whose barID tells sliders apart.
class SliderDelegate {
public:
    virtual ~SliderDelegate() = default;
    // While the knob is dragged.
    virtual void onSliderMoving(int value, MySlider* sender) = 0;
    // When a drag ends or the bar is clicked.
    virtual void onSliderChanged(int value, MySlider* sender) = 0;
};

// The knob: draws its picture stretched over its bounds and hands its drags
// to the slider it sits in.
class MyKnob : public QWidget {
public:
    MyKnob(MySlider* slider, const QImage& image);

    const QImage& image() const { return imgKnob; }
    bool isDragging() const { return bDragging; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    MySlider* slider_;
    QImage imgKnob;
    bool bPressed = false;
    bool bDragging = false;
};

class MySlider : public QWidget {
public:
    static constexpr int kMaxItemData = 300;

    // The slider at frame (bottom-left origin) in parent, already added to it,
    // with the parent as delegate when it is a SliderDelegate. None when an
    // image is missing, when the range has more values than the bar has
    // places for the knob, or when the knob is thicker than the frame.
    static MySlider* NewSlider(QWidget* parent, const QImage& barImage, const QImage& knobImage, int minVal,
                               int maxVal, const QRectF& rectBar, int id, bool vertical);
    // The same with picture file names of the skins folder.
    static MySlider* NewSlider2(QWidget* parent, const QString& barImage, const QString& knobImage, int minVal,
                                int maxVal, const QRectF& rectBar, int id, bool vertical);

    // The position a knob edge at x stands for: the nearest step, a tie going
    // to the lower one. W is the slider's length, K the knob's.
    static int getPosForX(float x, float barW, float knobW, int minVal, int maxVal);
    // Where the knob edge goes for a position.
    static float getXForPos(int pos, float barW, float knobW, int minVal, int maxVal);

    int getPos() const;
    // Values outside minVal..maxVal are ignored; nothing is reported.
    void setPos(int pos);

    // Installs num values (at most kMaxItemData) reported instead of the
    // positions minVal, minVal + 1, ...; reindex stores them last first.
    // num 0 removes the mapping.
    void setItemdata(const int32_t* data, int num, bool reindex);
    // The mapped value of a position; -1 without a mapping or outside it.
    int getItemdata(int pos) const;
    int getCurrentItemdata() const;
    // Moves the knob to the first position mapped to value; nothing when none is.
    void setPosToItemdata(int value);

    void setBarY(int y);
    // The knob's offset across the slider (its y, or x when vertical).
    void setSliderY(int offset);

    // The knob's drag, with the pointer in the slider's own top-left coordinates.
    void knobDragging(QPointF pointer, bool firstEvent);
    void knobDragged();

    int minVal() const { return minVal_; }
    int maxVal() const { return maxVal_; }
    bool isVertical() const { return bVertical; }
    int itemNum() const { return itemNum_; }
    int barY() const { return barY_; }
    float dragOffset() const { return fDragX; }
    // The knob's edge along the axis, in points from the slider's start.
    float knobPlace() const { return fKnobPos; }
    MyKnob* knob() const { return _Knob; }
    const QImage& barImage() const { return imgBar; }

    void setDelegate(SliderDelegate* delegate) { delegate_ = delegate; }
    SliderDelegate* delegate() const { return delegate_; }

    int barID = 0;
    bool isDebug = false;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    MySlider(QWidget* parent, const QImage& bar, bool vertical);

    float length() const;       // the slider's extent along the axis
    float knobLength() const;   // the knob's extent along the axis
    float travel() const { return length() - knobLength(); }
    float alongOf(QPointF pointer) const;  // pointer (top-left) to the axis coordinate
    void placeKnob(float place);
    int reportedValue(int pos) const;

    int minVal_ = 0;
    int maxVal_ = 0;
    QImage imgBar;
    MyKnob* _Knob = nullptr;
    bool bVertical = false;
    SliderDelegate* delegate_ = nullptr;
    int barY_ = 0;
    float fDragX = 0;
    float fKnobPos = 0;
    float fKnobAcross = 0;
    std::array<int32_t, kMaxItemData> itemData{};
    int itemNum_ = 0;
    bool barPressed_ = false;
};

}  // namespace keyloom

// The key map: the model's keyboard picture in the main window. It marks
// the keys whose function was changed, in both views; the colour view (the
// per-key lighting mode) also fills every lit key with its colour. It
// outlines the key under the pointer, tells what that key does in a tooltip
// and reports a clicked key to its delegate.
#pragma once
#include <QImage>
#include <QRectF>
#include <QWidget>
#include <array>
#include <cstdint>

#include "model/keyinfo.h"

namespace keyloom {

class KbColorView;

class KbColorViewDelegate {
public:
    virtual ~KbColorViewDelegate() = default;
    // A key was clicked: its row in the key tables.
    virtual void onKeySelect(int key) = 0;
    // What the key does, for its tooltip ("Q: Ctrl + Shift + B"); empty for none.
    virtual QString keyDescription(int /*key*/) const { return {}; }
};

// The key picture of a model ("Dev/.../keyimg.png" in the work directory); empty for an unknown model.
QString getKeyImgPath(int model);

class KbColorView : public QWidget {
public:
    static constexpr int OPER_FUNCTION = 1;  // nOper: function view; any other value the colour view
    static constexpr int OPER_COLOR = 2;

    explicit KbColorView(QWidget* parent = nullptr);

    // Forgets the pointer and the last click and loads the model's key picture.
    void LoadSkins();
    const QImage& keyPicture() const { return imageBkg; }

    void setHasFunc(int key, int flag);  // no redraw
    void setKeyRect(int key, const QRectF& rect);  // bottom-left origin in the view
    QRectF keyRect(int key) const;
    // Every key's rectangle from a key table, whose rectangles are picture
    // pixels with the origin at the top-left.
    void setKeyRectsFromTable(const _KEYINFO* table);
    void setKeyColor(int key, uint32_t color);
    uint32_t getKeyColor(int key) const;  // 0 outside the table
    void setKeyColor(const uint32_t* table);  // all 126 colours
    void setOper(int oper);
    int oper() const { return nOper; }
    // The first key whose rectangle holds the point (bottom-left origin), -1 for none.
    int hitTest(QPointF point) const;

    int32_t nCurSel = -1;
    int32_t nCurOn = -1;
    uint32_t clrHasFun = 0;  // 0x00BBGGRR
    uint32_t clrCurOn = 0;
    KbColorViewDelegate* delegate = nullptr;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int keyAt(const QMouseEvent* event) const;
    void setCurOn(int key);

    QImage imageBkg;
    int32_t nOper = OPER_FUNCTION;
    std::array<int32_t, KEY_COUNT> nHasFunc{};
    std::array<QRectF, KEY_COUNT> rcKey{};
    std::array<uint32_t, KEY_COUNT> clrKey{};
};

}  // namespace keyloom

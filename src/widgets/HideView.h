// The dimming overlay laid over a panel behind a modal dialog: darkens it,
// beeps on a press and lets no mouse event through to the panel.
#pragma once
#include <QWidget>
#include <functional>

namespace keyloom {

class HideView : public QWidget {
public:
    explicit HideView(QWidget* parent);

    // What a press plays; the system alert sound unless a test replaces it.
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::function<void()> beep_;
};

// Opens a modal panel: the overlay (may be none) over its parent, then the
// panel centred over the same parent on top.
void showOverOverlay(HideView* overlay, QWidget* panel);

}  // namespace keyloom

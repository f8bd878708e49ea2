#include "widgets/HideView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "widgets/Frame.h"

namespace keyloom {

HideView::HideView(QWidget* parent) : QWidget(parent), beep_([] { QApplication::beep(); }) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_NoSystemBackground);
    if (parent) setGeometry(parent->rect());
    hide();
}

void HideView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 140));
}

void HideView::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (beep_) beep_();
}

// Everything else is taken here so the panel beneath never sees it.
void HideView::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void HideView::mouseMoveEvent(QMouseEvent* event) { event->accept(); }
void HideView::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }
void HideView::wheelEvent(QWheelEvent* event) { event->accept(); }

void showOverOverlay(HideView* overlay, QWidget* panel) {
    if (overlay) {
        overlay->show();
        overlay->raise();
    }
    centreInParent(panel);
    panel->show();
    panel->raise();
}

}  // namespace keyloom

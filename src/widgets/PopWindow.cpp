#include "widgets/PopWindow.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "widgets/Frame.h"
#include "widgets/ImageProcess.h"
#include "widgets/Platform.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

// Left, top, right, bottom edges measured from the top of the view: the
// eight sets clockwise from the top, then the upper and lower function lines.
struct Edges {
    int left, top, right, bottom;
};
constexpr std::array<Edges, POP_SET_COUNT> SET_EDGES{{
    {43, 4, 90, 52},
    {94, 0, 140, 45},
    {133, 47, 183, 90},
    {134, 94, 177, 134},
    {94, 132, 142, 176},
    {46, 132, 89, 183},
    {1, 94, 48, 139},
    {1, 46, 51, 90},
}};
constexpr std::array<Edges, 2> FUNCTION_EDGES{{
    {52, 68, 133, 87},
    {52, 95, 133, 114},
}};

// A table entry as a rectangle with bottom-left origin in the 185-point view.
QRectF areaOf(const Edges& e) {
    return QRectF(e.left, POP_VIEW_SIZE - e.bottom, e.right - e.left, e.bottom - e.top);
}

// Containment as the areas were drawn: left and bottom edges in, right and top out.
bool inside(const QRectF& rect, const QPointF& point) {
    return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top() &&
           point.y() < rect.bottom();
}

}  // namespace

PopView::PopView(QWidget* parent, int index, const QPointF& location, KnobFunctionText functionText)
    : QWidget(parent), setIndex(index), ptLocation(location), functionText_(std::move(functionText)) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void PopView::loadSkins() {
    imgBkgNr = loadSkinImage(QStringLiteral("scroll_normal.png"));
    for (int i = 0; i < POP_SET_COUNT; ++i)
        imgBkgOv[size_t(i)] = loadSkinImage(QStringLiteral("button%1.png").arg(i + 1));
    for (size_t i = 0; i < rcSET.size(); ++i) rcSET[i] = areaOf(SET_EDGES[i]);
    for (size_t i = 0; i < rcFUN.size(); ++i) rcFUN[i] = areaOf(FUNCTION_EDGES[i]);
}

void PopView::showMsg(const QString&, const QString&, int) {
    update();
}

int PopView::setAt(const QPointF& point) const {
    for (size_t i = 0; i < rcSET.size(); ++i)
        if (inside(rcSET[i], point)) return int(i);
    return -1;
}

std::optional<QString> PopView::functionText(int direction) const {
    if (!functionText_ || !validSet() || direction < 0 || direction >= int(rcFUN.size())) return std::nullopt;
    return functionText_(setIndex, direction);
}

void PopView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!imgBkgNr.isNull()) {
        // At its own size on the view's bottom-left corner; the set image on top of it.
        const QRectF at = flipRect(QRectF(QPointF(0, 0), QSizeF(ImageProcess::pointSize(imgBkgNr))), height());
        painter.drawImage(at, imgBkgNr);
        if (validSet() && !imgBkgOv[size_t(setIndex)].isNull()) painter.drawImage(at, imgBkgOv[size_t(setIndex)]);
    }
    painter.setFont(get_font(10));
    painter.setPen(Qt::white);
    for (int d = 0; d < int(rcFUN.size()); ++d) {
        if (const std::optional<QString> text = functionText(d))
            painter.drawText(flipRect(rcFUN[size_t(d)], height()), Qt::AlignCenter, *text);
    }
}

void PopView::onPress(const QPointF& position, int clickCount) {
    const QPointF point = flipRect(QRectF(position, QSizeF(0, 0)), height()).topLeft();
    const int hit = setAt(point);
    if (hit >= 0) {
        if (hit != setIndex) {
            setIndex = hit;
            update();
        }
        if (clickCount > 1 && delegate) delegate->onKnodDClicked(setIndex);
    }
    nXF = int(std::floor(point.x()));
    nYF = int(std::floor(point.y()));
    bDraging = true;
}

void PopView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) onPress(event->position(), 1);
}

void PopView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) onPress(event->position(), 2);
}

void PopView::mouseMoveEvent(QMouseEvent* event) {
    if (!bDraging) return;
    if (auto* pop = dynamic_cast<PopWindow*>(parentWidget()))
        ptLocation = pop->dragTo(event->globalPosition().toPoint(), QPointF(nXF, nYF));
}

void PopView::mouseReleaseEvent(QMouseEvent*) {
    bDraging = false;
}

PopWindow::PopWindow(QWidget* owner, const QRectF& frame, int index, KnobFunctionText functionText)
    : QWidget(owner ? owner->window() : nullptr,
              owner && !programPlacesWindows() ? Qt::Widget
                                               : Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint) {
    // Only the skin's drawn pixels show.
    setAttribute(Qt::WA_TranslucentBackground);
    resize(frame.size().toSize());
    const QPointF origin = placeAt(frame.topLeft());
    view_ = new PopView(this, index, origin, std::move(functionText));
    view_->setGeometry(rect());
    view_->loadSkins();
}

QPointF PopWindow::placeAt(QPointF origin) {
    if (isWindow()) {
        move(screenRectFromFrame(QRectF(origin, QSizeF(size()))).topLeft());
        return origin;
    }
    const QWidget* owner = parentWidget();
    origin.setX(std::clamp<qreal>(origin.x(), 0, std::max(0, owner->width() - width())));
    origin.setY(std::clamp<qreal>(origin.y(), 0, std::max(0, owner->height() - height())));
    setFrame(this, QRectF(origin, QSizeF(size())));
    return origin;
}

QPointF PopWindow::dragTo(const QPoint& globalPointer, const QPointF& grab) {
    QPointF pointer;
    if (isWindow()) {
        pointer = screenPointToFrame(globalPointer);
    } else {
        const QPoint local = parentWidget()->mapFromGlobal(globalPointer);
        pointer = QPointF(local.x(), parentWidget()->height() - local.y());
    }
    return placeAt(pointer - grab);
}

PopWindow* PopWindow::newPopWindow(QWidget* owner, const QRectF& frame, int index,
                                   KnobFunctionText functionText) {
    auto* pop = new PopWindow(owner, frame, index, std::move(functionText));
    pop->show();
    pop->raise();
    // A window that is just shown is already on top.
    if (pop->isWindow()) pop->activateWindow();
    return pop;
}

}  // namespace keyloom

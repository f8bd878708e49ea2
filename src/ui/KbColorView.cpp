#include "ui/KbColorView.h"

#include <QMouseEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

#include "config/gvar.h"
#include "config/language.h"
#include "base/paths.h"
#include "ui/Skin.h"
#include "widgets/Frame.h"
#include "widgets/ImageProcess.h"
#include "widgets/Outline.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

constexpr int kFillAlpha = 200;
constexpr qreal kOutline = 2;  // width of the marks, drawn inside the key

bool isKey(int key) {
    return key >= 0 && key < KEY_COUNT;
}

int keyCount() {
    return std::clamp(gVar.nKeyCount, 0, KEY_COUNT);
}

}  // namespace

QString getKeyImgPath(int model) {
    const char* path = get_model_keyimg_path(model);
    return path ? QString::fromStdString(get_work_dir()) + QString::fromUtf8(path) : QString();
}

KbColorView::KbColorView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void KbColorView::LoadSkins() {
    nCurOn = -1;
    nCurSel = -1;
    const QString path = getKeyImgPath(gVar.Model);
    imageBkg = path.isEmpty() ? QImage() : loadPicture(path);
    setAccessibleName(uiText("tc_keymap"));
    update();
}

void KbColorView::setHasFunc(int key, int flag) {
    if (isKey(key)) nHasFunc[size_t(key)] = flag;
}

void KbColorView::setKeyRect(int key, const QRectF& rect) {
    if (isKey(key)) rcKey[size_t(key)] = rect;
}

QRectF KbColorView::keyRect(int key) const {
    return isKey(key) ? rcKey[size_t(key)] : QRectF();
}

void KbColorView::setKeyRectsFromTable(const _KEYINFO* table) {
    const qreal pictureHeight = imageBkg.isNull() ? height() : ImageProcess::pointSize(imageBkg).height();
    for (int k = 0; k < KEY_COUNT; ++k) {
        const _RECT& r = table[k].rcPos;
        setKeyRect(k, QRectF(r.left, pictureHeight - r.bottom, qreal(r.right) - r.left, qreal(r.bottom) - r.top));
    }
}

void KbColorView::setKeyColor(int key, uint32_t color) {
    if (!isKey(key)) return;
    clrKey[size_t(key)] = color;
    update();
}

uint32_t KbColorView::getKeyColor(int key) const {
    return isKey(key) ? clrKey[size_t(key)] : 0;
}

void KbColorView::setKeyColor(const uint32_t* table) {
    std::copy(table, table + KEY_COUNT, clrKey.begin());
    update();
}

void KbColorView::setOper(int oper) {
    nOper = oper;
    update();
}

int KbColorView::hitTest(QPointF point) const {
    for (int k = 0; k < keyCount(); ++k)
        if (rcKey[size_t(k)].contains(point)) return k;
    return -1;
}

int KbColorView::keyAt(const QMouseEvent* event) const {
    return hitTest(QPointF(event->position().x(), height() - event->position().y()));
}

void KbColorView::setCurOn(int key) {
    if (key == nCurOn) return;
    nCurOn = key;
    // A screen reader hears what the key under the pointer does.
    setAccessibleDescription(isKey(key) && delegate ? delegate->keyDescription(key) : QString());
    update();
}

bool KbColorView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const int key = hitTest(QPointF(help->pos().x(), height() - help->pos().y()));
    const QString text = isKey(key) && delegate ? delegate->keyDescription(key) : QString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // The tip stays while the pointer is on the key, and goes when it leaves it.
    QToolTip::showText(help->globalPos(), text, this, flipRect(rcKey[size_t(key)], height()).toAlignedRect());
    return true;
}

void KbColorView::mouseMoveEvent(QMouseEvent* event) {
    setCurOn(keyAt(event));
}

void KbColorView::leaveEvent(QEvent*) {
    setCurOn(-1);  // no outline stays behind on a key the pointer has left
}

void KbColorView::mousePressEvent(QMouseEvent* event) {
    // The key map takes its presses: its release chooses the key, and the
    // window beneath must not start a move with them.
    event->accept();
}

void KbColorView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    nCurSel = keyAt(event);
    if (nCurSel >= 0 && delegate) delegate->onKeySelect(nCurSel);
}

void KbColorView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!imageBkg.isNull()) painter.drawImage(QRectF(rect()), imageBkg);
    auto outline = [&](int key, uint32_t color) {
        drawOutline(painter, flipRect(rcKey[size_t(key)], height()), colorFromBgr(color), kOutline);
    };
    for (int k = 0; k < keyCount(); ++k) {
        if (nOper != OPER_FUNCTION && clrKey[size_t(k)] != 0) {
            QColor fill = colorFromBgr(clrKey[size_t(k)]);
            fill.setAlpha(kFillAlpha);
            const QRectF key = flipRect(rcKey[size_t(k)], height());
            painter.fillRect(key, fill);
            // The picture's light caption comes back over the colour, so a painted key stays readable.
            if (!imageBkg.isNull()) {
                const qreal sx = imageBkg.width() / qreal(width()), sy = imageBkg.height() / qreal(height());
                const QRectF source(key.x() * sx, key.y() * sy, key.width() * sx, key.height() * sy);
                painter.setCompositionMode(QPainter::CompositionMode_Lighten);
                painter.drawImage(key, imageBkg, source);
                painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            }
        }
        // A changed key keeps its mark over its colour, so both show.
        if (nHasFunc[size_t(k)] != 0) outline(k, clrHasFun);
    }
    if (isKey(nCurOn)) outline(nCurOn, clrCurOn);
}

}  // namespace keyloom

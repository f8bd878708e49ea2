// The main window's knob side: the knob pop-up opened from the key map's
// knob row or by the keyboard, the knob settings opened from the pop-up, and
// the keyboard's notifications.
#include <QCoreApplication>

#include "base/debug.h"
#include "config/gvar.h"
#include "device/apply.h"
#include "model/stprofile.h"
#include "ui/MainView.h"
#include "ui/SrView.h"
#include "widgets/HideView.h"

namespace keyloom {

namespace {

constexpr uint8_t kKnobNotice = 4;    // value 1 opened, 2 confirmed
constexpr uint8_t kKnobSetNotice = 5;  // value: the set, counted from 1
constexpr uint8_t kLayerNotice = 6;    // value 1, 2 or 4: M1, M2, M3

}  // namespace

void MainView::onKnobRow() {
    if (gVar.ShowKnod == 0) return;
    if (popWindow_) {
        closePoP();
        if (link_) link_->TellFwDriverOnLine(0);
        quiet_apply_kb(APPLY_LIGHTING);
    } else if (const _ST_PROFILE* profile = get_current_profile()) {
        showPoP(profile->nKnodSet);
        if (link_) link_->TellFwDriverOnLine(1);
    }
}

void MainView::showPoP(int setIndex) {
    if (popWindow_) {
        popWindow_->close();
        popWindow_->deleteLater();
    }
    const _ST_PROFILE* profile = get_current_profile();
    const QPointF at = profile ? QPointF(profile->ptPop.x, profile->ptPop.y) : QPointF();
    popWindow_ = PopWindow::newPopWindow(this, QRectF(at, QSizeF(POP_VIEW_SIZE, POP_VIEW_SIZE)), setIndex);
    popWindow_->popview()->delegate = this;
}

void MainView::closePoP() {
    if (!popWindow_) return;
    if (_ST_PROFILE* profile = get_current_profile()) {
        const PopView* pop = popWindow_->popview();
        profile->nKnodSet = pop->setIndex;
        profile->ptPop = _POINT{uint32_t(std::max<qreal>(0, pop->ptLocation.x())),
                                uint32_t(std::max<qreal>(0, pop->ptLocation.y()))};
    }
    popWindow_->close();
    popWindow_->deleteLater();
    popWindow_ = nullptr;
}

void MainView::onKnodDClicked(int setIndex) {
    srView->setIndex = setIndex;
    if (srView->isHidden()) {
        showSrView(this, hideView, srView, [this](SrView*) { onSrOK(); });
    } else {
        srView->initUI();
        srView->update();
    }
}

void MainView::onSrOK() {
    if (popWindow_) popWindow_->popview()->update();
}

void MainView::onPoP(uint8_t value, uint8_t kind, uint8_t) {
    LOG("onPoP value=%u kind=%u", unsigned(value), unsigned(kind));
    _ST_PROFILE* profile = get_current_profile();
    if (!profile) return;
    const bool knob = gVar.ShowKnod != 0;
    if (kind == kKnobNotice && knob && value == 1) {
        showPoP(profile->nKnodSet);
        if (link_) link_->TellFwDriverOnLine(1);
    } else if (kind == kKnobNotice && knob && value == 2) {
        closePoP();
        quiet_apply_kb(APPLY_LIGHTING);
    } else if (kind == kKnobSetNotice && knob && popWindow_) {
        popWindow_->popview()->setIndex = int(value) - 1;
        popWindow_->popview()->update();
    } else if (kind == kLayerNotice && (value == 1 || value == 2 || value == 4)) {
        profile->nLayer = value == 1 ? 0 : value == 2 ? 1 : 2;
        SetUI(nullptr);
    }
    if (dataMayHaveChanged) dataMayHaveChanged();
}

void MainView::onExit() {
    closePoP();
    if (exitApplication)
        exitApplication();
    else
        QCoreApplication::quit();
}

}  // namespace keyloom

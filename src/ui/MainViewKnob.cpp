// The main window's knob side: the knob pop-up opened from the key map's
// knob row or by the keyboard, the knob settings opened from the pop-up, and
// the keyboard's notifications.
#include <QCoreApplication>

#include "ui/KnobText.h"
#include "ui/MainView.h"
#include "ui/SrView.h"
#include "widgets/HideView.h"

namespace keyloom {

void MainView::follow(const KnobDecision& decision, KnobChooser by) {
    switch (decision.step) {
        case KnobStep::OpenPopUp:
            showPoP(decision.set, decision.at);
            knob_.popUpOpened();
            break;
        case KnobStep::ClosePopUp:
            closePoP();
            knob_.setChosen(by);
            if (watchers.knobSetChosen) watchers.knobSetChosen(decision.set);
            break;
        case KnobStep::ShowSet:
            popWindow_->popview()->setIndex = decision.set;
            popWindow_->popview()->update();
            break;
        case KnobStep::ShowLayer:
            SetUI(nullptr);
            if (watchers.layerSwitched) watchers.layerSwitched(GetMIndex(), true);
            break;
        case KnobStep::Nothing: break;
    }
    if (decision.profileChanged && dataMayHaveChanged) dataMayHaveChanged();
}

void MainView::showPoP(int setIndex, _POINT at) {
    if (popWindow_) {
            popWindow_->close();
            popWindow_->deleteLater();
    }
    popWindow_ = PopWindow::newPopWindow(this, QRectF(QPointF(at.x, at.y), QSizeF(POP_VIEW_SIZE, POP_VIEW_SIZE)),
                                         setIndex, knobFunctionText);
    popWindow_->popview()->delegate = this;
}

void MainView::closePoP() {
    if (!popWindow_) return;
    const PopView* pop = popWindow_->popview();
    knob_.keepPopUp(pop->setIndex, pop->ptLocation.x(), pop->ptLocation.y());
    popWindow_->close();
    popWindow_->deleteLater();
    popWindow_ = nullptr;
}

void MainView::onKnodDClicked(int setIndex) {
    srView->setIndex = setIndex;
    if (srView->isHidden()) {
        showSrView(this, hideView, srView.get(), [this](SrView*) { onSrOK(); });
    } else {
        srView->initUI();
        srView->update();
    }
}

void MainView::onSrOK() {
    if (popWindow_) popWindow_->popview()->update();
}

void MainView::onPoP(uint8_t value, uint8_t kind, uint8_t) {
    follow(knob_.keyboardNotice(value, kind, popWindow_ != nullptr), KnobChooser::Keyboard);
}

void MainView::onExit() {
    closePoP();
    if (exitApplication)
        exitApplication();
    else
        QCoreApplication::quit();
}

}  // namespace keyloom

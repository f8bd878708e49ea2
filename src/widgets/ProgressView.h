// The progress panel shown while settings are written to the keyboard: a
// bar that fills from its left end as the work goes from 0 to 100 %, over
// the dimming overlay of the main window.
#pragma once
#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QWidget>

#include "widgets/WidgetSkin.h"

namespace keyloom {

class PngButton;

class ProgressView : public QWidget {
public:
    static constexpr int kWidth = 296;
    static constexpr int kHeight = 202;

    // A hidden panel of the standard size; LoadSkins builds its contents.
    // The step text and the Exit button are drawn with the skin.
    ProgressView(QWidget* parent, const WidgetSkin& skin);

    // Pictures "progress_nr.png" (background), "progress_ov.png" (the filled
    // look, drawn in the panel's own layout) and the Exit button.
    void LoadSkins();

    // 0..100; other values are ignored.
    void setProgress(int pos);
    int progress() const { return nPos; }

    // What is being written, on up to two lines under the bar; also the
    // panel's accessible description.
    void setStepText(const QString& text);
    QString stepText() const { return stepText_; }
    // Where the step text is drawn, top-left origin.
    QRectF stepTextRect() const;

    // Hides the overlay and the panel and forgets the overlay. It stops
    // nothing: whoever drives the bar carries on.
    void setClose();

    void setViewHide(QWidget* overlay) { viewHide = overlay; }
    QWidget* getViewHide() const { return viewHide; }

    // The bar and the part of it drawn filled, bottom-left origin.
    QRectF barRect() const { return rcBar; }
    QRectF filledRect() const;
    PngButton* exitButton() const { return btnExit; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    WidgetSkin skin_;
    PngButton* btnExit = nullptr;
    QImage imageNr;
    QImage imageDn;
    QRectF rcBar;
    int nPos = 0;
    QString stepText_;
    QPointer<QWidget> viewHide;
};

// Shows the panel over the overlay; the owner is not used.
void showProgress(QWidget* owner, QWidget* overlay, ProgressView* panel);

}  // namespace keyloom

// A one-line caption of the window (the keyboard's state, the data folder):
// an optional dot in a colour of its own, then the text, cut with "…" when it
// does not fit; the whole text is then its tooltip. Its accessible name is
// the whole text, so a screen reader never reads the cut one.
#pragma once
#include <QColor>
#include <QString>
#include <QWidget>
#include <optional>

#include "widgets/WidgetSkin.h"

namespace keyloom {

class CaptionView : public QWidget {
public:
    // frame: bottom-left origin in the parent; mode: where a long text is cut.
    // The text is in the skin's font and text colour.
    CaptionView(QWidget* parent, const WidgetSkin& skin, const QRectF& frame, Qt::TextElideMode mode = Qt::ElideRight);

    void setText(const QString& text);
    QString text() const { return text_; }
    // The text as drawn.
    QString shownText() const;
    // A dot before the text; none draws the text from the left edge.
    void setDot(std::optional<QColor> colour);
    std::optional<QColor> dot() const { return dot_; }
    void setTextColour(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    qreal textLeft() const;
    void refreshTooltip();

    QString text_;
    std::optional<QColor> dot_;
    TextStyle style_;
    Qt::TextElideMode mode_;
};

}  // namespace keyloom

// The single-line edit field and the read-only label every panel uses.
#pragma once
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QRectF>
#include <functional>
#include <optional>

#include "widgets/WidgetSkin.h"

namespace keyloom {

// A line edit drawn as a flat box: background, an optional 1-point border in
// frameColor, text vertically centred.
class MyTextFieldCell : public QLineEdit {
public:
    explicit MyTextFieldCell(QWidget* parent);

    void setFrameColor(std::optional<QColor> color);
    std::optional<QColor> frameColor() const { return frameColor_; }
    void setBackgroundColor(std::optional<QColor> color);
    // The field stops taking text that would make it longer than maxUnits
    // UTF-16 units or maxBytes UTF-8 bytes (0: no limit): a character is
    // taken whole or not at all, and nothing typed is dropped afterwards.
    void setLimits(int maxUnits, int maxBytes);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void centreTextVertically();

    std::optional<QColor> frameColor_;
    std::optional<QColor> background_;
};

// The text colour, or a dark one when it would not stand out on the background.
QColor readableTextColor(const QColor& text, const QColor& background);

// A new edit field at frame (bottom-left origin) in parent, in the skin's
// font and text colour. onChange, when given, hears of every change of the
// text (the parent as delegate).
MyTextFieldCell* newEdit(QWidget* parent, const WidgetSkin& skin, std::function<void(MyTextFieldCell*)> onChange,
                         const QRectF& frame);

// A new read-only, centred label in the skin's font, in the given colour
// (none: the skin's text colour).
QLabel* newTextView(QWidget* parent, const WidgetSkin& skin, std::optional<QColor> color, const QRectF& frame);

}  // namespace keyloom

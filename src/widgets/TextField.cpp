#include "widgets/TextField.h"

#include <QFontMetrics>
#include <QPainter>
#include <QValidator>

#include "widgets/Frame.h"
#include "widgets/Outline.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

// Refuses an edit that would pass the limits; QLineEdit then keeps the text as it was.
class LengthLimit : public QValidator {
public:
    LengthLimit(int maxUnits, int maxBytes, QObject* parent) : QValidator(parent), units_(maxUnits), bytes_(maxBytes) {}
    State validate(QString& input, int&) const override {
        if (units_ > 0 && input.size() > units_) return Invalid;
        if (bytes_ > 0 && input.toUtf8().size() > bytes_) return Invalid;
        return Acceptable;
    }

private:
    int units_;
    int bytes_;
};

}  // namespace

QColor readableTextColor(const QColor& text, const QColor& background) {
    // A skin's text colour made for dark panels would vanish on the light box.
    const auto luminance = [](const QColor& c) { return 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue(); };
    return std::abs(luminance(text) - luminance(background)) >= 90 ? text : QColor(30, 33, 38);
}

MyTextFieldCell::MyTextFieldCell(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setAlignment(Qt::AlignCenter);
    setAttribute(Qt::WA_MacShowFocusRect, false);
}

void MyTextFieldCell::setFrameColor(std::optional<QColor> color) {
    if (frameColor_ == color) return;
    frameColor_ = color;
    update();
}

void MyTextFieldCell::setBackgroundColor(std::optional<QColor> color) {
    if (background_ == color) return;
    background_ = color;
    update();
}

void MyTextFieldCell::setLimits(int maxUnits, int maxBytes) {
    const QValidator* old = validator();
    setValidator(maxUnits > 0 || maxBytes > 0 ? new LengthLimit(maxUnits, maxBytes, this) : nullptr);
    delete old;
}

void MyTextFieldCell::centreTextVertically() {
    const int line = QFontMetrics(font()).lineSpacing();
    const int inset = std::max(0, (height() - line) / 2);
    setTextMargins(2, inset, 2, inset);
}

void MyTextFieldCell::resizeEvent(QResizeEvent* event) {
    centreTextVertically();
    QLineEdit::resizeEvent(event);
}

void MyTextFieldCell::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        if (background_) painter.fillRect(rect(), *background_);
        if (frameColor_) {
            drawOutline(painter, QRectF(rect()), *frameColor_);
        }
    }
    QLineEdit::paintEvent(event);
}

MyTextFieldCell* newEdit(QWidget* parent, const WidgetSkin& skin, std::function<void(MyTextFieldCell*)> onChange,
                         const QRectF& frame) {
    auto* field = new MyTextFieldCell(parent);
    field->setFont(skin.font);
    field->setFrameColor(QColor(100, 100, 100));
    field->setBackgroundColor(QColor(250, 250, 250));
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, readableTextColor(skin.text, QColor(250, 250, 250)));
    palette.setColor(QPalette::Base, Qt::transparent);
    field->setPalette(palette);
    if (onChange)
        QObject::connect(field, &QLineEdit::textChanged, field, [field, onChange] { onChange(field); });
    keyloom::setFrame(field, frame);
    field->show();
    return field;
}

QLabel* newTextView(QWidget* parent, const WidgetSkin& skin, std::optional<QColor> color, const QRectF& frame) {
    auto* label = new QLabel(parent);
    label->setFont(skin.font);
    label->setAlignment(Qt::AlignCenter);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    label->setAutoFillBackground(false);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color.value_or(skin.text));
    label->setPalette(palette);
    keyloom::setFrame(label, frame);
    label->show();
    return label;
}

}  // namespace keyloom

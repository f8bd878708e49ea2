#include "ui/ModifierBoxes.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>

#include "config/language.h"
#include "keys/evdev.h"
#include "model/keyinfo.h"
#include "ui/Skin.h"
#include "widgets/Frame.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

constexpr qreal kLabelGap = 6;        // from a box to its label (get_right_text_rect)
constexpr qreal kLabelClearance = 8;  // from a label's end to the next box

struct BoxInfo {
    const char* label;
    const char* hint;  // the Linux key the box stands for, where its name does not say
    uint8_t bits;
};

// In the order of all(): Shift, Control, Option, Command.
constexpr BoxInfo kBoxes[] = {{"tc_mod_shift", nullptr, MOD_LSHIFT | MOD_RSHIFT},
                              {"tc_mod_control", nullptr, MOD_LCTRL | MOD_RCTRL},
                              {"tc_mod_option", "tc_mod_option_tip", MOD_LALT | MOD_RALT},
                              {"tc_mod_command", "tc_mod_command_tip", MOD_LGUI | MOD_RGUI}};


}  // namespace

void ModifierBoxes::create(QWidget* parent, const ButtonAction& click) {
    for (PngButton** box : {&btnShift, &btnCtrl, &btnOption, &btnCommand})
        *box = newPngButton2(nullptr, parent, uiSkin(), QStringLiteral("check_nr.png"), QStringLiteral("check_ov.png"),
                             QStringLiteral("check_dn.png"), true, QRectF(0, 0, 0, 0), {}, click);
    onRefreshText();
}

bool ModifierBoxes::contains(const PngButton* button) const {
    const auto boxes = all();
    return button && std::find(boxes.begin(), boxes.end(), button) != boxes.end();
}

uint8_t ModifierBoxes::modifierByte() const {
    // A ticked box sends the left-hand key unless it was set to the right-hand one.
    uint8_t bits = 0;
    const auto boxes = all();
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (!boxes[i]->getCheck()) continue;
        const uint8_t right = kBoxes[i].bits & 0xF0;
        bits |= (rightHand_ & right) ? right : (kBoxes[i].bits & 0x0F);
    }
    return bits;
}

void ModifierBoxes::setModifierByte(uint8_t bits) {
    const auto boxes = all();
    rightHand_ = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
        boxes[i]->setCheck((bits & kBoxes[i].bits) != 0);
        // Only the right-hand key: the box keeps it.
        if ((bits & kBoxes[i].bits) == (kBoxes[i].bits & 0xF0)) rightHand_ |= kBoxes[i].bits & 0xF0;
    }
}

void ModifierBoxes::toggle(PngButton* box) {
    const auto boxes = all();
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (boxes[i] != box) continue;
        box->setCheck(!box->getCheck());
        rightHand_ &= uint8_t(~kBoxes[i].bits);
    }
}

void ModifierBoxes::noteModifierKey(int hostKey, bool down) {
    const uint8_t bit = ModifierBitOfHostKey(hostKey);
    keysDown_ = down ? uint8_t(keysDown_ | bit) : uint8_t(keysDown_ & ~bit);
}

uint8_t ModifierBoxes::heldBits(Qt::KeyboardModifiers held) const {
    // On Linux desktops Qt's Meta is the Super key.
    static constexpr struct {
        Qt::KeyboardModifier qt;
        uint8_t left, right;
    } kHeld[] = {{Qt::ControlModifier, MOD_LCTRL, MOD_RCTRL},
                 {Qt::ShiftModifier, MOD_LSHIFT, MOD_RSHIFT},
                 {Qt::AltModifier, MOD_LALT, MOD_RALT},
                 {Qt::MetaModifier, MOD_LGUI, MOD_RGUI}};
    uint8_t bits = 0;
    for (const auto& m : kHeld) {
        if (!held.testFlag(m.qt)) continue;
        const bool onlyRight = (keysDown_ & m.right) && !(keysDown_ & m.left);
        bits |= onlyRight ? m.right : m.left;
    }
    return bits;
}

void ModifierBoxes::tickHeld(Qt::KeyboardModifiers held) {
    const uint8_t bits = heldBits(held);
    if (bits == 0) return;
    // A held modifier's box sends the side held; the other boxes stay as they are.
    uint8_t kept = modifierByte();
    for (const BoxInfo& box : kBoxes)
        if (bits & box.bits) kept &= uint8_t(~box.bits);
    setModifierByte(uint8_t(kept | bits));
}

void ModifierBoxes::setVisible(bool visible) {
    for (PngButton* box : all()) box->setVisible(visible);
}

bool ModifierBoxes::isVisible() const {
    return !btnShift->isHidden();
}

void ModifierBoxes::onRefreshText() {
    // The boxes draw no caption of their own: their labels name them.
    const auto boxes = all();
    for (size_t i = 0; i < boxes.size(); ++i) {
        boxes[i]->setLabel(uiText(kBoxes[i].label));
        if (kBoxes[i].hint) boxes[i]->setHint(uiText(kBoxes[i].hint));
    }
}

void ModifierBoxes::placeInRow(QPointF first, qreal gap, qreal right) {
    const QFontMetricsF metrics(get_font());
    const auto boxes = all();
    qreal widestLabel = 0;
    for (size_t i = 0; i + 1 < boxes.size(); ++i)
        widestLabel = std::max(widestLabel, metrics.horizontalAdvance(boxes[i]->label()));
    const qreal step = std::max(gap, std::ceil(kLabelGap + widestLabel + kLabelClearance));
    const qreal boxWidth = btnShift->width();
    const qreal rowWidth = boxes.size() * boxWidth + (boxes.size() - 1) * step + kLabelGap +
                           std::ceil(metrics.horizontalAdvance(btnCommand->label()));
    qreal x = std::min(first.x(), right - rowWidth);
    for (PngButton* box : boxes) {
        setFrame(box, QRectF(x, first.y(), box->width(), box->height()));
        x += boxWidth + step;
    }
}

void ModifierBoxes::drawLabels(QPainter& painter, qreal viewHeight) const {
    const TextStyle style = panelTextStyle(TextAlign::Left);
    const QFontMetricsF metrics(style.font);
    for (PngButton* box : all()) {
        if (box->isHidden()) continue;
        const QRectF line = get_right_text_rect(box, int(std::ceil(metrics.horizontalAdvance(box->label()))));
        myDrawText(painter, box->label(), style, line, viewHeight);
    }
}

}  // namespace keyloom

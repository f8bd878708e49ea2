// The four modifier tick boxes of a key assignment (Shift, Control, Option,
// Command) with their labels, accessible names and tooltips. Their bits are
// the keyboard's HID modifier byte: Control 0x01, Shift 0x02, Option the Alt
// bit 0x04, Command the GUI bit 0x08; a right-hand bit ticks the same box,
// which then keeps sending the right-hand key until it is clicked.
#pragma once
#include <QPointF>
#include <Qt>
#include <array>
#include <cstdint>

#include "widgets/PngButton.h"

class QPainter;

namespace keyloom {

class ModifierBoxes {
public:
    // Creates the boxes in parent, all at one place; the owner lays them out.
    void create(QWidget* parent, const ButtonAction& click);

    std::array<PngButton*, 4> all() const { return {btnShift, btnCtrl, btnOption, btnCommand}; }
    bool contains(const PngButton* button) const;

    uint8_t modifierByte() const;
    void setModifierByte(uint8_t bits);
    void clear() { setModifierByte(0); }
    // A click on a box: it toggles, and a ticked box sends the left-hand key.
    void toggle(PngButton* box);

    // Recording keys: the owner passes every modifier key press and release
    // (host key code), so the boxes know which side is held.
    void noteModifierKey(int hostKey, bool down);
    // The modifiers held with a key, as Qt reports them, as HID bits: the
    // right-hand bit where only the right-hand key is held, else the left.
    uint8_t heldBits(Qt::KeyboardModifiers held) const;
    // A recorded key ticks the boxes of the modifiers held with it; boxes
    // ticked by a click stay ticked (the user unticks them by a click).
    void tickHeld(Qt::KeyboardModifiers held);
    void setVisible(bool visible);
    bool isVisible() const;

    // Names and tooltips in the current language.
    void onRefreshText();
    // Lays the boxes in a row from first, evenly, at least gap points apart
    // and further when the widest label needs the room; a row that would end
    // past right starts further left.
    void placeInRow(QPointF first, qreal gap, qreal right);
    // Each label right of its box, in a view viewHeight high (bottom-left origin).
    void drawLabels(QPainter& painter, qreal viewHeight) const;

    PngButton* btnShift = nullptr;
    PngButton* btnCtrl = nullptr;
    PngButton* btnOption = nullptr;
    PngButton* btnCommand = nullptr;

private:
    uint8_t rightHand_ = 0;  // right-hand bits of ticked boxes that send the right-hand key
    uint8_t keysDown_ = 0;   // modifier keys held, both sides, as seen by noteModifierKey
};

}  // namespace keyloom

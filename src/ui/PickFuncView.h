// The function picker: the panel in which the user chooses what one key of
// the keyboard does (a key or combination, a media or office function, or a
// macro), or, in the per-key lighting mode, a colour for it. It edits the
// key's record in the current key table in place and then calls its opener
// back; saving and sending are the opener's business.
#pragma once
#include <QColor>
#include <QImage>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

#include "macro/macrotree.h"
#include "model/keyinfo.h"
#include "ui/DialogPanel.h"
#include "ui/KeyCapture.h"
#include "ui/ModifierBoxes.h"
#include "widgets/MyOutlineView.h"

class QLabel;

namespace keyloom {

class ComboBtn;
class HideView;
class MsgView;
class PickFuncView;
class PngButton;
struct _ST_KEYPRO;

// What a choice calls, with the picker: nColorPicked 0 means the record at
// nKeyIndex holds the new assignment, 1 or 2 that a swatch was chosen.
using PickFuncCallback = std::function<void(PickFuncView*)>;

// Page numbers.
constexpr int PICK_PAGE_KEY = 1;
constexpr int PICK_PAGE_MEDIA = 2;
constexpr int PICK_PAGE_MACRO = 3;

class PickFuncView : public DialogPanel, public MyOutlineViewDelegate {
public:
    static constexpr int WIDTH = 508;
    static constexpr int HEIGHT = 346;
    static constexpr double kRecordWindow = 2.0;  // seconds within which keys form a combination

    // A hidden picker centred over owner, which must have its final size.
    explicit PickFuncView(QWidget* owner);

    // Captions that follow the language: OK, Cancel, the tabs, the media list.
    void onRefreshText();
    void showPage(int page);
    int page() const { return page_; }
    void btnClick(PngButton* sender);
    // Rebuilds the macro tree from the macro folder and shows it.
    void loadMacroToList();
    // The colour the first swatch lights a key in (white until set).
    void setPaintColour(const QColor& colour);
    // Showing the picker opens it on the page of the key's current function,
    // showing that function (page 1 for one no page can show).
    void setVisible(bool visible) override;

    // The record being edited, looked up on every use: entry nKeyIndex of the
    // current profile's key table for its current layer; none when missing.
    _KEYINFO* editedKey() const;
    // That key table.
    _ST_KEYPRO* editedTable() const;

    uint32_t nKeyIndex = 0;
    uint32_t nShowColor = 0;    // 1: the two colour swatches are offered
    uint32_t nColorPicked = 0;  // 0 none, 1 first swatch, 2 second
    int32_t nVk[2] = {VK_NONE, VK_NONE};
    int32_t lastVK = VK_NONE;
    double lastVKTime = 0;
    QPointer<QObject> target;  // the call is made only while it lives
    PickFuncCallback callback;
    QString strFunction;  // the current-function line, rebuilt on every redraw
    WallClock clock = wallClockSeconds;
    outlineviewData* dataMacro() { return macroTree_.root(); }

    PngButton* btnKey = nullptr;    // page 1 tab
    PngButton* btnMedia = nullptr;  // page 2 tab
    PngButton* btnMacro = nullptr;  // page 3 tab
    PngButton* btnKeyFun = nullptr;
    ComboBtn* btnMediaFun = nullptr;
    ModifierBoxes modifiers;
    MyOutlineView* listMacro = nullptr;
    QLabel* lblNoMacros = nullptr;  // over the empty macro list: how to make a macro
    PngButton* btnSwatch[2] = {nullptr, nullptr};
    MsgView* msgView = nullptr;      // the picker's own notices (a macro that does not fit)
    HideView* msgOverlay = nullptr;  // behind it, over the picker

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool hasRecordingField() const override { return page_ == PICK_PAGE_KEY; }
    void onRecordingFieldChanged() override;

private:
    // What OK would write, as the controls of the selected page show it.
    struct Choice {
        int page = 0;
        int32_t keys[2] = {VK_NONE, VK_NONE};
        uint8_t modifiers = 0;
        int mediaEntry = -1;
        const outlineviewData* macroItem = nullptr;
        bool operator==(const Choice&) const = default;
    };

    void LoadSkins();
    void setSwatchColour(int swatch, const QColor& colour);
    // Sets the pages to the key's function and selects the page that shows it.
    void showKeyFunction(const _KEYINFO* key);
    // Selects the macro's item in the tree, opening its folders; false when it is not listed.
    bool selectMacro(uint32_t macroId);
    Choice currentChoice() const;
    // Records a key and ticks the boxes of the modifiers held with it.
    void recordKey(int32_t code, Qt::KeyboardModifiers held);
    void showMacroListOrHint();
    void commit();
    // Hides the picker and its overlay; reporting, calls the opener back.
    void close(bool report);

    MacroTree macroTree_{MacroIdRepair::Rewrite};  // the window repairs copied files, as the editor does
    int page_ = 0;
    Choice openedWith_;  // what the picker showed when it opened
};

// Opens the picker over the overlay for target, which callback is then made
// for. The opener sets nKeyIndex and nShowColor first.
void showPickFunc(QObject* target, HideView* overlay, PickFuncView* picker, PickFuncCallback callback);

}  // namespace keyloom

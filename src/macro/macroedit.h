// The macro editor's rules on its event list, apart from any window: the
// rows of a macro record and back, the tidy before saving, the device
// buffer's limit, saving a changed macro, and the recorder that turns key
// presses, releases and modifier changes into rows.
//
// The event list is an outline tree (outlineviewData) whose children are
// the rows in order: nFlagData is the row kind, nItemData the key or mouse
// code, or the pause in milliseconds.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/outline.h"
#include "base/reason.h"
#include "macro/stmacro.h"

namespace keyloom {

constexpr uint32_t MACRO_ROW_UP = 0;     // key or mouse button released
constexpr uint32_t MACRO_ROW_DOWN = 1;   // key or mouse button pressed
constexpr uint32_t MACRO_ROW_PAUSE = 2;  // a pause, nItemData milliseconds
constexpr uint32_t MACRO_ROW_MOUSE = 3;  // stored pointer action: low byte 247..251, count in the high byte
constexpr uint32_t MACRO_ROW_WHEEL = 4;  // stored wheel action: low byte 245 or 246, count in the high byte

// The text a row shows: the key's name, "%d ms", or the pointer or wheel
// action's text and count ("tc_macro_msg27", ... "tc_scrollup", ...).
std::string macro_row_text(uint32_t kind, uint64_t data);
// A new row with its text.
std::unique_ptr<outlineviewData> make_macro_row(uint32_t kind, uint64_t data);

// Empties list and adds one row per event (and a pause row after an event
// whose delay is above 1 ms), at most the device's event limit
// (hwParam.nMaxMacroItems, 170 when 0), up to the end marker.
void Macro_To_KeyList(const _ST_MACRO& macro, outlineviewData* list);
// Replaces the record's events with the rows: one event per row that is not
// a pause, the following pause as its delay, the last row's delay 1 when its
// code is 0. At most MACRO_ITEM_COUNT events; the repeat count stays.
void KeyList_To_Macro(const outlineviewData* list, _ST_MACRO* macro);

// A row as the rules below see it: its kind and value.
struct MacroRow {
    uint32_t kind = MACRO_ROW_PAUSE;
    uint64_t data = 0;
};
std::vector<MacroRow> macro_rows_of(const outlineviewData* list);

// Before saving: drops the rows before the first press, a press of a key (or
// mouse button) already held and a release of one not held, merges
// neighbouring pauses (capped by hwParam.nMaxDelay when not 0), and appends
// at the end the releases of the keys still held, the last pressed first,
// so a saved macro never leaves a key held. True when it changed anything.
bool checkMacro(outlineviewData* list);

// Rows of kinds 0 and 1.
int macro_key_rows(const outlineviewData* list);
// Rows that become events (all but pauses).
int macro_event_rows(const outlineviewData* list);
// The device buffer is full when 2 + 3 x key rows >= hwParam.nMacroBufferSize (from 64 key rows on).
bool is_macro_buffer_out(const outlineviewData* list);
// Whether rows, as the save will tidy them (releases of held keys
// appended), fit the device buffer (2 + 3 x key rows <= nMacroBufferSize)
// and the editor's event limit.
bool macro_rows_fit(const std::vector<MacroRow>& rows);
// Whether rows may go into the list before row `at` (at the end when at is
// not a row): the list is not full and fits with them, as saved.
bool macro_rows_fit(const outlineviewData* list, const std::vector<MacroRow>& added, int at = -1);

// Writes a macro whose events or settings are marked changed to path (its
// folder made when missing) and clears both marks; nothing when neither is
// set. False when the file could not be written (the marks then stay).
bool Flush_Dirty_Macro(_ST_MACRO* macro, const std::string& path, Reason* why = nullptr);

// The recorder. It adds rows to an event list while recording. A press is
// taken only when the list still fits with it and the releases of every key
// then held; when it does not, the recording ends with those releases
// (Outcome::Full, and recording() is false from then on).
class MacroRecorder {
public:
    enum class Outcome { Nothing, Recorded, Full };

    // Starts a recording into list, which it empties. autoDelay: record pauses.
    void start(outlineviewData* list, bool autoDelay, double now);
    void stop();
    bool recording() const { return list_ != nullptr; }
    int count() const { return nCount; }  // rows added by this recording

    // A key other than a modifier (host key code), Caps Lock included. A
    // press of a key already held (the desktop's auto-repeat) is ignored; a
    // release of a key not held too.
    Outcome keyDown(int code, double now);
    Outcome keyUp(int code, double now);
    // A modifier key (Shift, Control, Option, Command of either side, by its
    // host code) pressed or released. Left and right Shift, Option and Command
    // are told apart; right Control records as left Control (59).
    Outcome modifierChanged(int code, bool down, double now);
    // Called every 0.2 s while Command is held: a key pressed under Command
    // that has had no event for more than 0.5 s and whose release never came
    // is recorded as released.
    Outcome tick(double now);
    bool commandHeld() const;

    std::vector<int> commondList;  // keys pressed and not released
    std::vector<int> modifyList;   // modifiers pressed and not released

private:
    Outcome record(int code, bool press, double now);
    // Whether a press of code still leaves room for the releases of all held keys.
    bool pressFits(int code) const;
    // Ends the recording with the releases of every key held.
    Outcome finishFull(double now);
    void addRows(int code, bool press, double now, bool withPause);

    outlineviewData* list_ = nullptr;
    bool autoDelay_ = false;
    int nCount = 0;
    double lastTick = 0;
    std::vector<int> heldModifiers_;
    int lastVK = -1;  // the last key pressed while Command was held
    double lastVKTime = 0;
};

}  // namespace keyloom

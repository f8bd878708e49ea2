#include "macro/macroedit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "base/debug.h"
#include "base/texts.h"
#include "base/paths.h"
#include "keys/basic.h"
#include "macro/macrofile.h"
#include "model/hwparam.h"

namespace keyloom {

namespace {

constexpr int kDefaultMaxEvents = 170;  // hwParam.nMaxMacroItems when it is 0
constexpr int kBufferHeader = 2;        // bytes of a device slot before the events
constexpr int kBytesPerKeyEvent = 3;

// Host key codes of the modifiers and Caps Lock.
constexpr int kCommandRight = 54;
constexpr int kCommandLeft = 55;
constexpr int kControlLeft = 59;
constexpr int kControlRight = 62;
constexpr double kLostReleaseSeconds = 0.499;

std::string formatted(const char* fmt, const std::string& text, int count) {
    char buf[256];
    std::snprintf(buf, sizeof buf, fmt, text.c_str(), count);
    return buf;
}

const char* mouse_text_key(uint32_t lowByte) {
    switch (lowByte) {
        case 247: return "tc_macro_msg27";
        case 248: return "tc_macro_msg28";
        case 249: return "tc_macro_msg25";
        case 250: return "tc_macro_msg26";
        default: return nullptr;
    }
}

bool is_pause(const outlineviewData& row) { return row.nFlagData == MACRO_ROW_PAUSE; }
bool is_key_row(const outlineviewData& row) {
    return row.nFlagData == MACRO_ROW_UP || row.nFlagData == MACRO_ROW_DOWN;
}

// The events the editor shows and adds: the device's bound, never more than
// the record holds.
int max_editor_events() {
    const int bound = hwParam.nMaxMacroItems == 0 ? kDefaultMaxEvents : static_cast<int>(hwParam.nMaxMacroItems);
    return std::min(bound, MACRO_ITEM_COUNT);
}

uint32_t row_kind_of_event(const _ST_ITEM& item) {
    const uint32_t low = item.wVk & 0xFF;
    if (low == MACRO_WHEEL_UP || low == MACRO_WHEEL_DOWN) return MACRO_ROW_WHEEL;
    if (low >= 247 && low <= 251) return MACRO_ROW_MOUSE;
    return item.wStatus != 0 ? MACRO_ROW_DOWN : MACRO_ROW_UP;
}

uint32_t add_capped(uint64_t a, uint64_t b) {
    uint64_t sum = a + b;
    if (hwParam.nMaxDelay != 0) sum = std::min<uint64_t>(sum, hwParam.nMaxDelay);
    return static_cast<uint32_t>(std::min<uint64_t>(sum, UINT32_MAX));
}

_ST_ITEM event_of_row(const outlineviewData& row) {
    _ST_ITEM item{};
    if (is_key_row(row)) {
        item.wVk = static_cast<uint16_t>(row.nItemData & 0xFF);
        item.wStatus = row.nFlagData == MACRO_ROW_DOWN ? 1 : 0;
        if (item.wVk == 0) LOG("Capture keycode=0");
    } else {
        item.wVk = static_cast<uint16_t>(row.nItemData);
    }
    return item;
}

// What the tidy does with rows: which stay, and which keys are left held at
// the end, in the order they were pressed. A key or mouse button is held from
// its press to its release; a press of a held key and a release of a key not
// held change nothing on the keyboard and are dropped, and so is everything
// before the first press.
struct TidyPlan {
    std::vector<bool> keep;
    std::vector<uint64_t> held;
};

uint64_t key_of(const MacroRow& row) { return row.data & 0xFF; }

TidyPlan plan_tidy(const std::vector<MacroRow>& rows) {
    TidyPlan plan;
    plan.keep.assign(rows.size(), false);
    auto firstPress = std::find_if(rows.begin(), rows.end(), [](const MacroRow& r) { return r.kind == MACRO_ROW_DOWN; });
    for (size_t i = static_cast<size_t>(firstPress - rows.begin()); i < rows.size(); ++i) {
        const MacroRow& row = rows[i];
        auto held = std::find(plan.held.begin(), plan.held.end(), key_of(row));
        if (row.kind == MACRO_ROW_DOWN) {
            plan.keep[i] = held == plan.held.end();
            if (plan.keep[i]) plan.held.push_back(key_of(row));
        } else if (row.kind == MACRO_ROW_UP) {
            plan.keep[i] = held != plan.held.end();
            if (plan.keep[i]) plan.held.erase(held);
        } else {
            plan.keep[i] = true;
        }
    }
    return plan;
}

int64_t buffer_bytes(int keyRows) { return kBufferHeader + static_cast<int64_t>(kBytesPerKeyEvent) * keyRows; }

bool contains(const std::vector<int>& v, int code) { return std::find(v.begin(), v.end(), code) != v.end(); }
void remove_code(std::vector<int>& v, int code) { v.erase(std::remove(v.begin(), v.end(), code), v.end()); }
int recorded_modifier(int code) { return code == kControlRight ? kControlLeft : code; }

MacroRecorder::Outcome combine(MacroRecorder::Outcome a, MacroRecorder::Outcome b) {
    using O = MacroRecorder::Outcome;
    if (a == O::Full || b == O::Full) return O::Full;
    if (a == O::Recorded || b == O::Recorded) return O::Recorded;
    return O::Nothing;
}

}  // namespace

// ---- rows ----

std::string macro_row_text(uint32_t kind, uint64_t data) {
    const int high = static_cast<int>((data >> 8) & 0xFF);
    const uint32_t low = static_cast<uint32_t>(data & 0xFF);
    switch (kind) {
        case MACRO_ROW_UP:
        case MACRO_ROW_DOWN: return GetVKName(static_cast<int>(low)).value_or(std::string());
        case MACRO_ROW_PAUSE: {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%d ms", static_cast<int>(std::min<uint64_t>(data, INT32_MAX)));
            return buf;
        }
        case MACRO_ROW_MOUSE:
            if (low == 251) return GetText("tc_macro_msg29");
            if (const char* key = mouse_text_key(low)) return formatted("%s %d", GetText(key), high);
            return std::string();
        case MACRO_ROW_WHEEL:
            if (low == MACRO_WHEEL_UP) return formatted("%s %d", GetText("tc_scrollup"), high);
            if (low == MACRO_WHEEL_DOWN) return formatted("%s %d", GetText("tc_scrolldown"), high);
            return std::string();
        default: return std::string();
    }
}

std::unique_ptr<outlineviewData> make_macro_row(uint32_t kind, uint64_t data) {
    return outlineviewData::make(macro_row_text(kind, data), kind, data);
}

// ---- record <-> rows ----

void Macro_To_KeyList(const _ST_MACRO& macro, outlineviewData* list) {
    if (!list) return;
    list->array.clear();
    // The record's own end rule, so the editor shows what the device plays.
    const int count = std::min(get_macro_event_count(macro), max_editor_events());
    for (int i = 0; i < count; ++i) {
        const _ST_ITEM& item = macro.stData.stItem[i];
        list->addItem(make_macro_row(row_kind_of_event(item), item.wVk));
        if (item.dwDelay > 1) list->addItem(make_macro_row(MACRO_ROW_PAUSE, item.dwDelay));
    }
}

void KeyList_To_Macro(const outlineviewData* list, _ST_MACRO* macro) {
    if (!list || !macro) return;
    _ST_ITEM events[MACRO_ITEM_COUNT] = {};
    int count = 0;
    const auto& rows = list->array;
    for (size_t i = 0; i < rows.size() && count < MACRO_ITEM_COUNT; ++i) {
        if (is_pause(*rows[i])) continue;  // a pause with no event before it has nothing to delay
        _ST_ITEM item = event_of_row(*rows[i]);
        // Pauses in a row all delay the event before them, summed as the tidy would.
        if (i + 1 < rows.size() && is_pause(*rows[i + 1]))
            item.dwDelay = static_cast<uint32_t>(std::min<uint64_t>(rows[++i]->nItemData, UINT32_MAX));
        while (i + 1 < rows.size() && is_pause(*rows[i + 1])) item.dwDelay = add_capped(item.dwDelay, rows[++i]->nItemData);
        // An event of code 0 with no delay reads as the end of the list, wherever it stands.
        if (item.wVk == 0 && item.dwDelay == 0) item.dwDelay = 1;
        events[count++] = item;
    }
    std::copy(std::begin(events), std::end(events), macro->stData.stItem);
}

// ---- tidy ----

std::vector<MacroRow> macro_rows_of(const outlineviewData* list) {
    std::vector<MacroRow> rows;
    if (!list) return rows;
    for (const auto& row : list->array) rows.push_back({row->nFlagData, row->nItemData});
    return rows;
}

bool checkMacro(outlineviewData* list) {
    if (!list) return false;
    auto& rows = list->array;
    const TidyPlan plan = plan_tidy(macro_rows_of(list));
    bool changed = false;
    for (size_t i = rows.size(); i-- > 0;) {
        if (plan.keep[i]) continue;
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(i));
        changed = true;
    }
    size_t i = 0;
    while (i + 1 < rows.size()) {
        outlineviewData& a = *rows[i];
        if (!is_pause(a) || !is_pause(*rows[i + 1])) {
            ++i;
            continue;
        }
        a.nItemData = add_capped(a.nItemData, rows[i + 1]->nItemData);
        a.name = macro_row_text(a.nFlagData, a.nItemData);
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        changed = true;
    }
    for (auto held = plan.held.rbegin(); held != plan.held.rend(); ++held) {
        list->addItem(make_macro_row(MACRO_ROW_UP, *held));
        changed = true;
    }
    return changed;
}

// ---- buffer ----

int macro_key_rows(const outlineviewData* list) {
    if (!list) return 0;
    return static_cast<int>(std::count_if(list->array.begin(), list->array.end(), [](const auto& r) { return is_key_row(*r); }));
}

int macro_event_rows(const outlineviewData* list) {
    if (!list) return 0;
    return static_cast<int>(std::count_if(list->array.begin(), list->array.end(), [](const auto& r) { return !is_pause(*r); }));
}

bool is_macro_buffer_out(const outlineviewData* list) {
    return buffer_bytes(macro_key_rows(list)) >= static_cast<int64_t>(hwParam.nMacroBufferSize);
}

bool macro_rows_fit(const std::vector<MacroRow>& rows) {
    const TidyPlan plan = plan_tidy(rows);
    const int closing = static_cast<int>(plan.held.size());
    int keyRows = closing;
    int events = closing;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!plan.keep[i]) continue;
        keyRows += rows[i].kind == MACRO_ROW_UP || rows[i].kind == MACRO_ROW_DOWN ? 1 : 0;
        events += rows[i].kind != MACRO_ROW_PAUSE ? 1 : 0;
    }
    return buffer_bytes(keyRows) <= static_cast<int64_t>(hwParam.nMacroBufferSize) && events <= max_editor_events();
}

bool macro_rows_fit(const outlineviewData* list, const std::vector<MacroRow>& added, int at) {
    if (is_macro_buffer_out(list)) return false;
    std::vector<MacroRow> rows = macro_rows_of(list);
    const size_t pos = at >= 0 && static_cast<size_t>(at) < rows.size() ? static_cast<size_t>(at) : rows.size();
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(pos), added.begin(), added.end());
    return macro_rows_fit(rows);
}

// ---- saving ----

bool Flush_Dirty_Macro(_ST_MACRO* macro, const std::string& path, Reason* why) {
    if (!macro) return false;
    constexpr uint32_t marks = MACRO_DIRTY_EVENTS | MACRO_DIRTY_SETTINGS;
    if ((macro->dwDirty & marks) == 0) return true;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (!folder.empty()) make_sure_folder_exist(folder);  // a failure shows in the write below
    // The file holds the macro as saved: no marks of unsaved changes.
    _ST_MACRO saved = *macro;
    saved.dwDirty &= ~marks;
    if (!write_macro_file(path, &saved, why)) return false;
    macro->dwDirty = saved.dwDirty;
    return true;
}

// ---- recorder ----

void MacroRecorder::start(outlineviewData* list, bool autoDelay, double now) {
    list_ = list;
    if (list_) list_->array.clear();
    autoDelay_ = autoDelay;
    commondList.clear();
    modifyList.clear();
    heldModifiers_.clear();
    nCount = 0;
    lastVK = -1;
    lastVKTime = 0;
    lastTick = now;
}

void MacroRecorder::stop() { list_ = nullptr; }

bool MacroRecorder::commandHeld() const {
    return contains(heldModifiers_, kCommandLeft) || contains(heldModifiers_, kCommandRight);
}

MacroRecorder::Outcome MacroRecorder::keyDown(int code, double now) {
    if (!recording()) return Outcome::Nothing;
    if (contains(commondList, code)) {
        if (code == lastVK) lastVKTime = now;  // its repeats show it is still held
        return Outcome::Nothing;
    }
    const Outcome outcome = record(code, true, now);
    if (outcome != Outcome::Recorded) return outcome;  // an unrecorded press must not record a release
    commondList.push_back(code);
    if (commandHeld()) {
        lastVK = code;
        lastVKTime = now;
    }
    return outcome;
}

MacroRecorder::Outcome MacroRecorder::keyUp(int code, double now) {
    if (!recording()) return Outcome::Nothing;
    if (code == lastVK) lastVK = -1;
    if (!contains(commondList, code)) return Outcome::Nothing;
    remove_code(commondList, code);
    return record(code, false, now);
}

MacroRecorder::Outcome MacroRecorder::modifierChanged(int code, bool down, double now) {
    if (!recording()) return Outcome::Nothing;
    // Held by physical key: both Controls record as one code, yet letting go of
    // one of them leaves the other held.
    if (down && !contains(heldModifiers_, code)) heldModifiers_.push_back(code);
    if (!down) remove_code(heldModifiers_, code);

    std::vector<int> held;
    for (int c : heldModifiers_)
        if (!contains(held, recorded_modifier(c))) held.push_back(recorded_modifier(c));

    Outcome outcome = Outcome::Nothing;
    for (int c : held) {
        if (contains(modifyList, c)) continue;
        const Outcome pressed = record(c, true, now);
        if (pressed == Outcome::Full) return pressed;  // the recording has ended
        if (pressed == Outcome::Recorded) modifyList.push_back(c);
        outcome = combine(outcome, pressed);
    }
    if (!held.empty()) {
        auto gone = std::find_if(modifyList.begin(), modifyList.end(), [&](int c) { return !contains(held, c); });
        if (gone == modifyList.end()) return outcome;
        const int c = *gone;
        modifyList.erase(gone);
        return combine(outcome, record(c, false, now));
    }
    while (!modifyList.empty()) {
        const int c = modifyList.back();
        modifyList.pop_back();
        outcome = combine(outcome, record(c, false, now));
    }
    return outcome;
}

MacroRecorder::Outcome MacroRecorder::tick(double now) {
    if (!recording() || !commandHeld() || lastVK < 0) return Outcome::Nothing;
    if (!contains(commondList, lastVK) || now - lastVKTime <= kLostReleaseSeconds) return Outcome::Nothing;
    const int code = lastVK;
    remove_code(commondList, code);
    lastVK = -1;
    return record(code, false, now);
}

bool MacroRecorder::pressFits(int code) const {
    return macro_rows_fit(list_, {MacroRow{MACRO_ROW_DOWN, static_cast<uint64_t>(code)}});
}

MacroRecorder::Outcome MacroRecorder::record(int code, bool press, double now) {
    // A release always fits: room for it was kept when its key was pressed.
    if (press && !pressFits(code)) return finishFull(now);
    addRows(code, press, now, true);
    return Outcome::Recorded;
}

void MacroRecorder::addRows(int code, bool press, double now, bool withPause) {
    if (autoDelay_) {
        if (withPause && !list_->array.empty()) {
            // A hair over the truncation keeps 0.29 s from reading as 289 ms.
            const double ms = std::max(0.0, std::floor((now - lastTick) * 1000.0 + 1e-6));
            list_->addItem(make_macro_row(MACRO_ROW_PAUSE, static_cast<uint64_t>(std::min(ms, 4294967295.0))));
            ++nCount;
        }
        lastTick = now;
    }
    list_->addItem(make_macro_row(press ? MACRO_ROW_DOWN : MACRO_ROW_UP, static_cast<uint64_t>(code)));
    ++nCount;
}

MacroRecorder::Outcome MacroRecorder::finishFull(double now) {
    // The keys first, then the modifiers, each the last pressed first: Shift
    // and A held end with A released, then Shift.
    std::vector<int> releases(commondList.rbegin(), commondList.rend());
    releases.insert(releases.end(), modifyList.rbegin(), modifyList.rend());
    for (size_t i = 0; i < releases.size(); ++i) addRows(releases[i], false, now, i == 0);
    commondList.clear();
    modifyList.clear();
    heldModifiers_.clear();
    lastVK = -1;
    list_ = nullptr;
    return Outcome::Full;
}

}  // namespace keyloom

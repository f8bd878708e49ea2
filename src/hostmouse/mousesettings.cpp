#include "hostmouse/mousesettings.h"

#include <cmath>
#include <string>

#include "base/debug.h"
#include "hostmouse/GSettingsPointerStore.h"

namespace keyloom {

const float fMsSpeed[12] = {0.0f, 0.125f, 0.5f, 0.6875f, 0.875f, 1.0f, 1.5f, 2.0f, 2.5f, 3.0f, 0.0f, 0.0f};
const float fScrollSpeed[8] = {0.0f, 0.125f, 0.215f, 0.3125f, 0.5f, 0.75f, 1.0f, 5.0f};
const float fDbSpeed[11] = {5.0f, 3.0f, 2.0f, 1.8f, 1.7f, 1.4f, 1.1f, 0.8f, 0.5f, 0.2f, 0.15f};

namespace {

constexpr int kSliderSteps = 10;

int index_of(const float* table, int count, double value) {
    const float wanted = static_cast<float>(value);
    for (int i = 0; i < count; ++i)
        if (table[i] == wanted) return i;
    return -1;
}

double value_at(const float* table, int count, int index) { return index >= 0 && index < count ? table[index] : 0; }

PointerStore* g_store = nullptr;

bool unavailable(const char* name, const std::string& why) {
    SysLog("%s: not available: %s", name, why.c_str());
    return false;
}

}  // namespace

int MouseSpeedToIndex(double speed) { return index_of(fMsSpeed, 12, speed); }
int ScrollSpeedToIndex(double speed) { return index_of(fScrollSpeed, 8, speed); }
int DbSpeedToIndex(double seconds) { return index_of(fDbSpeed, 10, seconds); }
double IndexToMouseSpeed(int index) { return value_at(fMsSpeed, 12, index); }
double IndexToScrollSpeed(int index) { return value_at(fScrollSpeed, 8, index); }
double IndexToDbSpeed(int index) { return value_at(fDbSpeed, 11, index); }

int32_t to_fixed_16_16(double value) { return static_cast<int32_t>(value * 65536.0); }
double from_fixed_16_16(int32_t raw) { return raw / 65536.0; }
uint64_t secs_to_packed_nsecs(double seconds) { return static_cast<uint64_t>(seconds * 1e9); }
double packed_nsecs_to_secs(uint64_t nanoseconds) { return nanoseconds / 1e9; }

// The slider's steps 0..9 of fMsSpeed sit evenly over -1..1; a value between
// two steps sits between them in proportion, values beyond the ends at the ends.
double mouse_speed_to_store(double speed) {
    const int last = kSliderSteps - 1;
    double position = 0;
    if (speed >= fMsSpeed[last]) {
        position = last;
    } else if (speed > fMsSpeed[0]) {
        int i = 0;
        while (speed >= fMsSpeed[i + 1]) ++i;
        position = i + (speed - fMsSpeed[i]) / (fMsSpeed[i + 1] - fMsSpeed[i]);
    }
    return -1.0 + 2.0 * position / last;
}

double store_to_mouse_speed(double stored) {
    const int last = kSliderSteps - 1;
    double position = std::fmin(std::fmax((stored + 1.0) * last / 2.0, 0.0), double(last));
    if (std::fabs(position - std::round(position)) < 1e-9) position = std::round(position);
    const int i = static_cast<int>(position);
    if (i >= last) return fMsSpeed[last];
    return fMsSpeed[i] + (position - i) * (double(fMsSpeed[i + 1]) - fMsSpeed[i]);
}

namespace {

// The double-click time travels as nanoseconds; the store keeps milliseconds.
double seconds_to_store_ms(double seconds) { return std::round(secs_to_packed_nsecs(seconds) / 1e6); }
double store_ms_to_seconds(double ms) { return packed_nsecs_to_secs(static_cast<uint64_t>(std::llround(ms * 1e6))); }

}  // namespace

void UsePointerStore(PointerStore* store) { g_store = store; }

PointerStore& CurrentPointerStore() {
    static GSettingsPointerStore desktop;
    return g_store ? *g_store : desktop;
}

bool ReadMouseParamer(double* msSpeed, double* scrollSpeed, double* dbClickSeconds, int* primaryButton) {
    PointerStore& store = CurrentPointerStore();
    std::string why;
    if (!store.reachable(&why)) return unavailable("ReadMouseParamer", why);
    auto readOne = [&](PointerSetting setting) {
        std::optional<double> value = store.read(setting, &why);
        if (!value) unavailable(pointer_setting_name(setting), why);
        return value;
    };
    if (msSpeed) {
        if (auto v = readOne(PointerSetting::MouseSpeed)) {
            *msSpeed = store_to_mouse_speed(*v);
            SysLog("MouseSpeed = %f", *msSpeed);
        }
    }
    if (scrollSpeed) {
        if (auto v = readOne(PointerSetting::ScrollSpeed)) {
            *scrollSpeed = *v;
            SysLog("ScrollSpeed = %f", *scrollSpeed);
        }
    }
    if (dbClickSeconds) {
        if (auto v = readOne(PointerSetting::DoubleClickMs)) {
            *dbClickSeconds = store_ms_to_seconds(*v);
            SysLog("DbClickSpeed = %f", *dbClickSeconds);
        }
    }
    if (primaryButton) {
        if (auto v = readOne(PointerSetting::LeftHanded)) {
            *primaryButton = *v != 0 ? PRIMARY_BUTTON_RIGHT : PRIMARY_BUTTON_LEFT;
            SysLog("PrimaryButton = %d", *primaryButton);
        }
    }
    return true;
}

bool SetMouseParamer(const double* msSpeed, const double* scrollSpeed, const double* dbClickSeconds,
                     const int* primaryButton) {
    PointerStore& store = CurrentPointerStore();
    std::string why;
    if (!store.reachable(&why)) return unavailable("SetMouseParamer", why);
    bool all = true;
    auto writeOne = [&](PointerSetting setting, double value) {
        if (!store.write(setting, value, &why)) all = unavailable(pointer_setting_name(setting), why);
    };
    if (msSpeed) writeOne(PointerSetting::MouseSpeed, mouse_speed_to_store(*msSpeed));
    if (scrollSpeed) writeOne(PointerSetting::ScrollSpeed, *scrollSpeed);
    if (dbClickSeconds) writeOne(PointerSetting::DoubleClickMs, seconds_to_store_ms(*dbClickSeconds));
    if (primaryButton) {
        if (*primaryButton == PRIMARY_BUTTON_LEFT || *primaryButton == PRIMARY_BUTTON_RIGHT)
            writeOne(PointerSetting::LeftHanded, *primaryButton == PRIMARY_BUTTON_RIGHT ? 1 : 0);
        else
            all = unavailable(pointer_setting_name(PointerSetting::LeftHanded),
                              "no primary-button mode " + std::to_string(*primaryButton));
    }
    store.flush();
    return all;
}

// Mice and touchpads scroll the same way round, as one setting of the desktop
// would have them; a desktop without touchpad settings is set for its mice.
bool SetNaturalScroll(bool natural) {
    PointerStore& store = CurrentPointerStore();
    std::string why;
    if (!store.reachable(&why)) return unavailable("SetNaturalScroll", why);
    const bool mice = store.write(PointerSetting::MouseNaturalScroll, natural, &why);
    if (!mice) unavailable(pointer_setting_name(PointerSetting::MouseNaturalScroll), why);
    if (!store.write(PointerSetting::TouchpadNaturalScroll, natural, &why))
        LOG("%s: not set: %s", pointer_setting_name(PointerSetting::TouchpadNaturalScroll), why.c_str());
    store.flush();
    return mice;
}

bool ReadNaturalScroll(bool* natural) {
    PointerStore& store = CurrentPointerStore();
    std::string why;
    if (!store.reachable(&why)) return unavailable("ReadNaturalScroll", why);
    std::optional<double> value = store.read(PointerSetting::MouseNaturalScroll, &why);
    if (!value) return unavailable(pointer_setting_name(PointerSetting::MouseNaturalScroll), why);
    if (natural) *natural = *value != 0;
    return true;
}

}  // namespace keyloom

// Fuzzes the INI parser and every reader on every section and key it finds,
// including the profile-style functions on the global `ini`.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/INIFiler.h"
#include "base/PublicLib.h"
#include "base/debug.h"

namespace {

using namespace keyloom;

class CountingAlerts : public AlertSink {
public:
    void showMessage(const std::string&, const std::string&) override { ++shown; }
    bool askQuestion(const std::string&, const std::string&) override { return false; }
    void exitApp() override {}
    size_t shown = 0;
};

void DiscardLine(const char*, ...) {}

void ReadWithMembers(const INIFiler& f, const std::string& section, const std::string& key) {
    for (int radix : {10, 16}) {
        (void)f.getValueInt(section, key, -7, radix);
        uint8_t bytes[4];
        int32_t ints[40];
        (void)f.getValueBytes(section, key, radix, bytes, 4);
        (void)f.getValueInts(section, key, radix, ints, 40);
    }
    if (auto value = f.getStringValue(section, key)) {
        bool ok = false;
        (void)INIFiler::NSStringToInt(*value, 10, &ok);
        (void)INIFiler::NSStringToInt(*value, 16, &ok);
    }
}

void ReadWithProfileFunctions(const char* section, const char* key) {
    (void)GetPrivateProfileInt(section, key, 1, nullptr);
    (void)GetPrivateProfileInt_16(section, key, 1, nullptr);
    char small[5];
    char large[300];
    (void)GetPrivateProfileString(section, key, "", small, sizeof small, nullptr);
    (void)GetPrivateProfileString(section, key, "", large, sizeof large, nullptr);
    (void)ParseStringToArray(large, ", ", nullptr, 0, 10);
    (void)GetIniColor(section, key, nullptr, 0x123456);
    uint32_t colours[12];
    (void)GetIniColorArray(section, key, nullptr, colours, 12);
    uint8_t bytes[8];
    int32_t ints[8];
    (void)GetArray(section, key, nullptr, bytes, 8, 16);
    (void)GetArray(section, key, nullptr, nullptr, 0, 0);
    (void)GetArray_int(section, key, nullptr, ints, 8, 10);
    _RECT rect{};
    _POINT point{};
    (void)GetRect(&rect, section, key, nullptr);
    (void)GetPoint(&point, 1, 2, section, key, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CountingAlerts alerts;
    PubLib::setAlertSink(&alerts);
    SetSysLogSink(&DiscardLine);

    INIFiler parsed;
    parsed.initFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    ini = &parsed;
    for (const auto& section : parsed.content) {
        for (const auto& [key, value] : section->dct) {
            ReadWithMembers(parsed, section->name, key);
            ReadWithProfileFunctions(section->name.c_str(), key.c_str());
        }
        ReadWithMembers(parsed, section->name, "missing");
    }
    parsed.Print();
    ini = nullptr;
    ReadWithProfileFunctions("any", "key");  // no file: defaults only
    return 0;
}

// keyloomctl encode: the commands an apply would send, without a keyboard.
#include <cstdio>
#include <cstring>

#include "cmd_device.h"
#include "device/apply.h"
#include "device/apply_sequence.h"
#include "base/debug.h"
#include "report/json_records.h"

namespace keyloom::ctl {
namespace {

std::string HexCode(uint32_t code) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", code);
    return buf;
}

// Records what the apply sends; every send succeeds and nothing waits.
class RecordingChannel : public ApplyChannel {
public:
    bool send(const uint8_t* payload, int size) override {
        Json c;
        c["command"] = HexString(payload, 1);
        c["name"] = ApplyCommandName(payload[0]);
        c["length"] = size;
        c["payload"] = HexString(payload, static_cast<size_t>(size));
        commands.push_back(c);
        return true;
    }
    int32_t lastError() const override { return 0; }
    void pause(int) override {}
    void notify(int progress) override { this->progress.push_back(progress); }
    void keyTables(const uint32_t* matrix, const uint8_t* area, int slots) override {
        Json codes = Json::array();
        for (int i = 0; i < KEY_COUNT; ++i) codes.push_back(HexCode(matrix[i]));
        tables["matrix"] = codes;
        tables["macroSlots"] = slots;
        tables["macroArea"] = HexString(area, MACRO_AREA_SIZE);
    }

    Json commands = Json::array();
    Json progress = Json::array();
    Json tables = Json::object();
};

}  // namespace

int cmd_encode(const Options& opt, const DeviceOptions& dev) {
    const std::optional<int32_t> flags = parse_flags(dev.flags);
    if (!flags) return fail("--flags takes a hexadecimal number, e.g. 8007");
    if (!load_program_data(opt, StoredDataMode::ReadOnly)) return 1;
    std::unique_ptr<ApplySnapshot> snapshot = TakeApplySnapshot(*flags);
    if (!snapshot) return fail("No current profile");

    RecordingChannel channel;
    ApplyOptions options;
    options.reportProgress = (*flags & APPLY_NOISY) != 0;
    const bool ok = RunApplySequence(*snapshot, *flags, channel, options);

    Json out;
    char flagText[16];
    std::snprintf(flagText, sizeof flagText, "%04x", static_cast<unsigned>(*flags));
    out["flags"] = flagText;
    out["profile"] = snapshot->profile.dwID;
    out["layer"] = snapshot->profile.nLayer;
    out["keyPro"] = snapshot->keypro ? Json(snapshot->keypro->dwID) : Json(nullptr);
    out["ok"] = ok;
    out["matrix"] = channel.tables.value("matrix", Json(nullptr));
    out["macroSlots"] = channel.tables.value("macroSlots", Json(0));
    out["macroArea"] = channel.tables.value("macroArea", Json(nullptr));
    out["commands"] = channel.commands;
    out["progress"] = channel.progress;
    print_json(out);
    return ok ? 0 : 1;
}

}  // namespace keyloom::ctl

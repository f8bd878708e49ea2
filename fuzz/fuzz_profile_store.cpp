// Fuzzes the "pro.dct" loader and the exchange-file (".duk") reader: only
// profiles are listed, what we write back loads the same, and no macro name
// that could leave the macro folder is ever offered for a file.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/debug.h"
#include "base/paths.h"
#include "store/profile_store.h"

namespace {

using namespace keyloom;

void DiscardLine(const char*, ...) {}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void FuzzProfileFile(const std::string& bytes) {
    init_profile_list();
    int loaded = load_profiles_from_bytes(bytes);
    Check(loaded == get_profile_count());
    Check(loaded <= PROFILE_FILE_SLOTS);
    for (int i = 0; i < loaded; ++i) Check(is_profile_slot(*get_profile_by_index(i)));
    const _ST_PROFILE* current = get_current_profile();
    Check(!current || get_index_by_profile(current) >= 0);
    (void)is_profile_file_sound(bytes);

    // What we write is sound and loads back to the same list and current
    // profile. The image's storage is kept between runs (see fuzz_keypro.cpp).
    static std::string file;
    build_profile_file(file);
    Check(is_profile_file_sound(file));
    uint32_t currentId = current ? current->dwID : 0;
    init_profile_list();
    Check(load_profiles_from_bytes(file) == loaded);
    Check(get_current_profile() ? get_current_profile()->dwID == currentId : currentId == 0);
    destroy_profile_list();
}

// Small inputs reach the macro slots: the first 48 bytes are the set's head,
// the rest lands at the first macro slot.
void FuzzExchange(const uint8_t* data, size_t size) {
    std::string bytes(EXCHANGE_FILE_SIZE, '\0');
    size_t head = std::min(size, offsetof(_ST_KEYPRO, stKey));
    std::memcpy(bytes.data(), data, head);
    size_t rest = std::min(size - head, EXCHANGE_FILE_SIZE - offsetof(_ST_EXCHANGE, stMacro));
    std::memcpy(bytes.data() + offsetof(_ST_EXCHANGE, stMacro), data + head, rest);

    Reason refusal;
    auto content = parse_exchange(bytes, &refusal);
    // A refusal always says why; what is taken is a set the program can use.
    if (!content) {
        Check(!refusal.empty());
        return;
    }
    const _ST_KEYPRO& set = content->stKeyPro;
    Check(set.dwID != 0 && set.nLayer >= 0 && set.nLayer <= 2);
    Check(std::memchr(set.szName, 0, sizeof set.szName) != nullptr);
    for (const _KEYINFO& key : set.stKey) Check(FUN_CLASS(key.dwFunID) <= FUN_DEVICE);
    Check(content->macros.size() + content->skipped.size() <= EXCHANGE_MACRO_SLOTS);
    for (const ExchangeMacro& m : content->macros) {
        Check(is_safe_name(m.name));
        Check(m.name.size() <= MACRO_NAME_MAX);
        Check(m.record.dwMagic == MACRO_MAGIC);
        Check(m.record.byBufferID == 0);
    }
    Check(!parse_exchange(bytes.substr(0, EXCHANGE_FILE_SIZE - 1)).has_value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LOG = &DiscardLine;
    SetSysLogSink(&DiscardLine);
    FuzzProfileFile(std::string(reinterpret_cast<const char*>(data), size));
    FuzzExchange(data, size);
    return 0;
}

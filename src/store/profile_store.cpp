#include "store/profile_store.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/debug.h"
#include "base/fileio.h"
#include "base/paths.h"

namespace keyloom {
namespace {

const size_t SLOT_SIZE = sizeof(_ST_PROFILE);

size_t slot_offset(int slot) { return PROFILE_FILE_HEADER + SLOT_SIZE * static_cast<size_t>(slot); }

// A slot of the file as a record; bytes the file does not have count as zero.
void read_slot(const std::string& bytes, int slot, _ST_PROFILE& record) {
    std::memset(&record, 0, sizeof record);
    size_t at = slot_offset(slot);
    if (at < bytes.size()) std::memcpy(&record, bytes.data() + at, std::min(SLOT_SIZE, bytes.size() - at));
}

// Errors that mean the file was opened but its bytes did not get there.
bool is_write_error(int code) { return code == ENOSPC || code == EIO || code == EDQUOT || code == EFBIG; }

}  // namespace

std::string get_profile_file_path() { return get_data_path() + "pro.dct"; }

bool is_profile_slot(const _ST_PROFILE& record) { return record.dwMagic == PROFILE_MAGIC && record.dwID != 0; }

int load_profiles_from_bytes(const std::string& bytes) {
    uint32_t storedId = 0;
    if (bytes.size() >= sizeof storedId) std::memcpy(&storedId, bytes.data(), sizeof storedId);
    if (bytes.size() <= sizeof storedId) return 0;

    // The current profile points into the list about to be replaced.
    set_current_profile(nullptr);
    clear_profile_list();
    auto record = std::make_unique<_ST_PROFILE>();
    int loaded = 0;
    for (int slot = 0; slot < PROFILE_FILE_SLOTS; ++slot) {
        read_slot(bytes, slot, *record);
        if (is_profile_slot(*record) && add_new_profile_to_list(record.get())) ++loaded;
    }
    if (_ST_PROFILE* current = storedId ? get_profile_by_id(storedId) : nullptr) set_current_profile(current);
    return loaded;
}

int load_profile_from_file() {
    auto bytes = read_file_bytes(get_profile_file_path(), PROFILE_FILE_SIZE + 1);
    if (!bytes) {
        LOG("load pro file error");
        return 0;
    }
    return load_profile_image(*bytes);
}

int load_profile_image(const std::string& bytes) {
    if (bytes.size() < sizeof(uint32_t)) LOG("read pro file error");
    if (bytes.size() <= sizeof(uint32_t)) {
        LOG("read pro 2 file error");
        return 0;
    }
    return load_profiles_from_bytes(bytes.substr(0, PROFILE_FILE_SIZE));
}

std::string build_profile_file() { return ImageBytes(PROFILE_FILE_SIZE, write_profile_image); }

void build_profile_file(std::string& image) { ImageBytesInto(image, PROFILE_FILE_SIZE, write_profile_image); }

void write_profile_image(const ImagePieces& put) {
    const _ST_PROFILE* current = get_current_profile();
    uint32_t currentId = current ? current->dwID : 0;
    put(0, &currentId, sizeof currentId);
    int count = std::min(get_profile_count(), PROFILE_FILE_SLOTS);
    for (int i = 0; i < count; ++i) {
        if (const _ST_PROFILE* p = get_profile_by_index(i)) put(slot_offset(i), p, SLOT_SIZE);
    }
}

bool save_profile_to_file() {
    std::string image = build_profile_file();
    make_sure_folder_exist(get_data_path());
    FileError err;
    if (!write_file_atomic(get_profile_file_path(), image.data(), image.size(), &err)) {
        LOG("%s", is_write_error(err.code) ? "write profile error" : "save pro file error");
        LOG("%s: %s", get_profile_file_path().c_str(), err.text.c_str());
        return false;
    }
    return true;
}

Reason profile_file_damage(const std::string& bytes) {
    const std::string whole = std::to_string(PROFILE_FILE_SIZE);
    if (bytes.size() > PROFILE_FILE_SIZE) return MakeReason("tc_err_larger_than", {whole});
    if (bytes.size() != PROFILE_FILE_SIZE) return MakeReason("tc_damage_shorter", {whole});
    if (!is_all_zero(bytes.data() + sizeof(uint32_t), sizeof(uint32_t))) return MakeReason("tc_damage_header");
    for (int slot = 0; slot < PROFILE_FILE_SLOTS; ++slot) {
        const char* at = bytes.data() + slot_offset(slot);
        uint32_t head[2];  // dwMagic, dwID
        std::memcpy(head, at, sizeof head);
        bool profile = head[0] == PROFILE_MAGIC && head[1] != 0;
        if (!profile && !is_all_zero(at, SLOT_SIZE)) return MakeReason("tc_damage_slot", {std::to_string(slot)});
    }
    return {};
}

bool is_profile_file_sound(const std::string& bytes) { return profile_file_damage(bytes).empty(); }

}  // namespace keyloom

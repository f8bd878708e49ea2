#include "model/st_keypro.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/debug.h"
#include "base/fileio.h"
#include "base/paths.h"
#include "model/unique_id.h"

namespace keyloom {

_KEYINFO g_defKEY[KEY_COUNT]{};
RecordList<_ST_KEYPRO> lstKeyPro(KEYPRO_FILE_SLOTS);

namespace {

constexpr size_t SLOT_SIZE = sizeof(_ST_KEYPRO);
constexpr int LAYER_LAST = 2;  // M3



// Disk full and I/O faults happen while writing; anything else kept the file
// from being created at all.
bool is_write_failure(int code) { return code == ENOSPC || code == EDQUOT || code == EIO || code == EFBIG; }

}  // namespace

void init_keypro_list() { lstKeyPro.create(); }

void clear_keypro_list() { lstKeyPro.clear(); }

void destroy_keypro_list() { lstKeyPro.destroy(); }

int get_keypro_count() { return lstKeyPro.count(); }

std::string keypro_name(const _ST_KEYPRO& set) { return std::string(set.szName, strnlen(set.szName, sizeof set.szName)); }

void new_keypro(const char* name, _ST_KEYPRO* dst) {
    if (!name || !dst) return;
    std::memset(dst, 0, sizeof *dst);
    dst->dwID = static_cast<int32_t>(create_unique_id());
    ResetKeyPro(dst);
    copy_record_name(dst->szName, KEYPRO_NAME_SIZE, name);
}

void ResetKeyPro(_ST_KEYPRO* keypro) {
    if (keypro) std::memcpy(keypro->stKey, g_defKEY, sizeof keypro->stKey);
}

_ST_KEYPRO* add_new_keypro_to_list(const _ST_KEYPRO* keypro) { return keypro ? lstKeyPro.add(*keypro) : nullptr; }

bool keypro_list_full() { return lstKeyPro.full(); }

_ST_KEYPRO* get_keypro_by_id(uint32_t id) { return lstKeyPro.find_by_id(id); }

_ST_KEYPRO* get_keypro_by_index(int index, int layer) {
    if (index < 0) return nullptr;
    for (int i = 0; _ST_KEYPRO* set = lstKeyPro.at(i); ++i) {
        if (layer != -1 && set->nLayer != layer) continue;
        if (index-- == 0) return set;
    }
    return nullptr;
}

_ST_KEYPRO* get_keypro_by_name(int layer, const std::string& name) {
    for (int i = 0; _ST_KEYPRO* set = get_keypro_by_index(i, layer); ++i)
        if (keypro_name(*set) == name) return set;
    return nullptr;
}

void delete_keypro_by_id(uint32_t id) { lstKeyPro.remove(lstKeyPro.find_by_id(id)); }

KeyProFileImage parse_keypro_file(std::string_view bytes) {
    KeyProFileImage image;
    if (bytes.size() > KEYPRO_FILE_SIZE) {
        image.unusable = MakeReason("tc_err_larger_than", {std::to_string(KEYPRO_FILE_SIZE)});
        bytes = bytes.substr(0, KEYPRO_FILE_SIZE);
    }
    // A short file holds the slots it reaches; the missing bytes count as zero.
    for (size_t offset = 0; offset < bytes.size(); offset += SLOT_SIZE) {
        _ST_KEYPRO set{};
        std::memcpy(&set, bytes.data() + offset, std::min(SLOT_SIZE, bytes.size() - offset));
        if (set.dwID == 0) continue;
        if (set.nLayer < 0 || set.nLayer > LAYER_LAST) {
            if (image.unusable.empty()) image.unusable = MakeReason("tc_damage_layer", {std::to_string(set.nLayer)});
            continue;
        }
        set.szName[KEYPRO_NAME_SIZE - 1] = '\0';  // every reader may rely on the NUL
        image.sets.push_back(set);
    }
    if (image.sets.empty() && image.unusable.empty() && !is_all_zero(bytes.data(), bytes.size()))
        image.unusable = MakeReason("tc_damage_no_set");
    return image;
}

std::string build_keypro_file() { return ImageBytes(KEYPRO_FILE_SIZE, write_keypro_image); }

void build_keypro_file(std::string& image) { ImageBytesInto(image, KEYPRO_FILE_SIZE, write_keypro_image); }

void write_keypro_image(const ImagePieces& put) {
    size_t count = std::min<size_t>(static_cast<size_t>(get_keypro_count()), KEYPRO_FILE_SLOTS);
    for (size_t i = 0; i < count; ++i) put(i * SLOT_SIZE, lstKeyPro.at(static_cast<int>(i)), SLOT_SIZE);
}

std::string get_keypro_file_path() { return get_data_path() + "keypro.dct"; }

void load_all_keypro() {
    // One byte more than a whole file tells an oversized file from a full one.
    auto bytes = read_file_bytes(get_keypro_file_path(), KEYPRO_FILE_SIZE + 1);
    if (!bytes) {
        LOG("load keypro file error");
        return;
    }
    load_keypro_image(*bytes);
}

Reason load_keypro_image(const std::string& bytes) {
    if (bytes.empty()) {
        LOG("read keypro file error");
        return {};
    }
    KeyProFileImage image = parse_keypro_file(bytes);
    if (image.sets.empty() && !image.unusable.empty()) {
        LOG("read keypro file error");
        return image.unusable;
    }
    init_keypro_list();
    for (const _ST_KEYPRO& set : image.sets) lstKeyPro.add(set);
    return image.unusable;
}

void save_all_keypro() {
    std::string image = build_keypro_file();
    FileError err;
    if (!write_file_atomic(get_keypro_file_path(), image.data(), image.size(), &err))
        LOG(is_write_failure(err.code) ? "write keypro error" : "save pro file error");
}

std::optional<std::string> backup_keypro_list(const char* reason) {
    return keep_backup_bytes(get_keypro_file_path(), build_keypro_file(), reason);
}

}  // namespace keyloom

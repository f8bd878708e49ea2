// Fuzzes the "keypro.dct" reader: whatever the bytes, the sets taken from them
// are sound, and writing them out and reading them back gives the same sets.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/debug.h"
#include "model/st_keypro.h"

namespace {

using namespace keyloom;

void DiscardLine(const char*, ...) {}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SetSysLogSink(&DiscardLine);
    KeyProFileImage image = parse_keypro_file(std::string_view(reinterpret_cast<const char*>(data), size));
    Check(image.sets.size() <= KEYPRO_FILE_SLOTS);
    for (const _ST_KEYPRO& set : image.sets) {
        Check(set.dwID != 0);
        Check(set.nLayer >= 0 && set.nLayer <= 2);
        Check(set.szName[KEYPRO_NAME_SIZE - 1] == '\0');
    }

    init_keypro_list();
    for (const _ST_KEYPRO& set : image.sets) Check(add_new_keypro_to_list(&set) != nullptr);
    // Every set is reached through its layer, and the layers add up to the whole list.
    int reached = 0;
    for (int layer = 0; layer < 3; ++layer)
        for (int i = 0; const _ST_KEYPRO* set = get_keypro_by_index(i, layer); ++i) {
            Check(set->nLayer == layer);
            ++reached;
        }
    Check(reached == get_keypro_count());
    Check(get_keypro_by_index(get_keypro_count(), -1) == nullptr);

    // What we write, we read back unchanged and without complaint. The image's
    // storage is kept between runs: a fresh half-megabyte each time would cost
    // the campaign more in page faults than the checks themselves.
    static std::string file;
    build_keypro_file(file);
    Check(file.size() == KEYPRO_FILE_SIZE);
    KeyProFileImage again = parse_keypro_file(file);
    Check(again.unusable.empty());
    Check(again.sets.size() == image.sets.size());
    for (size_t i = 0; i < again.sets.size(); ++i)
        Check(std::memcmp(&again.sets[i], &image.sets[i], sizeof(_ST_KEYPRO)) == 0);
    destroy_keypro_list();
    return 0;
}

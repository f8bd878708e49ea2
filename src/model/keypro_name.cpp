#include "model/keypro_name.h"

#include "model/st_keypro.h"

namespace keyloom {

NameCheck check_keypro_name(const std::string& name, int layer, const _ST_KEYPRO* except) {
    // The stored field keeps one byte for its terminating NUL.
    const NameCheck check = check_name(name, KEYPRO_NAME_SIZE - 1);
    if (check != NameCheck::Ok) return check;
    for (int i = 0; const _ST_KEYPRO* set = get_keypro_by_index(i, layer); ++i) {
        if (set == except) continue;
        if (name == keypro_name(*set)) return NameCheck::Taken;
    }
    return NameCheck::Ok;
}

}  // namespace keyloom

#include "control/restore.h"

#include <algorithm>
#include <string>

#include "base/texts.h"
#include "model/st_keypro.h"
#include "store/reset.h"

namespace keyloom {

Reason RestoreQuestion(const _ST_KEYPRO* shown, int mode) {
    const std::string table = shown ? keypro_name(*shown) : std::string();
    return MakeReason("tc_msg5", {table, LayerName(std::max(mode, 0))});
}

void RestoreDefaults(_ST_PROFILE& profile, _ST_KEYPRO* shown) {
    ResetProfile(&profile);
    ResetKeyPro(shown);
}

}  // namespace keyloom

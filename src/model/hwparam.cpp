#include "model/hwparam.h"

namespace keyloom {

_HW_PARAM hwParam{};

bool InitKey() {
    hwParam = _HW_PARAM{};
    hwParam.nHwVersion = 1;
    hwParam.nMacroBufferSize = 192;
    hwParam.nMaxRepeat = 255;
    return true;
}

void InitFNMatrix() {}

}  // namespace keyloom

#include "config/init.h"

#include "config/gvar.h"
#include "model/hwparam.h"

namespace keyloom {

bool Init() {
    InitGvar();
    InitFNMatrix();
    return InitKey();
}

}  // namespace keyloom

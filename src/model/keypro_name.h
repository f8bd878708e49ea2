// The check of a name typed for a key table: a usable name that fits the
// record and that no other table of the same mode has (the chooser could
// not tell them apart).
#pragma once
#include <string>

#include "base/paths.h"

namespace keyloom {

struct _ST_KEYPRO;

// except: the table being renamed, which may keep its own name.
NameCheck check_keypro_name(const std::string& name, int layer, const _ST_KEYPRO* except);

}  // namespace keyloom

// JSON views of the configuration records, named as the record fields.
#pragma once
#include <nlohmann/json.hpp>

#include "config/gvar.h"
#include "model/hwparam.h"
#include "model/keyinfo.h"

namespace keyloom::ctl {

using Json = nlohmann::ordered_json;

Json to_json(const _RECT& rc);
Json to_json(const _POINT& pt);
Json to_json(const ST_COMBO& combo);
Json to_json(const _KEYINFO& key);
Json to_json(const _LED_OPT& opt);
Json to_json(const _HW_PARAM& hw);
// Every gVar field in declaration order, with the lighting modes, languages and game-mode groups.
Json gvar_to_json(const _GVAR& g);
// A text field read within its bounds, whether or not it holds its NUL.
std::string bounded_text(const char* field, size_t size);

}  // namespace keyloom::ctl

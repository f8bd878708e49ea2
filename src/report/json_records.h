// JSON views of the configuration records, named as the record fields, as
// keyloomctl prints them and the session bus service answers them.
#pragma once
#include <nlohmann/json.hpp>

#include "config/gvar.h"
#include "model/hwparam.h"
#include "macro/stmacro.h"
#include "model/keyinfo.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"

namespace keyloom::report {

using Json = nlohmann::ordered_json;

Json to_json(const _RECT& rc);
Json to_json(const _POINT& pt);
Json to_json(const ST_COMBO& combo);
Json to_json(const _KEYINFO& key);
Json to_json(const _LED_OPT& opt);
Json to_json(const _HW_PARAM& hw);
// Every gVar field in declaration order, with the lighting modes, languages and game-mode groups.
Json gvar_to_json(const _GVAR& g);
// The stored-data views keyloomctl profiles prints.
Json profile_to_json(const _ST_PROFILE& p, bool current);
// A set with its non-empty key rows: slot, function, macro, combination and the key's text.
Json keypro_to_json(const _ST_KEYPRO& set);
// A macro's id, name and number of events.
Json macro_summary_json(const _ST_MACRO& m);
// The text keyloomctl prints: indented, bytes that are not UTF-8 as U+FFFD.
std::string json_text(const Json& j);
// Prints json_text on standard output, with a line end.
void print_json(const Json& j);
// A text field read within its bounds, whether or not it holds its NUL.
std::string bounded_text(const char* field, size_t size);

}  // namespace keyloom::report

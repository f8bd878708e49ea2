// What the key map shows of the key table and the lighting: which keys do
// something else than their factory function, and the keys' own colours in
// the per-key lighting mode, which a click on the map paints.
#pragma once
#include <cstdint>

namespace keyloom {

struct _ST_ADV;
struct _ST_KEYPRO;
struct _ST_PROFILE;

// The keys the map shows: the model's, at most a table's rows.
int KeyMapKeys();
// Whether the table gives the key another function than the factory's.
bool KeyReassigned(const _ST_KEYPRO& set, int key);
// The key colours the map shows: the colour group's in the per-key lighting
// mode; none otherwise, every key unlit.
const uint32_t* ShownKeyColours(const _ST_ADV& lighting);
// A key painted in the profile's colour group (none changes without a valid group).
void PaintKey(_ST_ADV& lighting, int key, uint32_t colour);

}  // namespace keyloom

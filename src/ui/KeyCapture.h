// The timing, the two-key recording and the key field the dialogs that take
// typed keys share.
#pragma once
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <functional>

namespace keyloom {

// Seconds since 1970-01-01, as the recording rules measure time; tests set their own.
using WallClock = std::function<double()>;
double wallClockSeconds();

// Adds a key to a recording of up to two keys (VK_NONE = no key). Starting
// over, it becomes the only key; otherwise it fills the first place, or else
// becomes the second key, replacing an earlier second key.
void recordKey(int32_t keys[2], int32_t code, bool startOver);
// "A", "A + B", or empty without a first key: the key names of a recording.
QString recordedKeysCaption(const int32_t keys[2]);

class PngButton;
// Draws a button as the field recorded keys show in: a light box like the
// text fields (no drop-down arrow, it opens nothing), its frame in the
// selection colour while it records.
void styleKeyField(PngButton* field, QSizeF size, bool recording);

}  // namespace keyloom

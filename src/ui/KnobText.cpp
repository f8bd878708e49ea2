#include "ui/KnobText.h"

#include "macro/keyinfo_text.h"
#include "model/stprofile.h"

namespace keyloom {

std::optional<QString> knobFunctionText(int setIndex, int direction) {
    const _ST_PROFILE* profile = get_current_profile();
    if (!profile || setIndex < 0 || setIndex >= KNOB_SETS || direction < 0 || direction >= KNOB_DIRECTIONS)
        return std::nullopt;
    const std::string text = keyinfo_to_string(profile->stKnod[direction][setIndex]).value_or(std::string());
    return text.empty() ? QStringLiteral("null") : QString::fromStdString(text);
}

}  // namespace keyloom

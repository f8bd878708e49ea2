// What the knob pop-up writes in its middle: the current profile's knob
// functions of a set.
#pragma once
#include <QString>
#include <optional>

namespace keyloom {

// The text of the function of set setIndex in direction 0 (turned one way,
// the upper line) or 1 (the lower line): "null" when nothing is assigned,
// none without a current profile or for a set or direction out of range.
std::optional<QString> knobFunctionText(int setIndex, int direction);

}  // namespace keyloom

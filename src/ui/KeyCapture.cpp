#include "ui/KeyCapture.h"

#include <chrono>

#include "keys/basic.h"
#include "model/keyinfo.h"

namespace keyloom {

double wallClockSeconds() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

void recordKey(int32_t keys[2], int32_t code, bool startOver) {
    if (startOver) {
        keys[0] = code;
        keys[1] = VK_NONE;
    } else if (keys[0] == VK_NONE) {
        keys[0] = code;
    } else {
        keys[1] = code;
    }
}

QString recordedKeysCaption(const int32_t keys[2]) {
    auto name = [](int32_t code) { return QString::fromStdString(GetVKName(code).value_or(std::string())); };
    if (keys[0] == VK_NONE) return {};
    if (keys[1] == VK_NONE) return name(keys[0]);
    return QStringLiteral("%1 + %2").arg(name(keys[0]), name(keys[1]));
}

}  // namespace keyloom

#include "model/unique_id.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace keyloom {

uint32_t create_unique_id() {
    // The wait keeps ids taken in a row apart by the clock alone; the memory of
    // the last id below covers a clock that stands still or is set back.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    static std::mutex mutex;
    static uint64_t last = 0;
    auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    uint64_t now = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
    std::lock_guard<std::mutex> lock(mutex);
    if (now <= last) now = last + 1;
    if (static_cast<uint32_t>(now) == 0) ++now;  // 0 names no record
    last = now;
    return static_cast<uint32_t>(now);
}

}  // namespace keyloom

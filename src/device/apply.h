// Applying the current profile to the keyboard on the worker thread. A request
// takes a snapshot of what the apply needs on the main thread, so the worker
// never reads records the window is editing.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <string>
#include <thread>

#include "device/hwencode.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"

namespace keyloom {

class ApplyTarget;
class Dev6120;

// Apply flags.
constexpr int32_t APPLY_KEYS = 0x0001;
constexpr int32_t APPLY_LIGHTING = 0x0002;
constexpr int32_t APPLY_KEY_COLORS = 0x0004;
constexpr int32_t APPLY_RESET = 0x0100;
constexpr int32_t APPLY_NOISY = 0x8000;

// What one apply reads: the current profile, its active layer's key-property
// set and the macros that set uses, copied when the request is taken.
struct ApplySnapshot {
    _ST_PROFILE profile{};
    std::optional<_ST_KEYPRO> keypro;
    MacroSnapshot macros;
    // Why the apply of this snapshot failed, for the user: the command that
    // failed and its error, or why none was sent. Empty until an apply fails.
    std::string failure;
};
// Takes a snapshot of the current profile; none without a current profile.
// With APPLY_KEYS in flags the active layer's set is also copied into the
// current profile's own key table, which keeps the working copy it always had.
// A layer that follows the application in front plays the followed set
// instead, in the snapshot only: the profile keeps its own choice and copy.
std::unique_ptr<ApplySnapshot> TakeApplySnapshot(int32_t flags = 0);

// The set a layer (0..2) plays while an application in front has a rule for
// it; 0 = the profile's own choice. Main thread only, like the lists. Never
// stored: a restart starts from the profile's choices.
void SetFollowedKeyTable(int layer, uint32_t id);
uint32_t FollowedKeyTable(int layer);

struct ThreadParam {
    std::atomic<int32_t> nFlag{0};
    std::atomic<int32_t> nProgress{0};
    std::atomic<int32_t> bExitThread{0};
    std::atomic<int32_t> bBurning{0};
    std::counting_semaphore<> semaphore{0};
    ApplyTarget* target = nullptr;  // the main window

    std::mutex pendingLock;  // guards pending and requested
    std::unique_ptr<ApplySnapshot> pending;  // null with requested: no current profile
    bool requested = false;                  // a request waits for the worker
    uint64_t taken = 0;                      // requests the worker has taken: 1, 2, ...

    // Optional: posted to the main loop when the worker takes a request, with
    // its flags. Set before the worker starts.
    std::function<void(int32_t flags)> started;
    // Optional: posted to the main loop after each apply with its flags and
    // result, once bBurning is 0 again. Set before the worker starts.
    std::function<void(int32_t flags, bool ok)> finished;
    // The failure of the apply finished reports (see ApplySnapshot::failure);
    // empty after a success. Only the main loop writes it, just before it
    // calls finished, so read it there or after.
    std::string failure;
    // Which take (see ApplyTakeOfLatestRequest) finished reports; written
    // like failure.
    uint64_t finishedTake = 0;
};

extern std::unique_ptr<ThreadParam> msParam;

// Requests an apply. A request waits while one runs; requests the worker has
// not taken yet merge into one (flags OR-ed, the latest state). noisy_apply_kb
// adds APPLY_NOISY.
void quiet_apply_kb(int32_t flags);
void noisy_apply_kb(int32_t flags);
// The worker numbers the requests it takes 1, 2, ...: the number of the take
// that runs (or ran) the latest request, so that whoever asked for it knows
// which finished report answers it (finishedTake). Requests are made on the
// main loop only.
uint64_t ApplyTakeOfLatestRequest();
// Whether an apply runs or a request waits for the worker.
bool ApplyBusy();

// The worker's body: waits for requests and runs them until bExitThread.
void ApplyMouseThread(ThreadParam* param, Dev6120* link);

// Creates msParam when missing, gives it the target and starts the worker
// thread; false when a worker is running already.
bool StartApplyWorker(Dev6120& link, ApplyTarget* target);
// Sets bExitThread, wakes the worker and joins it. Call before the process
// ends: a running worker thread must not outlive main().
void StopApplyWorker();

}  // namespace keyloom

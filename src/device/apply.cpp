// Apply requests, the worker thread and the link's side of an apply.
#include "device/apply.h"

#include <cstring>
#include <utility>

#include "base/debug.h"
#include "config/gvar.h"
#include "device/Dev6120.h"
#include "device/HidAccess.h"
#include "device/MainLoop.h"
#include "device/apply_sequence.h"
#include "macro/stmacro.h"

namespace keyloom {

std::unique_ptr<ThreadParam> msParam;

namespace {

std::thread g_worker;
// The set each layer plays while an application in front has a rule for it.
uint32_t g_followed[LAYER_COUNT] = {};

// The link as the sequence's channel: commands go to the keyboard, progress
// is posted to the main loop without waiting.
class LinkChannel : public ApplyChannel {
public:
    LinkChannel(Dev6120& link, ApplyTarget* target) : link_(link), target_(target) {}
    bool send(const uint8_t* payload, int size) override { return link_.SendData(payload, size); }
    int32_t lastError() const override { return GetLastError(); }
    void pause(int ms) override { mySleep(ms); }
    void notify(int progress) override {
        if (!target_) return;
        link_.loop().post([target = target_, progress] { target->updateProgress(progress); });
    }

private:
    Dev6120& link_;
    ApplyTarget* target_;
};

// The macros the knob plays are needed too, beside those of the key set.
void AddKnobMacros(const _ST_PROFILE& profile, MacroSnapshot& macros) {
    for (const auto& direction : profile.stKnod) {
        for (const _KEYINFO& key : direction) {
            if (FUN_CLASS(key.dwFunID) != FUN_MACRO || macros.find(key.dwMacroID)) continue;
            if (const _ST_MACRO* macro = get_macro_by_id(key.dwMacroID)) macros.add(*macro);
        }
    }
}

void RequestApply(int32_t flags) {
    ThreadParam* param = msParam.get();
    if (!param) return;
    {
        std::lock_guard<std::mutex> lock(param->pendingLock);
        // One request waits at most: a later one joins it, with the flags of
        // both and a copy of the state as it is now. A request made while an
        // apply runs waits for it, so the keyboard always gets the last change.
        const int32_t merged = param->requested ? param->nFlag | flags : flags;
        if (param->bBurning) LOG("Apply request 0x%x waits: an apply is running", static_cast<unsigned>(flags));
        std::unique_ptr<ApplySnapshot> snapshot = TakeApplySnapshot(merged);
        if (!snapshot) LOG("Apply request 0x%x: no current profile", static_cast<unsigned>(merged));
        param->pending = std::move(snapshot);
        param->nFlag = merged;
        param->requested = true;
    }
    param->semaphore.release();
}

void PostFailure(MainLoop& loop, ApplyTarget* target, int32_t flag) {
    if (!target) return;
    if (flag & APPLY_NOISY) loop.post([target] { target->updateProgress(101); });
    loop.post([target] { target->showError2(); });
}

}  // namespace

void SetFollowedKeyTable(int layer, uint32_t id) {
    if (layer >= 0 && layer < LAYER_COUNT) g_followed[layer] = id;
}

uint32_t FollowedKeyTable(int layer) { return layer >= 0 && layer < LAYER_COUNT ? g_followed[layer] : 0; }

std::unique_ptr<ApplySnapshot> TakeApplySnapshot(int32_t flags) {
    _ST_PROFILE* current = get_current_profile();
    if (!current) return nullptr;
    auto snapshot = std::make_unique<ApplySnapshot>();
    const int layer = current->nLayer;
    const _ST_KEYPRO* followed = get_keypro_by_id(FollowedKeyTable(layer));
    if (followed && followed->nLayer != layer) followed = nullptr;
    const _ST_KEYPRO* keypro =
        followed ? followed
                 : (layer >= 0 && layer < LAYER_COUNT ? get_keypro_by_id(current->dwKeyProID[layer]) : nullptr);
    if (keypro) {
        // The stored profile keeps a copy of the keys it last applied of its own choice.
        if ((flags & APPLY_KEYS) && !followed) std::memcpy(current->stKey[0], keypro->stKey, sizeof current->stKey[0]);
        snapshot->keypro = *keypro;
        snapshot->macros = MacroSnapshot(keypro->stKey, KEY_COUNT);
    }
    snapshot->profile = *current;
    if (followed) snapshot->profile.dwKeyProID[layer] = followed->dwID;
    AddKnobMacros(snapshot->profile, snapshot->macros);
    return snapshot;
}

void quiet_apply_kb(int32_t flags) { RequestApply(flags); }

void noisy_apply_kb(int32_t flags) { RequestApply(flags | APPLY_NOISY); }

uint64_t ApplyTakeOfLatestRequest() {
    ThreadParam* param = msParam.get();
    if (!param) return 0;
    std::lock_guard<std::mutex> lock(param->pendingLock);
    return param->taken + (param->requested ? 1 : 0);
}

bool ApplyBusy() {
    ThreadParam* param = msParam.get();
    if (!param) return false;
    std::lock_guard<std::mutex> lock(param->pendingLock);
    return param->requested || param->bBurning;
}

void ApplyMouseThread(ThreadParam* param, Dev6120* link) {
    if (!param || !link) return;
    for (;;) {
        param->semaphore.acquire();
        if (param->bExitThread) break;
        std::unique_ptr<ApplySnapshot> snapshot;
        int32_t flag = 0;
        uint64_t take = 0;
        {
            std::lock_guard<std::mutex> lock(param->pendingLock);
            // Requests that replaced one another left extra signals behind.
            if (!param->requested) continue;
            param->requested = false;
            snapshot = std::move(param->pending);
            flag = param->nFlag;
            take = ++param->taken;
            param->nProgress = 0;
            param->bBurning = 1;  // with the request taken, so no later request slips in unseen
        }
        if (param->started) link->loop().post([done = param->started, flag] { done(flag); });
        const bool noisy = (flag & APPLY_NOISY) != 0;
        const bool ok = snapshot && link->ApplySetting(*snapshot, flag, noisy ? param->target : nullptr);
        std::string failure;
        if (!ok) {
            failure = snapshot ? snapshot->failure : "there is no current profile";
            LOG("Apply 0x%x failed: %s", static_cast<unsigned>(flag), failure.c_str());
            PostFailure(link->loop(), param->target, flag);
        } else {
            LOG("Apply 0x%x done", static_cast<unsigned>(flag));
        }
        param->bBurning = 0;
        // Told once the worker takes requests again. The failure is handed to
        // the main loop with it: the worker never touches param->failure.
        if (param->finished)
            link->loop().post([param, done = param->finished, flag, ok, take, failure = std::move(failure)] {
                param->failure = failure;
                param->finishedTake = take;
                done(flag, ok);
            });
    }
}

bool StartApplyWorker(Dev6120& link, ApplyTarget* target) {
    if (g_worker.joinable()) return false;
    if (!msParam) msParam = std::make_unique<ThreadParam>();
    msParam->target = target;
    msParam->bExitThread = 0;
    g_worker = std::thread(ApplyMouseThread, msParam.get(), &link);
    return true;
}

void StopApplyWorker() {
    if (!g_worker.joinable()) return;
    msParam->bExitThread = 1;
    msParam->semaphore.release();
    g_worker.join();
}

// ---- the link's side ----

bool Dev6120::ApplySetting(ApplySnapshot& snapshot, int flag, ApplyTarget* target) {
    snapshot.failure.clear();
    if (!GetDeviceHandle() && gVar.GoWithNoDev == 0) {
        snapshot.failure = "no keyboard is attached, and GoWithNoDev=0 allows no apply without one";
        return false;
    }
    return Apply_KB(snapshot, flag, target);
}

bool Dev6120::Apply_KB(ApplySnapshot& snapshot, int flag, ApplyTarget* target) {
    LinkChannel channel(*this, target);
    ApplyOptions options;
    options.stopOnError = gVar.GoWithNoDev == 0;
    options.reportProgress = target != nullptr;
    options.reset = &m_bReset;
    return RunApplySequence(snapshot, flag, channel, options);
}

}  // namespace keyloom

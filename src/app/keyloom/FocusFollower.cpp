#include "FocusFollower.h"

#include <QGuiApplication>

#include "base/debug.h"
#include "device/apply.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"

namespace keyloom::app {

namespace {

// keyloom's own window in front is no application to follow: the user is
// editing their own tables there, and Apply writes those.
bool is_keyloom(const std::string& app) {
    for (const QString& own : {QGuiApplication::desktopFileName(), QCoreApplication::applicationName()}) {
        if (!own.isEmpty() && QString::fromStdString(app).compare(own, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

uint32_t table_id(int layer, const std::string& name) {
    const _ST_KEYPRO* set = get_keypro_by_name(layer, name);
    return set ? uint32_t(set->dwID) : 0;
}

}  // namespace

FocusFollower::FocusFollower(std::function<void()> applyKeys, QObject* parent)
    : QObject(parent), applyKeys_(std::move(applyKeys)) {
    settle_.setSingleShot(true);
    settle_.setTimerType(Qt::PreciseTimer);  // a coarse timer may end up to 5 % early
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] {
        front_ = pending_;
        reconcile();
    });
}

FocusFollower::~FocusFollower() {
    for (int layer = 0; layer < 3; ++layer) SetFollowedKeyTable(layer, 0);
}

void FocusFollower::start(const QString& busName) {
    rules_.load();
    // Made one at a time: a source may ask its desktop as it is made.
    candidates_.push_back(&MakeX11FocusSource);
    if (!busName.isEmpty()) {
        candidates_.push_back([busName] { return MakeKWinFocusSource(busName); });
        candidates_.push_back(&MakeGnomeFocusSource);
    }
    candidates_.push_back(&MakeWlrFocusSource);
    startCandidate(0);
}

void FocusFollower::startCandidate(size_t index) {
    for (; index < candidates_.size() && !trying_; ++index) trying_ = candidates_[index]();
    if (!trying_) {
        candidates_.clear();
        LOG("Following the application in front: not available on this desktop");
        if (onChanged) onChanged();
        return;
    }
    trying_->start([this](const std::string& app) { focusChanged(app); },
                   [this, index](bool started) {
                       // Not from inside the source, which may go.
                       QMetaObject::invokeMethod(
                           this, [this, index, started] { candidateStarted(index, started); }, Qt::QueuedConnection);
                   });
}

void FocusFollower::candidateStarted(size_t next, bool started) {
    if (!trying_) return;
    if (!started) {
        if (remedy_.empty()) remedy_ = trying_->remedy();
        trying_.reset();
        return startCandidate(next);
    }
    source_ = std::move(trying_);
    candidates_.clear();
    LOG("Following the application in front: %s", source_->name());
    if (onChanged) onChanged();
}

std::vector<std::string> FocusFollower::runningApps() const {
    std::vector<std::string> apps = source_ ? source_->runningApps() : std::vector<std::string>{};
    std::erase_if(apps, is_keyloom);
    return apps;
}

Reason FocusFollower::status() const {
    if (!following_) return MakeReason("tc_follow_turned_off");
    if (source_) return MakeReason("tc_follow_source", {source_->name()});
    if (!candidates_.empty()) return MakeReason("tc_follow_starting");
    return remedy_.empty() ? MakeReason("tc_follow_none") : remedy_;
}

void FocusFollower::focusChanged(const std::string& app) {
    pending_ = is_keyloom(app) ? std::string() : app;
    settle_.start();
}

void FocusFollower::layerSwitched() { reconcile(); }

void FocusFollower::tablesChanged() { reconcile(); }

void FocusFollower::rulesChanged() { reconcile(true); }

void FocusFollower::setFollowing(bool on) {
    if (on == following_) return;
    following_ = on;
    LOG("Following the application in front turned %s", on ? "on" : "off");
    reconcile(true);
}

void FocusFollower::reconcile(bool tell) {
    std::array<const FocusRule*, 3> rules{};
    if (following_ && !front_.empty()) rules = rules_.rulesFor(front_);
    for (int layer = 0; layer < 3; ++layer) {
        const FocusRule* rule = rules[size_t(layer)];
        SetFollowedKeyTable(layer, rule ? table_id(layer, rule->table) : 0);
    }

    const _ST_PROFILE* profile = get_current_profile();
    const int layer = profile ? profile->nLayer : -1;
    Active now;
    if (layer >= 0 && layer < 3) {
        const FocusRule* rule = rules[size_t(layer)];
        const uint32_t playing = FollowedKeyTable(layer);
        if (rule) now = {layer, rule->table, front_};
        if (playing != onKeyboard_[size_t(layer)]) {
            onKeyboard_[size_t(layer)] = playing;
            // The rule, not the application: the log may be kept, the rules are the user's own.
            if (rule)
                LOG("M%d plays \"%s\", following %s", layer + 1, rule->table.c_str(), rule->app.c_str());
            else
                LOG("M%d plays the user's key table", layer + 1);
            if (applyKeys_) applyKeys_();
        }
    }
    if (now != active_ || tell) {
        active_ = now;
        if (onChanged) onChanged();
    }
}

}  // namespace keyloom::app

#include "FocusFollower.h"

#include <QGuiApplication>

#include "base/debug.h"
#include "base/texts.h"
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
    for (int i = 0; const _ST_KEYPRO* set = get_keypro_by_index(i, layer); ++i)
        if (keypro_name(*set) == name) return uint32_t(set->dwID);
    return 0;
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
    std::unique_ptr<FocusSource> candidates[] = {
        MakeX11FocusSource(),
        busName.isEmpty() ? nullptr : MakeKWinFocusSource(busName),
        busName.isEmpty() ? nullptr : MakeGnomeFocusSource(),
        MakeWlrFocusSource(),
    };
    for (std::unique_ptr<FocusSource>& candidate : candidates) {
        if (!candidate) continue;
        if (candidate->start([this](const std::string& app) { focusChanged(app); })) {
            source_ = std::move(candidate);
            LOG("Following the application in front: %s", source_->name());
            return;
        }
        if (remedy_.empty()) remedy_ = candidate->remedy();
    }
    LOG("Following the application in front: not available on this desktop");
}

Reason FocusFollower::status() const {
    if (!following_) return MakeReason("tc_follow_turned_off");
    if (source_) return MakeReason("tc_follow_source", {source_->name()});
    return remedy_.empty() ? MakeReason("tc_follow_none") : remedy_;
}

void FocusFollower::focusChanged(const std::string& app) {
    pending_ = is_keyloom(app) ? std::string() : app;
    settle_.start();
}

void FocusFollower::layerSwitched() { reconcile(); }

void FocusFollower::tablesChanged() { reconcile(); }

void FocusFollower::rulesChanged() { reconcile(); }

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
        if (onActiveChanged) onActiveChanged();
    }
}

}  // namespace keyloom::app

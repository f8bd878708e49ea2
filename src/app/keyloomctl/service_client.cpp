#include "service_client.h"

#include <systemd/sd-bus.h>

#include <chrono>
#include <thread>

#include "base/instance_lock.h"

namespace keyloom::ctl {
namespace {

constexpr const char* kPath = "/org/keyloom/Keyloom";
constexpr const char* kInterface = "org.keyloom.Keyloom1";
// An apply waits for the keyboard, with its mandated pauses, and for one
// that was already running.
constexpr uint64_t kApplyTimeoutUs = 120ull * 1000 * 1000;

// The unique name of the name's owner; empty when it has none.
std::string owner_of(sd_bus* bus, const std::string& name) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    std::string owner;
    if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "GetNameOwner", &error, &reply, "s", name.c_str()) >= 0) {
        const char* unique = nullptr;
        if (sd_bus_message_read(reply, "s", &unique) >= 0 && unique) owner = unique;
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    return owner;
}

// The answer of a call: its JSON (json) or nothing, or why it failed.
ServiceClient::Answer finish(int status, sd_bus_message* reply, sd_bus_error* error, bool json) {
    ServiceClient::Answer answer;
    if (status < 0) {
        answer.text = error->message ? error->message : "the running keyloom did not answer";
    } else if (!json) {
        answer.ok = true;
    } else {
        const char* text = nullptr;
        answer.ok = sd_bus_message_read(reply, "s", &text) >= 0 && text;
        answer.text = answer.ok ? text : "the running keyloom answered something else than JSON";
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(error);
    return answer;
}

}  // namespace

std::unique_ptr<ServiceClient> ServiceClient::connect(const std::string& dataDir, int patienceMs) {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) return nullptr;
    const std::string name = instance_bus_name(dataDir);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(patienceMs);
    for (;;) {
        std::string owner = owner_of(bus, name);
        // Signals come from the owner's unique name; calls go to it too, so
        // they never reach a keyloom that took the name over meanwhile.
        if (!owner.empty()) return std::unique_ptr<ServiceClient>(new ServiceClient(bus, owner));
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    sd_bus_flush_close_unref(bus);
    return nullptr;
}

ServiceClient::ServiceClient(sd_bus* bus, std::string name) : bus_(bus), name_(std::move(name)) {}

ServiceClient::~ServiceClient() {
    sd_bus_flush_close_unref(bus_);
}

ServiceClient::Answer ServiceClient::call(const char* method) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int status = sd_bus_call_method(bus_, name_.c_str(), kPath, kInterface, method, &error, &reply, "");
    return finish(status, reply, &error, true);
}

ServiceClient::Answer ServiceClient::call(const char* method, const std::string& a) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int status =
        sd_bus_call_method(bus_, name_.c_str(), kPath, kInterface, method, &error, &reply, "s", a.c_str());
    return finish(status, reply, &error, true);
}

ServiceClient::Answer ServiceClient::call(const char* method, const std::string& a, const std::string& b) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int status = sd_bus_call_method(bus_, name_.c_str(), kPath, kInterface, method, &error, &reply, "ss",
                                          a.c_str(), b.c_str());
    return finish(status, reply, &error, true);
}

ServiceClient::Answer ServiceClient::callWithId(const char* method, uint32_t id, const std::string& file) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int status =
        sd_bus_call_method(bus_, name_.c_str(), kPath, kInterface, method, &error, &reply, "us", id, file.c_str());
    return finish(status, reply, &error, true);
}

ServiceClient::Answer ServiceClient::callWithNumber(const char* method, int32_t number) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int status =
        sd_bus_call_method(bus_, name_.c_str(), kPath, kInterface, method, &error, &reply, "i", number);
    return finish(status, reply, &error, true);
}

ServiceClient::Answer ServiceClient::callWithLayer(const char* method, int32_t layer, const std::string& a,
                                                   const std::string& b) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int status = sd_bus_call_method(bus_, name_.c_str(), kPath, kInterface, method, &error, &reply, "iss",
                                          layer, a.c_str(), b.c_str());
    return finish(status, reply, &error, true);
}

ServiceClient::Answer ServiceClient::apply(int32_t flags, const std::function<void(int)>& progress) {
    struct Waiting {
        const std::function<void(int)>* progress;
        bool done = false;
        Answer answer{};
    } waiting{&progress, false, {}};
    auto onProgress = [](sd_bus_message* m, void* data, sd_bus_error*) {
        int32_t number = 0;
        if (sd_bus_message_read(m, "i", &number) >= 0 && *static_cast<Waiting*>(data)->progress)
            (*static_cast<Waiting*>(data)->progress)(number);
        return 0;
    };
    auto onReply = [](sd_bus_message* m, void* data, sd_bus_error*) {
        auto* w = static_cast<Waiting*>(data);
        w->done = true;
        if (const sd_bus_error* error = sd_bus_message_get_error(m))
            w->answer.text = error->message ? error->message : "the apply failed";
        else
            w->answer.ok = true;
        return 0;
    };
    sd_bus_slot* match = nullptr;
    sd_bus_slot* call = nullptr;
    // Listening before asking: no progress number is missed.
    int status = sd_bus_match_signal(bus_, &match, name_.c_str(), kPath, kInterface, "ApplyProgress", onProgress,
                                     &waiting);
    if (status >= 0) sd_bus_set_method_call_timeout(bus_, kApplyTimeoutUs);
    if (status >= 0)
        status = sd_bus_call_method_async(bus_, &call, name_.c_str(), kPath, kInterface, "Apply", onReply, &waiting,
                                          "i", flags);
    while (status >= 0 && !waiting.done) {
        status = sd_bus_process(bus_, nullptr);
        if (status == 0) status = sd_bus_wait(bus_, UINT64_MAX);
    }
    sd_bus_slot_unref(call);
    sd_bus_slot_unref(match);
    if (status < 0 && !waiting.done) waiting.answer.text = "the running keyloom did not answer";
    return waiting.answer;
}

}  // namespace keyloom::ctl

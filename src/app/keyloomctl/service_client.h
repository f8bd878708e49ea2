// The keyloom that runs on the data folder, reached on the session bus
// (org.keyloom.Keyloom1, see docs/dbus.md): the commands that write the data
// or talk to the keyboard go through it, and the ones that only read see what
// its window shows rather than the files it will write shortly.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct sd_bus;

namespace keyloom::ctl {

class ServiceClient {
public:
    // Connected when a keyloom serves the data folder on the session bus;
    // none when there is no session bus or no such keyloom. patienceMs: how
    // long to wait for one that is still starting (it holds the folder's
    // lock before it is on the bus).
    static std::unique_ptr<ServiceClient> connect(const std::string& dataDir, int patienceMs = 0);
    ~ServiceClient();
    ServiceClient(const ServiceClient&) = delete;
    ServiceClient& operator=(const ServiceClient&) = delete;

    struct Answer {
        bool ok = false;
        std::string text;  // the JSON answered, or why the call failed
    };
    // A method that answers keyloomctl's JSON, with string arguments.
    Answer call(const char* method);
    Answer call(const char* method, const std::string& a);
    Answer call(const char* method, const std::string& a, const std::string& b);
    // ExportKeyTable: a key table's id (0: the one in use) and a file.
    Answer callWithId(const char* method, uint32_t id, const std::string& file);
    // RemoveRule: a number.
    Answer callWithNumber(const char* method, int32_t number);
    // AddRule: a layer (1..3) and two strings, the key table and the application.
    Answer callWithLayer(const char* method, int32_t layer, const std::string& a, const std::string& b);
    // Apply: returns when the apply has ended; progress is told each number
    // the running keyloom reports while it runs.
    Answer apply(int32_t flags, const std::function<void(int)>& progress);

private:
    ServiceClient(sd_bus* bus, std::string name);

    sd_bus* bus_;
    std::string name_;
};

}  // namespace keyloom::ctl

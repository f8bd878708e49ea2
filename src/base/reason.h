// Why something failed or what it did, as the window says it: a text key and
// the values filled into it. The core never words a reason for the user; the
// window picks the text in its language (ReasonText), so a German window
// never shows an English system message.
#pragma once
#include <string>
#include <vector>

namespace keyloom {

struct Reason {
    std::string code;                 // the text key that says it; empty = nothing to say
    std::vector<std::string> values;  // filled into the text's "%s" in order
    int sysError = 0;                 // the errno, for a reason that is a system error
    std::vector<Reason> causes;       // why, each said on a line of its own below

    bool empty() const { return code.empty(); }
    bool operator==(const Reason&) const = default;
};

// A reason with values.
Reason MakeReason(std::string code, std::vector<std::string> values = {});
// The same with one cause below it (none when the cause is empty).
Reason MakeReason(std::string code, std::vector<std::string> values, Reason cause);

// A system error: the common errnos have texts of their own ("tc_err_enoent",
// ...), every other one is "system error N" ("tc_err_other").
Reason ErrnoReason(int errnum);

}  // namespace keyloom

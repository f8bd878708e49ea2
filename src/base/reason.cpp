#include "base/reason.h"

#include <cerrno>
#include <utility>

namespace keyloom {

Reason MakeReason(std::string code, std::vector<std::string> values) {
    Reason reason;
    reason.code = std::move(code);
    reason.values = std::move(values);
    return reason;
}

Reason MakeReason(std::string code, std::vector<std::string> values, Reason cause) {
    Reason reason = MakeReason(std::move(code), std::move(values));
    if (!cause.empty()) reason.causes.push_back(std::move(cause));
    return reason;
}

Reason ErrnoReason(int errnum) {
    // The errors a file or folder commonly meets; the rest say their number.
    struct Known {
        int errnum;
        const char* code;
    };
    static constexpr Known kKnown[] = {
        {ENOENT, "tc_err_enoent"},   {EACCES, "tc_err_eacces"},  {EPERM, "tc_err_eacces"},
        {ENOTDIR, "tc_err_enotdir"}, {EISDIR, "tc_err_eisdir"},  {ENOSPC, "tc_err_enospc"},
        {EDQUOT, "tc_err_enospc"},   {EROFS, "tc_err_erofs"},    {EFBIG, "tc_err_efbig"},
        {EEXIST, "tc_err_eexist"},   {ENAMETOOLONG, "tc_err_enametoolong"},
        {ELOOP, "tc_err_eloop"},     {EIO, "tc_err_eio"},        {EBUSY, "tc_err_ebusy"},
        {EINVAL, "tc_err_einval"},   {EMFILE, "tc_err_emfile"},  {ENFILE, "tc_err_emfile"},
    };
    Reason reason;
    reason.code = "tc_err_other";
    reason.sysError = errnum;
    reason.values = {std::to_string(errnum)};
    for (const Known& known : kKnown) {
        if (known.errnum == errnum) reason.code = known.code;
    }
    return reason;
}

}  // namespace keyloom

// A list node that owns one fixed-size record. The record lives on the heap,
// so a pointer to it stays valid for as long as its node is in the list.
// Also the helpers for the records' fixed-size name fields.
#pragma once
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "base/utf8.h"

namespace keyloom {

template <class Record>
class RecordNode {
public:
    explicit RecordNode(const Record& record) : pNode(std::make_unique<Record>(record)) {}
    Record* get_node() const { return pNode.get(); }

private:
    std::unique_ptr<Record> pNode;
};

// Writes a UTF-8 name into a fixed text field of `size` bytes: at most size - 1
// bytes of text, cut before a character that would not fit whole, and zeros
// to the end of the field.
inline void copy_record_name(char* field, size_t size, const char* name) {
    if (!field || size == 0) return;
    std::memset(field, 0, size);
    if (!name) return;
    const std::string cut = CutUtf8(std::string_view(name, strnlen(name, size)), size - 1);
    std::memcpy(field, cut.data(), cut.size());
}

// Whether every byte of a record or field is zero (an unused file slot).
inline bool is_all_zero(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    return size == 0 || (p[0] == 0 && std::memcmp(p, p + 1, size - 1) == 0);
}

// Whether a fixed field holds exactly this text (a prefix does not match); a
// field without its NUL ends at the field's end.
inline bool record_name_equals(const char* field, size_t size, const char* name) {
    if (!name) return false;
    size_t n = strnlen(field, size);
    return std::strlen(name) == n && std::memcmp(field, name, n) == 0;
}

}  // namespace keyloom

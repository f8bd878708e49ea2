// The record lists of profiles, key tables and macros, and the helpers for
// the records' fixed-size name fields.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.h"

namespace keyloom {

// A list node that owns one fixed-size record. The record lives on the heap,
// so a pointer to it stays valid for as long as its node is in the list.
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

// An ordered list of records (display order = list order = file order). It
// exists only once created: before that, and after destroy, nothing is added
// and nothing is found. Lookups give the first match in list order; a
// record's id is its dwID, its name its szName field.
template <class Record>
class RecordList {
public:
    using Node = RecordNode<Record>;

    // capacity: the most records the list holds; one more is refused.
    constexpr explicit RecordList(size_t capacity = SIZE_MAX) : capacity_(capacity) {}

    // A new empty list in place of the old one, whose records are gone.
    void create() { nodes_ = std::make_unique<std::vector<Node>>(); }
    void destroy() { nodes_.reset(); }
    explicit operator bool() const { return nodes_ != nullptr; }
    void clear() {
        if (nodes_) nodes_->clear();
    }

    int count() const { return static_cast<int>(nodes().size()); }
    bool full() const { return nodes().size() >= capacity_; }

    // A copy of the record at the end of the list; none without a list or when full.
    Record* add(const Record& record) {
        if (!nodes_ || full()) return nullptr;
        return nodes_->emplace_back(record).get_node();
    }
    // Null when out of range.
    Record* at(int index) const {
        if (index < 0 || index >= count()) return nullptr;
        return nodes()[static_cast<size_t>(index)].get_node();
    }
    // -1 when the record is not one of the list's own.
    int index_of(const Record* record) const {
        for (int i = 0; i < count(); ++i)
            if (at(i) == record) return i;
        return -1;
    }
    Record* find_by_id(uint32_t id) const {
        for (const Node& node : nodes())
            if (static_cast<uint32_t>(node.get_node()->dwID) == id) return node.get_node();
        return nullptr;
    }
    Record* find_by_name(const char* name) const {
        for (const Node& node : nodes())
            if (record_name_equals(node.get_node()->szName, sizeof node.get_node()->szName, name))
                return node.get_node();
        return nullptr;
    }
    // Takes the record out of the list; false when it was not listed.
    bool remove(const Record* record) {
        const int index = index_of(record);
        if (index < 0) return false;
        nodes_->erase(nodes_->begin() + index);
        return true;
    }

private:
    const std::vector<Node>& nodes() const {
        static const std::vector<Node> none;
        return nodes_ ? *nodes_ : none;
    }

    std::unique_ptr<std::vector<Node>> nodes_;
    size_t capacity_;
};

}  // namespace keyloom

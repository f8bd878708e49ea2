// One item of an outline list (the macro tree, the function picker's macro
// folder, the macro editor's event list). Pure data, shared by the macro
// layer that builds trees and the list widget that draws them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace keyloom {

class outlineviewData {
public:
    outlineviewData() = default;
    outlineviewData(const outlineviewData&) = delete;
    outlineviewData& operator=(const outlineviewData&) = delete;

    // A new item with the given caption and kind (nFlagData) and value (nItemData).
    static std::unique_ptr<outlineviewData> make(const std::string& name, uint32_t flag, uint64_t data);

    std::string name;                 // caption; empty = none
    int32_t nID = -1;                 // free identifier
    uint64_t nItemData = ~uint64_t{0};  // free value (macro id, event code ...)
    uint32_t nFlagData = 0;           // kind of item; also picks the icon
    outlineviewData* parentItem = nullptr;  // none for a root
    std::vector<std::unique_ptr<outlineviewData>> array;  // children, owned
    // Why the item cannot be used (a macro file that could not be read), as a
    // language text key; empty when it can. Lists draw such an item greyed
    // with the text as its tooltip.
    std::string unusable;
    // Unique for the program's lifetime (never 0), so a list can tell a new
    // item from a freed one that lived at the same address.
    const uint64_t serial = next_serial();

    // Appends a child and sets its parent. Gives the child, or null for none.
    outlineviewData* addItem(std::unique_ptr<outlineviewData> item);
    // Inserts before the anchor (after it when after is 1); no anchor appends.
    // Refused (null, item dropped) for no item, the receiver as anchor, or an
    // anchor that is not a child of the receiver.
    outlineviewData* insertItem(std::unique_ptr<outlineviewData> item, const outlineviewData* anchor, int after);

    // Depth-first pre-order over the receiver and its descendants, receiver first.
    outlineviewData* findItemForName(const std::string& text);  // null for an empty text
    outlineviewData* findItemForData(uint64_t data);
    outlineviewData* findItemForNameWithFlag(const std::string& text, uint32_t flag);

    // Clears the item and removes it from its parent, which destroys it; an
    // item without a parent (a root) is only cleared. Null does nothing.
    static void deleteItem(outlineviewData* item);
    void deleteItemForName(const std::string& text);
    void deleteItemForData(uint64_t data);

    // Drops every descendant and sets name and parentItem to none; nID,
    // nItemData and nFlagData stay.
    void clear();

    // Position of a direct child, -1 when it is not one.
    int indexOf(const outlineviewData* child) const;
    // Removes a direct child without destroying it (null when it is not one).
    std::unique_ptr<outlineviewData> takeItem(const outlineviewData* child);

private:
    static uint64_t next_serial();
};

}  // namespace keyloom

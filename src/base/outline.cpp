// The outline item: child ownership, insertion, pre-order searches and deletion.
#include "base/outline.h"

#include <algorithm>
#include <atomic>
#include <functional>

namespace keyloom {

namespace {

outlineviewData* find_first(outlineviewData* item, const std::function<bool(const outlineviewData&)>& match) {
    if (match(*item)) return item;
    for (auto& child : item->array) {
        if (outlineviewData* found = find_first(child.get(), match)) return found;
    }
    return nullptr;
}

}  // namespace

uint64_t outlineviewData::next_serial() {
    static std::atomic<uint64_t> last{0};
    return ++last;
}

std::unique_ptr<outlineviewData> outlineviewData::make(const std::string& name, uint32_t flag, uint64_t data) {
    auto item = std::make_unique<outlineviewData>();
    item->name = name;
    item->nFlagData = flag;
    item->nItemData = data;
    return item;
}

outlineviewData* outlineviewData::addItem(std::unique_ptr<outlineviewData> item) {
    if (!item) return nullptr;
    item->parentItem = this;
    array.push_back(std::move(item));
    return array.back().get();
}

outlineviewData* outlineviewData::insertItem(std::unique_ptr<outlineviewData> item, const outlineviewData* anchor,
                                             int after) {
    if (!item || anchor == this) return nullptr;
    if (!anchor) return addItem(std::move(item));
    int at = indexOf(anchor);
    if (at < 0) return nullptr;
    if (after == 1) ++at;
    item->parentItem = this;
    auto pos = array.insert(array.begin() + at, std::move(item));
    return pos->get();
}

outlineviewData* outlineviewData::findItemForName(const std::string& text) {
    if (text.empty()) return nullptr;
    return find_first(this, [&](const outlineviewData& it) { return it.name == text; });
}

outlineviewData* outlineviewData::findItemForData(uint64_t data) {
    return find_first(this, [&](const outlineviewData& it) { return it.nItemData == data; });
}

outlineviewData* outlineviewData::findItemForNameWithFlag(const std::string& text, uint32_t flag) {
    if (text.empty()) return nullptr;
    return find_first(this, [&](const outlineviewData& it) { return it.name == text && it.nFlagData == flag; });
}

void outlineviewData::deleteItem(outlineviewData* item) {
    if (!item) return;
    outlineviewData* parent = item->parentItem;
    item->clear();
    // Destroys the item: nothing of it may be touched after this line.
    if (parent) parent->takeItem(item);
}

void outlineviewData::deleteItemForName(const std::string& text) { deleteItem(findItemForName(text)); }

void outlineviewData::deleteItemForData(uint64_t data) { deleteItem(findItemForData(data)); }

void outlineviewData::clear() {
    for (auto& child : array) child->clear();
    array.clear();
    name.clear();
    parentItem = nullptr;
}

int outlineviewData::indexOf(const outlineviewData* child) const {
    auto it = std::find_if(array.begin(), array.end(), [&](const auto& c) { return c.get() == child; });
    return it == array.end() ? -1 : static_cast<int>(it - array.begin());
}

std::unique_ptr<outlineviewData> outlineviewData::takeItem(const outlineviewData* child) {
    int at = indexOf(child);
    if (at < 0) return nullptr;
    std::unique_ptr<outlineviewData> taken = std::move(array[at]);
    array.erase(array.begin() + at);
    taken->parentItem = nullptr;
    return taken;
}

}  // namespace keyloom

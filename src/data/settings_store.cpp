#include "data/settings_store.h"

#include "data/fields.h"

namespace tressmoor::data {

namespace {
std::string keyOf(std::string_view store, std::string_view name) {
    std::string key(store);
    key += '/';
    key += name;
    return key;
}
}  // namespace

std::optional<int> MemorySettingsStore::readInt(std::string_view store, std::string_view name) {
    auto it = values_.find(keyOf(store, name));
    if (it == values_.end()) return std::nullopt;
    return parseInt(it->second);
}

std::optional<std::string> MemorySettingsStore::readString(std::string_view store,
                                                           std::string_view name) {
    auto it = values_.find(keyOf(store, name));
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

bool MemorySettingsStore::writeInt(std::string_view store, std::string_view name, int value) {
    values_[keyOf(store, name)] = std::to_string(value);
    return true;
}

bool MemorySettingsStore::writeString(std::string_view store, std::string_view name,
                                      std::string_view value) {
    values_[keyOf(store, name)] = std::string(value);
    return true;
}

}  // namespace tressmoor::data

// The key tree of a registry store. The file format is in regedit_file.cpp.
#include <cstddef>

#include "hostkernel/registry_store.h"

namespace hostkernel {
namespace {

const char *const kHiveNames[] = {"MACHINE", "USER"};

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsHiveName(const std::string &name) {
  for (const char *hive : kHiveNames) {
    if (RegistryNamesEqual(name, hive)) return true;
  }
  return false;
}

std::string FoldedName(const std::string &name) {
  std::string folded = name;
  for (char &c : folded) c = FoldCase(c);
  return folded;
}

RegistryKey *AddSubkey(RegistryKey *parent, const std::string &name) {
  parent->subkeyPositions[FoldedName(name)] = parent->subkeys.size();
  parent->subkeys.push_back(std::make_unique<RegistryKey>());
  parent->subkeys.back()->name = name;
  return parent->subkeys.back().get();
}

std::unique_ptr<RegistryKey> NewRootWithHives() {
  auto root = std::make_unique<RegistryKey>();
  for (const char *hive : kHiveNames) AddSubkey(root.get(), hive);
  return root;
}

// Removes entry `position` of a list and moves the positions after it down.
template <typename Entry>
void EraseAt(std::vector<Entry> *list, std::unordered_map<std::string, size_t> *positions, size_t position) {
  list->erase(list->begin() + static_cast<std::ptrdiff_t>(position));
  for (auto it = positions->begin(); it != positions->end();) {
    if (it->second == position) {
      it = positions->erase(it);
      continue;
    }
    if (it->second > position) --it->second;
    ++it;
  }
}

const size_t *PositionOf(const std::unordered_map<std::string, size_t> &positions, const std::string &name) {
  auto it = positions.find(FoldedName(name));
  return it == positions.end() ? nullptr : &it->second;
}

// Removes the entries whose names were forgotten (those that are not at the
// position their name gives) and numbers the rest again.
template <typename Entry, typename NameOf>
void DropForgotten(std::vector<Entry> *list, std::unordered_map<std::string, size_t> *positions, NameOf nameOf) {
  if (list->size() == positions->size()) return;
  std::vector<Entry> kept;
  for (size_t i = 0; i < list->size(); ++i) {
    const size_t *position = PositionOf(*positions, nameOf((*list)[i]));
    if (position != nullptr && *position == i) kept.push_back(std::move((*list)[i]));
  }
  *list = std::move(kept);
  positions->clear();
  for (size_t i = 0; i < list->size(); ++i) (*positions)[FoldedName(nameOf((*list)[i]))] = i;
}

bool SameValues(const RegistryKey &a, const RegistryKey &b) {
  if (a.values.size() != b.values.size()) return false;
  for (const RegistryValue &value : a.values) {
    const RegistryValue *other = b.FindValue(value.name);
    if (other == nullptr || other->type != value.type || other->data != value.data) return false;
  }
  return true;
}

bool SameKeys(const RegistryKey &a, const RegistryKey &b) {
  if (!SameValues(a, b) || a.subkeys.size() != b.subkeys.size()) return false;
  for (const auto &child : a.subkeys) {
    const RegistryKey *other = b.FindSubkey(child->name);
    if (other == nullptr || !SameKeys(*child, *other)) return false;
  }
  return true;
}

}  // namespace

bool RegistryNamesEqual(const std::string &a, const std::string &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

bool SplitRegistryPath(const std::string &path, std::vector<std::string> *parts) {
  parts->clear();
  size_t start = 0;
  for (;;) {
    const size_t end = path.find('\\', start);
    const std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty()) return false;
    parts->push_back(part);
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

RegistryKey::~RegistryKey() {
  // A chain of keys is freed one key at a time, however deep it is.
  std::vector<std::unique_ptr<RegistryKey>> pending = std::move(subkeys);
  while (!pending.empty()) {
    std::unique_ptr<RegistryKey> key = std::move(pending.back());
    pending.pop_back();
    for (auto &child : key->subkeys) pending.push_back(std::move(child));
    key->subkeys.clear();
  }
}

RegistryKey *RegistryKey::FindSubkey(const std::string &childName) const {
  const size_t *position = PositionOf(subkeyPositions, childName);
  return position == nullptr ? nullptr : subkeys[*position].get();
}

RegistryValue *RegistryKey::FindValue(const std::string &valueName) {
  const size_t *position = PositionOf(valuePositions, valueName);
  return position == nullptr ? nullptr : &values[*position];
}

const RegistryValue *RegistryKey::FindValue(const std::string &valueName) const {
  return const_cast<RegistryKey *>(this)->FindValue(valueName);
}

RegistryStore::RegistryStore() : root_(NewRootWithHives()) {}

void RegistryStore::Clear() {
  root_ = NewRootWithHives();
  layout_ = FileLayout();
}

RegistryKey *RegistryStore::FindKey(const std::string &path) const {
  std::vector<std::string> parts;
  if (!SplitRegistryPath(path, &parts)) return nullptr;
  RegistryKey *key = root_.get();
  for (const std::string &part : parts) {
    key = key->FindSubkey(part);
    if (key == nullptr) return nullptr;
  }
  return key;
}

RegistryKey *RegistryStore::CreateKey(const std::string &path, bool *created) {
  std::vector<std::string> parts;
  if (!SplitRegistryPath(path, &parts) || !IsHiveName(parts[0]) || parts.size() > kMaxKeyDepth) return nullptr;
  RegistryKey *key = root_.get();
  bool madeLast = false;
  for (const std::string &part : parts) {
    RegistryKey *child = key->FindSubkey(part);
    madeLast = child == nullptr;
    key = madeLast ? AddSubkey(key, part) : child;
  }
  if (created != nullptr) *created = madeLast;
  return key;
}

bool RegistryStore::DeleteKey(const std::string &path) {
  std::vector<std::string> parts;
  if (!SplitRegistryPath(path, &parts) || parts.size() < 2) return false;
  const size_t lastSeparator = path.rfind('\\');
  RegistryKey *parent = FindKey(path.substr(0, lastSeparator));
  if (parent == nullptr) return false;
  const size_t *position = PositionOf(parent->subkeyPositions, parts.back());
  if (position == nullptr) return false;
  if (deferDeletions_) {
    parent->subkeyPositions.erase(FoldedName(parts.back()));
  } else {
    EraseAt(&parent->subkeys, &parent->subkeyPositions, *position);
  }
  return true;
}

bool RegistryStore::DeleteLeafKey(const std::string &path) {
  const RegistryKey *key = FindKey(path);
  if (key == nullptr || !key->subkeys.empty()) return false;
  return DeleteKey(path);
}

void RegistryStore::SetValue(RegistryKey *key, const std::string &name, uint32_t type,
                             const std::vector<uint8_t> &data) {
  // An existing value keeps its place, the case of its name and the comments
  // before it in the file.
  RegistryValue *value = key->FindValue(name);
  if (value == nullptr) {
    key->valuePositions[FoldedName(name)] = key->values.size();
    key->values.push_back(RegistryValue{name, type, data, FileText()});
    return;
  }
  if (value->type == type && value->data == data) return;
  value->type = type;
  value->data = data;
  value->text.own.clear();
}

bool RegistryStore::DeleteValue(RegistryKey *key, const std::string &name) {
  const size_t *position = PositionOf(key->valuePositions, name);
  if (position == nullptr) return false;
  if (deferDeletions_) {
    key->valuePositions.erase(FoldedName(name));
  } else {
    EraseAt(&key->values, &key->valuePositions, *position);
  }
  return true;
}

void RegistryStore::DropDeletedEntries() {
  std::vector<RegistryKey *> pending = {root_.get()};
  while (!pending.empty()) {
    RegistryKey *key = pending.back();
    pending.pop_back();
    DropForgotten(&key->values, &key->valuePositions, [](const RegistryValue &value) -> const std::string & {
      return value.name;
    });
    DropForgotten(&key->subkeys, &key->subkeyPositions,
                  [](const std::unique_ptr<RegistryKey> &child) -> const std::string & { return child->name; });
    for (const auto &child : key->subkeys) pending.push_back(child.get());
  }
}

bool RegistryStore::SameTree(const RegistryStore &other) const { return SameKeys(*root_, *other.root_); }

}  // namespace hostkernel

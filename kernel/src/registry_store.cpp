// The key tree of a registry store. The file format is in regedit_file.cpp.
#include <algorithm>

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

std::unique_ptr<RegistryKey> NewRootWithHives() {
  auto root = std::make_unique<RegistryKey>();
  for (const char *hive : kHiveNames) {
    root->subkeys.push_back(std::make_unique<RegistryKey>());
    root->subkeys.back()->name = hive;
  }
  return root;
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

RegistryKey *RegistryKey::FindSubkey(const std::string &childName) const {
  for (const auto &child : subkeys) {
    if (RegistryNamesEqual(child->name, childName)) return child.get();
  }
  return nullptr;
}

RegistryValue *RegistryKey::FindValue(const std::string &valueName) {
  for (RegistryValue &value : values) {
    if (RegistryNamesEqual(value.name, valueName)) return &value;
  }
  return nullptr;
}

const RegistryValue *RegistryKey::FindValue(const std::string &valueName) const {
  return const_cast<RegistryKey *>(this)->FindValue(valueName);
}

RegistryStore::RegistryStore() : root_(NewRootWithHives()) {}

void RegistryStore::Clear() { root_ = NewRootWithHives(); }

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
  if (!SplitRegistryPath(path, &parts) || !IsHiveName(parts[0])) return nullptr;
  RegistryKey *key = root_.get();
  bool madeLast = false;
  for (const std::string &part : parts) {
    RegistryKey *child = key->FindSubkey(part);
    madeLast = child == nullptr;
    if (madeLast) {
      key->subkeys.push_back(std::make_unique<RegistryKey>());
      child = key->subkeys.back().get();
      child->name = part;
    }
    key = child;
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
  auto &siblings = parent->subkeys;
  auto it = std::find_if(siblings.begin(), siblings.end(),
                         [&](const std::unique_ptr<RegistryKey> &k) { return RegistryNamesEqual(k->name, parts.back()); });
  if (it == siblings.end()) return false;
  siblings.erase(it);
  return true;
}

bool RegistryStore::DeleteLeafKey(const std::string &path) {
  const RegistryKey *key = FindKey(path);
  if (key == nullptr || !key->subkeys.empty()) return false;
  return DeleteKey(path);
}

void RegistryStore::SetValue(RegistryKey *key, const std::string &name, uint32_t type,
                             const std::vector<uint8_t> &data) {
  // An existing value keeps its place and the case of its name.
  RegistryValue *value = key->FindValue(name);
  if (value == nullptr) {
    key->values.push_back(RegistryValue{name, type, data});
    return;
  }
  value->type = type;
  value->data = data;
}

bool RegistryStore::DeleteValue(RegistryKey *key, const std::string &name) {
  auto &values = key->values;
  auto it = std::find_if(values.begin(), values.end(),
                         [&](const RegistryValue &v) { return RegistryNamesEqual(v.name, name); });
  if (it == values.end()) return false;
  values.erase(it);
  return true;
}

bool RegistryStore::SameTree(const RegistryStore &other) const { return SameKeys(*root_, *other.root_); }

}  // namespace hostkernel

// A registry: a tree of keys holding typed values, with the file format of
// the regedit export ("Windows Registry Editor Version 5.00"). The host kernel
// layer keeps one for the drivers; the host Win32 layer keeps one for the
// uninstaller. Plain host C++: this is not driver code.
//
// Paths are backslash-separated key names below the root, such as
// "MACHINE\SYSTEM\CurrentControlSet\Services\DCamSorvex". The root's
// children are the hives: "MACHINE" (HKEY_LOCAL_MACHINE in the file) and
// "USER" (HKEY_USERS). Both always exist, as on Windows, and no other key
// can be made under the root. Key and value names compare case-insensitively
// (ASCII case folding, as the Windows registry does for the names the system
// uses) and keep the case they were created with. Names are UTF-8 here; the APIs
// above convert from UTF-16 or ANSI. The empty value name is the key's
// default value ("@" in the file).
//
// A store loaded from a file remembers how the file spelt each key and value
// (with the comments before it), its encoding and its line ends, so that a
// save gives back everything nobody changed exactly as it was read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace hostkernel {

// Keys nest at most this deep, hive included, as on Windows.
constexpr size_t kMaxKeyDepth = 512;

// How a key or value was spelt in the file it was loaded from. Both parts
// hold whole lines with their line ends, in the file's text as UTF-8.
struct FileText {
  std::string leading;  // the blank and comment lines before it
  std::string own;      // its own lines; empty when made or changed since
};

struct RegistryValue {
  std::string name;
  uint32_t type = 0;  // REG_SZ, REG_BINARY, REG_DWORD, ...
  std::vector<uint8_t> data;  // REG_SZ data is UTF-16LE with its terminator, as on Windows
  FileText text;
};

struct RegistryKey {
  std::string name;
  std::vector<RegistryValue> values;               // in creation order
  std::vector<std::unique_ptr<RegistryKey>> subkeys;  // in creation order
  FileText text;
  // Made only as the parent of keys a loaded file named: such a key is saved
  // without a header of its own while its children make it.
  bool impliedByFile = false;
  // Positions in the two lists by case-folded name, kept by RegistryStore,
  // so that a lookup does not walk a list.
  std::unordered_map<std::string, size_t> valuePositions;
  std::unordered_map<std::string, size_t> subkeyPositions;

  RegistryKey() = default;
  // Takes the subtree apart without recursion.
  ~RegistryKey();

  RegistryKey *FindSubkey(const std::string &childName) const;
  RegistryValue *FindValue(const std::string &valueName);
  const RegistryValue *FindValue(const std::string &valueName) const;
};

// The file a store was loaded from, as far as a save must keep it.
enum class FileEncoding { kUtf8, kUtf8Bom, kUtf16LeBom };
struct FileLayout {
  FileEncoding encoding = FileEncoding::kUtf8;
  std::string lineEnd = "\n";
  std::string header;    // the header line with its line end; empty: the standard one
  std::string trailing = "\n";  // the blank and comment lines after the last entry
  bool endsWithLineEnd = true;
};

class RegistryStore {
 public:
  RegistryStore();

  // Finds a key by path; null when any part is missing.
  RegistryKey *FindKey(const std::string &path) const;
  // Finds or creates every key along the path; *created tells whether the
  // last one is new. Null for an invalid path (empty component, deeper than
  // kMaxKeyDepth).
  RegistryKey *CreateKey(const std::string &path, bool *created = nullptr);
  // Deletes a key with all its subkeys. False when it does not exist or is a
  // hive.
  bool DeleteKey(const std::string &path);
  // Deletes a key only when it has no subkeys (RegDeleteKey semantics).
  // False when it does not exist or has subkeys.
  bool DeleteLeafKey(const std::string &path);

  // A value set again with the same type and data keeps its text in the file.
  void SetValue(RegistryKey *key, const std::string &name, uint32_t type,
                const std::vector<uint8_t> &data);
  bool DeleteValue(RegistryKey *key, const std::string &name);

  RegistryKey &Root() { return *root_; }
  const RegistryKey &Root() const { return *root_; }
  // Empties the store, leaving the two hives, and forgets the file.
  void Clear();

  // Structural equality: same keys, values, types and data (names compared
  // case-insensitively, order ignored).
  bool SameTree(const RegistryStore &other) const;

  // The regedit export format, in UTF-8 (with or without a BOM) or UTF-16LE
  // with a BOM; a save writes the encoding and line ends that were read
  // (new stores: UTF-8 without BOM, LF). Load replaces the whole store; on
  // error the store is left unchanged and *error names the line
  // ("line 12: ..."), or for a file what is wrong with it.
  bool LoadText(const std::string &text, std::string *error);
  bool LoadFile(const std::string &path, std::string *error);
  std::string SaveText() const;
  bool SaveFile(const std::string &path, std::string *error) const;

 private:
  // While a file loads, deletions only forget the names, and the entries
  // leave their lists in one pass at the end: taking each out of the middle
  // of its list at once would make a load quadratic.
  void DropDeletedEntries();

  std::unique_ptr<RegistryKey> root_;
  FileLayout layout_;
  bool deferDeletions_ = false;
};

// Splits "A\B\C" into its components; false when a component is empty.
bool SplitRegistryPath(const std::string &path, std::vector<std::string> *parts);
// ASCII case-insensitive comparison of names.
bool RegistryNamesEqual(const std::string &a, const std::string &b);

// UTF-8 <-> UTF-16 for names and string data. Invalid sequences and unpaired
// surrogates become U+FFFD.
std::u16string Utf8ToUtf16(const std::string &utf8);
std::string Utf16ToUtf8(const std::u16string &utf16);

}  // namespace hostkernel

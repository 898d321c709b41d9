#include "machine_state.h"

#include <windows.h>
// After windows.h, which it needs.
#include <setupapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace wine_test {

const char kRecorderKey[] = "Software\\SorvexWineTest";

namespace {

// The registry trees the uninstaller deletes in, with what lies beside.
const char *const kMachineTrees[] = {
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
    "SOFTWARE\\Quendril",
    "SYSTEM\\CurrentControlSet\\Services",
};
// The file trees: the Windows directory (INFs, drivers, system files) and
// the programs. Wine's own scratch folders change by themselves.
const char *const kFileTrees[] = {"C:\\windows", "C:\\Program Files"};
const char *const kIgnoredFolders[] = {"C:\\windows\\temp", "C:\\windows\\logs"};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(tolower(c)); });
  return text;
}

bool StartsWithIgnoringCase(const std::string &text, const std::string &prefix) {
  return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == Lower(prefix);
}

std::string Hex(const BYTE *data, DWORD size) {
  std::string text;
  char byte[3];
  for (DWORD i = 0; i < size; ++i) {
    snprintf(byte, sizeof byte, "%02x", data[i]);
    text += byte;
  }
  return text;
}

// The strings of a REG_MULTI_SZ block, each followed by ';'.
std::string JoinMultiString(const std::vector<BYTE> &data, DWORD size) {
  const char *text = reinterpret_cast<const char *>(data.data());
  std::string joined;
  for (DWORD at = 0; at < size && text[at] != '\0';) {
    std::string part(text + at, strnlen(text + at, size - at));
    joined += part + ";";
    at += static_cast<DWORD>(part.size()) + 1;
  }
  return joined;
}

std::string ValueData(DWORD type, const std::vector<BYTE> &data, DWORD size) {
  const char *text = reinterpret_cast<const char *>(data.data());
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return std::string(type == REG_SZ ? "REG_SZ:" : "REG_EXPAND_SZ:") +
             std::string(text, strnlen(text, size));
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ:" + JoinMultiString(data, size);
    case REG_DWORD:
      if (size == 4) return "REG_DWORD:" + std::to_string(*reinterpret_cast<const DWORD *>(text));
      break;
  }
  return "type" + std::to_string(type) + ":" + Hex(data.data(), size);
}

void CaptureKey(HKEY root, const std::string &rootName, const std::string &path,
                MachineState *state) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  const std::string fullPath = rootName + "\\" + path;
  state->insert(KeyLine(fullPath));
  DWORD maxName = 0, maxData = 0;
  RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, NULL, &maxName, &maxData, NULL, NULL);
  std::vector<char> name(maxName + 1);
  std::vector<BYTE> data(maxData + 2);
  for (DWORD index = 0;; ++index) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    std::fill(data.begin(), data.end(), 0);
    if (RegEnumValueA(key, index, name.data(), &nameSize, NULL, &type, data.data(), &dataSize) !=
        ERROR_SUCCESS) {
      break;
    }
    state->insert(
        ValueLine(fullPath, std::string(name.data(), nameSize), ValueData(type, data, dataSize)));
  }
  std::vector<std::string> subkeys;
  char subkey[256];
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof subkey;
    if (RegEnumKeyExA(key, index, subkey, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
    subkeys.push_back(subkey);
  }
  RegCloseKey(key);
  for (const std::string &child : subkeys) CaptureKey(root, rootName, path + "\\" + child, state);
}

bool IsIgnoredFolder(const std::string &path) {
  for (const char *ignored : kIgnoredFolders) {
    if (Lower(path) == Lower(ignored)) return true;
  }
  return false;
}

void CaptureFiles(const std::string &folder, MachineState *state) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!IsIgnoredFolder(path)) CaptureFiles(path, state);
    } else {
      const bool readOnly = (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
      state->insert("file " + path + (readOnly ? " [read-only]" : ""));
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
}

std::string GuidText(const GUID &guid) {
  char text[40];
  snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
           static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
           guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6],
           guid.Data4[7]);
  return text;
}

void CaptureDevices(MachineState *state) {
  // Registered devices of every class, present or not.
  HDEVINFO devices = SetupDiGetClassDevsA(NULL, NULL, NULL, DIGCF_ALLCLASSES);
  if (devices == INVALID_HANDLE_VALUE) return;
  SP_DEVINFO_DATA device;
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    char instance[512] = "";
    SetupDiGetDeviceInstanceIdA(devices, &device, instance, sizeof instance, NULL);
    std::vector<BYTE> ids(1024, 0);
    std::string idList;
    DWORD size = 0;
    if (SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_HARDWAREID, NULL, ids.data(),
                                          static_cast<DWORD>(ids.size()) - 2, &size)) {
      idList = JoinMultiString(ids, size);
    }
    state->insert("device " + std::string(instance) + " class=" + GuidText(device.ClassGuid) +
                  " ids=" + idList);
  }
  SetupDiDestroyDeviceInfoList(devices);
}

}  // namespace

std::string KeyLine(const std::string &path) { return "key " + path; }

std::string ValueLine(const std::string &keyPath, const std::string &name,
                      const std::string &data) {
  return "value " + keyPath + "|" + name + "=" + data;
}

std::string WindowLine(const std::string &windowClass, const std::string &title) {
  return "window " + windowClass + "|" + title;
}

MachineState CaptureMachineState() {
  MachineState state;
  for (const char *tree : kMachineTrees) CaptureKey(HKEY_LOCAL_MACHINE, "HKLM", tree, &state);
  CaptureKey(HKEY_CURRENT_USER, "HKCU", kRecorderKey, &state);
  for (const char *tree : kFileTrees) CaptureFiles(tree, &state);
  CaptureDevices(&state);
  return state;
}

std::vector<std::string> PresentWindows(
    const std::vector<std::pair<std::string, std::string>> &windows) {
  std::vector<std::string> present;
  for (const auto &window : windows) {
    if (FindWindowA(window.first.c_str(), window.second.c_str()) != NULL) {
      present.push_back(WindowLine(window.first, window.second));
    }
  }
  return present;
}

bool SaveLines(const std::string &path, const std::set<std::string> &lines) {
  std::ofstream out(path, std::ios::binary);
  for (const std::string &line : lines) out << line << '\n';
  return static_cast<bool>(out);
}

bool LoadLines(const std::string &path, std::set<std::string> *lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  for (std::string line; std::getline(in, line);) lines->insert(line);
  return true;
}

void ExpectedChanges::RemoveKey(const std::string &path) {
  removals_.push_back({"key " + path,
                       {KeyLine(path)},
                       {KeyLine(path + "\\"), "value " + path + "|", "value " + path + "\\"}});
}

void ExpectedChanges::RemoveValue(const std::string &keyPath, const std::string &name) {
  removals_.push_back(
      {"value " + keyPath + "|" + name, {}, {"value " + keyPath + "|" + name + "="}});
}

void ExpectedChanges::RemoveFile(const std::string &path) {
  removals_.push_back({"file " + path, {"file " + path, "file " + path + " [read-only]"}, {}});
}

void ExpectedChanges::RemoveDevice(const std::string &instanceId) {
  removals_.push_back({"device " + instanceId, {}, {"device " + instanceId + " "}});
}

void ExpectedChanges::RemoveWindow(const std::string &windowClass, const std::string &title) {
  removals_.push_back({WindowLine(windowClass, title), {WindowLine(windowClass, title)}, {}});
}

void ExpectedChanges::Add(const std::string &line) { added_.push_back(line); }

MachineState ExpectedChanges::Apply(const MachineState &before,
                                    std::vector<std::string> *problems) const {
  MachineState after;
  std::vector<bool> matched(removals_.size(), false);
  for (const std::string &line : before) {
    bool removed = false;
    for (size_t i = 0; i < removals_.size(); ++i) {
      bool matches = false;
      for (const std::string &exact : removals_[i].lines)
        matches = matches || Lower(line) == Lower(exact);
      for (const std::string &prefix : removals_[i].prefixes) {
        matches = matches || StartsWithIgnoringCase(line, prefix);
      }
      if (matches) matched[i] = true;
      removed = removed || matches;
    }
    if (!removed) after.insert(line);
  }
  for (size_t i = 0; i < removals_.size(); ++i) {
    if (!matched[i])
      problems->push_back("expects the removal of what it did not set up: " + removals_[i].what);
  }
  for (const std::string &line : added_) after.insert(line);
  return after;
}

}  // namespace wine_test

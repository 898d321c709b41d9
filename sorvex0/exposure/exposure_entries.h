// Reading entries of the exposure tables. The index in use can be written
// from outside (a custom property) and so can lie anywhere: every lookup
// goes through LimitIndex.
#pragma once

#include <stdint.h>

namespace sorvex0 {

inline uint32_t ReadLe16(const uint8_t *bytes) {
  return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8);
}

// The index limited to 0..length - 1 (0 for an empty table).
inline int32_t LimitIndex(int32_t index, uint32_t length) {
  if (index < 0 || length == 0) return 0;
  if (static_cast<uint32_t>(index) >= length) return static_cast<int32_t>(length - 1);
  return index;
}

// The entry at the limited index; null when no table is chosen yet.
inline const uint8_t *TableEntry(const uint8_t *table, uint32_t length, uint32_t entryBytes,
                                 int32_t index) {
  if (table == nullptr || length == 0) return nullptr;
  return table + static_cast<uint32_t>(LimitIndex(index, length)) * entryBytes;
}

// The light level L of a level byte E: E above 100 marks entries past the
// normal range, which count as full light.
inline uint32_t LightOfLevelByte(uint32_t levelByte) { return levelByte > 100 ? 100 : levelByte; }

}  // namespace sorvex0

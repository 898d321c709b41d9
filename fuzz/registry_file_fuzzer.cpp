// The reading of registry files in the regedit export format. Any text either
// loads or is refused with the line at fault, leaving the store as it was;
// a text that loads saves to a text that loads back to the same tree and
// saves the same again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "hostkernel/registry_store.h"

namespace {

// What a store holds before a load, so that a refused load can be seen to
// change nothing.
void FillWithKnownTree(hostkernel::RegistryStore *store) {
  hostkernel::RegistryKey *key = store->CreateKey("MACHINE\\SOFTWARE\\Before");
  store->SetValue(key, "Kept", 4, {1, 2, 3, 4});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  hostkernel::RegistryStore store;
  FillWithKnownTree(&store);
  std::string error;
  if (!store.LoadText(text, &error)) {
    FUZZ_CHECK(error.compare(0, 5, "line ") == 0, "a refusal names its line");
    hostkernel::RegistryStore untouched;
    FillWithKnownTree(&untouched);
    FUZZ_CHECK(store.SameTree(untouched), "a refused load leaves the store unchanged");
    return 0;
  }
  const std::string saved = store.SaveText();
  hostkernel::RegistryStore reloaded;
  FUZZ_CHECK(reloaded.LoadText(saved, &error), "a saved store loads back");
  FUZZ_CHECK(reloaded.SameTree(store), "a saved store reloads to the same tree");
  FUZZ_CHECK(reloaded.SaveText() == saved, "a reloaded store saves the same text");
  return 0;
}

// The key tree of the registry store.
#include <gtest/gtest.h>

#include "hostkernel/registry_store.h"

namespace {

using hostkernel::RegistryKey;
using hostkernel::RegistryStore;

TEST(RegistryStore, HivesAlwaysExistAndNothingElseGoesUnderTheRoot) {
  RegistryStore store;
  EXPECT_NE(store.FindKey("MACHINE"), nullptr);
  EXPECT_NE(store.FindKey("user"), nullptr);
  EXPECT_EQ(store.CreateKey("SOFTWARE\\X"), nullptr);
  EXPECT_FALSE(store.DeleteKey("MACHINE"));
  store.CreateKey("MACHINE\\A");
  store.Clear();
  EXPECT_EQ(store.FindKey("MACHINE\\A"), nullptr);
  EXPECT_NE(store.FindKey("MACHINE"), nullptr);
}

TEST(RegistryStore, CreateMakesIntermediatesAndNamesKeepTheirCase) {
  RegistryStore store;
  bool created = false;
  RegistryKey *key = store.CreateKey("MACHINE\\System\\CurrentControlSet", &created);
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(created);
  EXPECT_EQ(store.CreateKey("machine\\SYSTEM\\currentcontrolset", &created), key);
  EXPECT_FALSE(created);
  EXPECT_EQ(key->name, "CurrentControlSet");
  EXPECT_NE(store.FindKey("MACHINE\\system"), nullptr);
  EXPECT_EQ(store.CreateKey("MACHINE\\\\A"), nullptr);
  EXPECT_EQ(store.CreateKey("MACHINE\\A\\"), nullptr);
  EXPECT_EQ(store.FindKey(""), nullptr);
}

TEST(RegistryStore, ValuesReplaceInPlaceAndCompareCaseInsensitively) {
  RegistryStore store;
  RegistryKey *key = store.CreateKey("MACHINE\\A");
  store.SetValue(key, "Gain", 4, {1, 0, 0, 0});
  store.SetValue(key, "Other", 3, {9});
  store.SetValue(key, "GAIN", 3, {2});
  ASSERT_EQ(key->values.size(), 2u);
  EXPECT_EQ(key->values[0].name, "Gain");
  EXPECT_EQ(key->values[0].type, 3u);
  EXPECT_EQ(key->values[0].data, std::vector<uint8_t>{2});
  EXPECT_TRUE(store.DeleteValue(key, "gain"));
  EXPECT_FALSE(store.DeleteValue(key, "gain"));
  EXPECT_EQ(key->FindValue("Gain"), nullptr);
}

TEST(RegistryStore, DeleteKeyRemovesTheSubtreeAndDeleteLeafKeyOnlyLeaves) {
  RegistryStore store;
  store.CreateKey("MACHINE\\A\\B\\C");
  EXPECT_FALSE(store.DeleteLeafKey("MACHINE\\A\\B"));
  EXPECT_TRUE(store.DeleteLeafKey("MACHINE\\A\\B\\C"));
  store.CreateKey("MACHINE\\A\\B\\C");
  EXPECT_TRUE(store.DeleteKey("machine\\a"));
  EXPECT_EQ(store.FindKey("MACHINE\\A\\B\\C"), nullptr);
  EXPECT_EQ(store.FindKey("MACHINE\\A"), nullptr);
  EXPECT_FALSE(store.DeleteKey("MACHINE\\A"));
}

TEST(RegistryStore, SameTreeIgnoresOrderAndCaseButNotData) {
  RegistryStore a, b;
  a.SetValue(a.CreateKey("MACHINE\\X"), "v", 4, {1, 0, 0, 0});
  a.CreateKey("MACHINE\\Y");
  b.CreateKey("machine\\y");
  b.SetValue(b.CreateKey("MACHINE\\x"), "V", 4, {1, 0, 0, 0});
  EXPECT_TRUE(a.SameTree(b));
  b.SetValue(b.FindKey("MACHINE\\X"), "v", 4, {2, 0, 0, 0});
  EXPECT_FALSE(a.SameTree(b));
  b.SetValue(b.FindKey("MACHINE\\X"), "v", 3, {1, 0, 0, 0});
  EXPECT_FALSE(a.SameTree(b));
  b.SetValue(b.FindKey("MACHINE\\X"), "v", 4, {1, 0, 0, 0});
  b.CreateKey("MACHINE\\Y\\Z");
  EXPECT_FALSE(a.SameTree(b));
}

}  // namespace

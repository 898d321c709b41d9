// The regedit export format: writing, reading, round trips and rejection of
// malformed files.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "hostkernel/registry_store.h"

namespace {

using hostkernel::RegistryKey;
using hostkernel::RegistryStore;

constexpr uint32_t kSz = 1, kExpandSz = 2, kBinary = 3, kDword = 4, kMultiSz = 7, kQword = 11;

std::vector<uint8_t> Utf16Le(const std::u16string &text) {
  std::vector<uint8_t> bytes;
  for (char16_t u : text) {
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  return bytes;
}

// Every value kind, an empty key and both hives.
RegistryStore SampleStore() {
  RegistryStore store;
  RegistryKey *key = store.CreateKey("MACHINE\\SYSTEM\\Sorvex");
  store.SetValue(key, "Name", kSz, Utf16Le(std::u16string(u"Cam \"1\" C:\\x \u00E9") + u'\0'));
  store.SetValue(key, "", kDword, {0x0a, 0, 0, 0});
  store.SetValue(key, "Bin", kBinary, {0x01, 0xff});
  store.SetValue(key, "Path", kExpandSz, Utf16Le(std::u16string(u"%S") + u'\0'));
  store.SetValue(key, "List", kMultiSz, Utf16Le(std::u16string(u"a\0b\0\0", 5)));
  store.SetValue(key, "Q", kQword, {1, 2, 3, 4, 5, 6, 7, 8});
  store.SetValue(key, "None", 0, {});
  store.SetValue(key, "Odd\"\\Name", kBinary, {});
  store.CreateKey("USER\\S-1\\Empty");
  return store;
}

const char kSampleText[] =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_LOCAL_MACHINE]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM]\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\Sorvex]\n"
    "\"Name\"=\"Cam \\\"1\\\" C:\\\\x \xC3\xA9\"\n"
    "@=dword:0000000a\n"
    "\"Bin\"=hex:01,ff\n"
    "\"Path\"=hex(2):25,00,53,00,00,00\n"
    "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
    "\"Q\"=hex(b):01,02,03,04,05,06,07,08\n"
    "\"None\"=hex(0):\n"
    "\"Odd\\\"\\\\Name\"=hex:\n"
    "\n"
    "[HKEY_USERS]\n"
    "\n"
    "[HKEY_USERS\\S-1]\n"
    "\n"
    "[HKEY_USERS\\S-1\\Empty]\n"
    "\n";

const char kHeader[] = "Windows Registry Editor Version 5.00\n";

TEST(RegeditFile, WritesEveryValueKindAndEveryKey) {
  EXPECT_EQ(SampleStore().SaveText(), kSampleText);
}

TEST(RegeditFile, RoundTripGivesTheSameTreeAndTheSameText) {
  const RegistryStore original = SampleStore();
  const std::string saved = original.SaveText();
  RegistryStore loaded;
  std::string error;
  ASSERT_TRUE(loaded.LoadText(saved, &error)) << error;
  EXPECT_TRUE(loaded.SameTree(original));
  EXPECT_EQ(loaded.SaveText(), saved);
}

TEST(RegeditFile, StringsThatTextWouldAlterAreWrittenAsHex) {
  RegistryStore store;
  RegistryKey *key = store.CreateKey("MACHINE\\K");
  store.SetValue(key, "NoTerminator", kSz, Utf16Le(u"ab"));
  store.SetValue(key, "Newline", kSz, Utf16Le(std::u16string(u"a\nb") + u'\0'));
  store.SetValue(key, "Embedded", kSz, Utf16Le(std::u16string(u"a\0b\0", 4)));
  store.SetValue(key, "LoneSurrogate", kSz, Utf16Le(std::u16string(u"\xD800") + u'\0'));
  store.SetValue(key, "OddLength", kSz, {0x41, 0, 0});
  const std::string text = store.SaveText();
  EXPECT_NE(text.find("\"NoTerminator\"=hex(1):61,00,62,00\n"), std::string::npos);
  EXPECT_NE(text.find("\"OddLength\"=hex(1):41,00,00\n"), std::string::npos);
  RegistryStore loaded;
  std::string error;
  ASSERT_TRUE(loaded.LoadText(text, &error)) << error;
  EXPECT_TRUE(loaded.SameTree(store));
}

TEST(RegeditFile, LongHexDataWrapsBelowEightyColumnsAndReadsBack) {
  RegistryStore store;
  std::vector<uint8_t> data;
  for (int i = 0; i < 200; ++i) data.push_back(static_cast<uint8_t>(i * 7));
  store.SetValue(store.CreateKey("MACHINE\\K"), "Table", kBinary, data);
  store.SetValue(store.CreateKey("MACHINE\\K"), std::string(90, 'N'), kBinary, {1, 2});
  const std::string text = store.SaveText();

  std::istringstream lines(text);
  std::string line;
  int continuations = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("  ", 0) == 0) ++continuations;
    if (line.find("\"NNN") == std::string::npos) {
      EXPECT_LE(line.size(), 80u) << line;
    }
  }
  EXPECT_GE(continuations, 8);
  RegistryStore loaded;
  std::string error;
  ASSERT_TRUE(loaded.LoadText(text, &error)) << error;
  EXPECT_TRUE(loaded.SameTree(store));
  EXPECT_EQ(loaded.SaveText(), text);
}

TEST(RegeditFile, ReadsWhatOtherWritersProduce) {
  const std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; written by hand\r\n"
      "[hkey_local_machine\\Software\\Cam]\r\n"
      "\"Short\"=dword:a\r\n"
      "\"Upper\"=HEX:0A,Ff\r\n"
      "\"Wrapped\"=hex(7):41,00,\\\r\n"
      "    00,00 , 00,\\\r\n"
      "  00\r\n"
      "   @ = \"default\"  \r\n";
  RegistryStore store;
  std::string error;
  ASSERT_TRUE(store.LoadText(text, &error)) << error;
  const RegistryKey *key = store.FindKey("MACHINE\\SOFTWARE\\CAM");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->FindValue("Short")->data, (std::vector<uint8_t>{0x0a, 0, 0, 0}));
  EXPECT_EQ(key->FindValue("Upper")->data, (std::vector<uint8_t>{0x0a, 0xff}));
  EXPECT_EQ(key->FindValue("Wrapped")->type, kMultiSz);
  EXPECT_EQ(key->FindValue("Wrapped")->data, (std::vector<uint8_t>{0x41, 0, 0, 0, 0, 0}));
  EXPECT_EQ(key->FindValue("")->data, Utf16Le(std::u16string(u"default") + u'\0'));
}

TEST(RegeditFile, DeletionsRemoveKeysAndValuesReadEarlier) {
  const std::string text = std::string(kHeader) +
                           "[HKEY_LOCAL_MACHINE\\A\\B\\C]\n"
                           "[HKEY_LOCAL_MACHINE\\A]\n"
                           "\"keep\"=dword:00000001\n"
                           "\"drop\"=dword:00000002\n"
                           "[-HKEY_LOCAL_MACHINE\\A\\B]\n"
                           "[-HKEY_LOCAL_MACHINE\\Missing\\Key]\n"
                           "[HKEY_LOCAL_MACHINE\\A]\n"
                           "\"drop\"=-\n"
                           "\"never-there\"=-\n";
  RegistryStore store;
  std::string error;
  ASSERT_TRUE(store.LoadText(text, &error)) << error;
  EXPECT_EQ(store.FindKey("MACHINE\\A\\B"), nullptr);
  const RegistryKey *a = store.FindKey("MACHINE\\A");
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a->FindValue("keep"), nullptr);
  EXPECT_EQ(a->FindValue("drop"), nullptr);
}

struct MalformedCase {
  const char *body;  // after the header line
  const char *error;
};

TEST(RegeditFile, MalformedInputIsRejectedNamingTheLineAndChangesNothing) {
  const MalformedCase cases[] = {
      {"[HKEY_LOCAL_MACHINE\\A\n", "line 2: bad key header"},
      {"\n[HKEY_LOCAL_MACHINE\\\\A]\n", "line 3: bad key header"},
      {"[]\n", "line 2: bad key header"},
      {"[HKEY_CLASSES_ROOT\\A]\n", "line 2: unknown root hive"},
      {"[-HKEY_LOCAL_MACHINE]\n", "line 2: a root hive cannot be deleted"},
      {"\"v\"=dword:00000001\n", "line 2: value outside a key"},
      {"[-HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:1\n", "line 3: value outside a key"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:123456789\n", "line 3: bad dword"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:12x\n", "line 3: bad dword"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:\n", "line 3: bad dword"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,2g\n", "line 3: bad hex byte"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,,02\n", "line 3: bad hex byte"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,02,\n", "line 3: bad hex byte"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:100\n", "line 3: bad hex byte"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex(zz):01\n", "line 3: bad hex type"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"abc\n", "line 3: unterminated string"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v=1\n", "line 3: unterminated string"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"a\\qb\"\n", "line 3: bad escape in string"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=\"a\"b\n", "line 3: text after the closing quote"},
      {"[HKEY_LOCAL_MACHINE\\A]\nv=1\n", "line 3: expected \"name\"=data"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\" 1\n", "line 3: expected \"name\"=data"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=foo\n", "line 3: bad value data"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,\\\n", "line 3: truncated continuation"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,\\\n\n  02\n", "line 3: truncated continuation"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,\\\n[HKEY_LOCAL_MACHINE\\B]\n", "line 3: truncated continuation"},
      {"[HKEY_LOCAL_MACHINE\\A]\n\"v\"=hex:01,\\\n  02,\\\n  zz\n", "line 5: bad hex byte"},
  };
  RegistryStore before;
  before.SetValue(before.CreateKey("MACHINE\\Existing"), "x", kDword, {1, 0, 0, 0});
  for (const MalformedCase &c : cases) {
    RegistryStore store;
    store.SetValue(store.CreateKey("MACHINE\\Existing"), "x", kDword, {1, 0, 0, 0});
    std::string error;
    EXPECT_FALSE(store.LoadText(std::string(kHeader) + c.body, &error)) << c.body;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got '" << error << "' for:\n" << c.body;
    EXPECT_TRUE(store.SameTree(before)) << c.body;
  }
}

TEST(RegeditFile, MissingOrWrongHeaderIsLineOne) {
  RegistryStore store;
  std::string error;
  EXPECT_FALSE(store.LoadText("", &error));
  EXPECT_EQ(error, "line 1: missing header");
  EXPECT_FALSE(store.LoadText("REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n", &error));
  EXPECT_EQ(error, "line 1: missing header");
  EXPECT_FALSE(store.LoadText("\n" + std::string(kHeader), &error));
  EXPECT_EQ(error, "line 1: missing header");
}

std::string ReadFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(RegeditFile, SavesAndLoadsFiles) {
  const std::string path = testing::TempDir() + "regedit_file_test.reg";
  const RegistryStore original = SampleStore();
  std::string error;
  ASSERT_TRUE(original.SaveFile(path, &error)) << error;
  EXPECT_EQ(ReadFile(path), original.SaveText());
  RegistryStore loaded;
  ASSERT_TRUE(loaded.LoadFile(path, &error)) << error;
  EXPECT_TRUE(loaded.SameTree(original));
  std::remove(path.c_str());

  EXPECT_FALSE(loaded.LoadFile(path, &error));
  EXPECT_NE(error.find(path), std::string::npos);
  EXPECT_TRUE(loaded.SameTree(original));
  EXPECT_FALSE(original.SaveFile(testing::TempDir() + "no/such/dir/x.reg", &error));
}

}  // namespace

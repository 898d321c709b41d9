// The regedit export format: writing, reading, round trips and rejection of
// malformed files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The bytes of a file in each encoding regedit and editors write: UTF-8
// with or without a BOM, UTF-16LE with a BOM (what regedit exports).
enum class Encoding { kUtf8, kUtf8Bom, kUtf16Le };

void PrintTo(Encoding encoding, std::ostream *out) {
  *out << (encoding == Encoding::kUtf8 ? "UTF-8" : encoding == Encoding::kUtf8Bom ? "UTF-8 with BOM" : "UTF-16LE");
}

std::string Encoded(const std::string &utf8, Encoding encoding) {
  if (encoding == Encoding::kUtf8) return utf8;
  if (encoding == Encoding::kUtf8Bom) return "\xEF\xBB\xBF" + utf8;
  const std::vector<uint8_t> bytes = Utf16Le(hostkernel::Utf8ToUtf16(utf8));
  return "\xFF\xFE" + std::string(bytes.begin(), bytes.end());
}

class OtherWritersTest : public ::testing::TestWithParam<Encoding> {};

TEST_P(OtherWritersTest, ReadsWhatOtherWritersProduceAndGivesItBackUnchanged) {
  const std::string before =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; written by hand\r\n"
      "[hkey_local_machine\\Software\\Cam]\r\n"
      "\"Short\"=dword:a\r\n"
      "\"Upper\"=HEX:0A,Ff\r\n"
      "\"Wrapped\"=hex(7):41,00,\\\r\n"
      "    00,00 , 00,\\\r\n"
      "  00\r\n"
      "   @ = \"default\"  \r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
      "; a comment before a value\r\n"
      "\"Owner\"=\"Ren\xC3\xA9" "e\"\r\n";
  const std::string text = Encoded(before + "\"Count\"=dword:00000001\r\n\r\n", GetParam());
  RegistryStore store;
  std::string error;
  ASSERT_TRUE(store.LoadText(text, &error)) << error;
  RegistryKey *key = store.FindKey("MACHINE\\SOFTWARE\\CAM");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->FindValue("Short")->data, (std::vector<uint8_t>{0x0a, 0, 0, 0}));
  EXPECT_EQ(key->FindValue("Upper")->data, (std::vector<uint8_t>{0x0a, 0xff}));
  EXPECT_EQ(key->FindValue("Wrapped")->type, kMultiSz);
  EXPECT_EQ(key->FindValue("Wrapped")->data, (std::vector<uint8_t>{0x41, 0, 0, 0, 0, 0}));
  EXPECT_EQ(key->FindValue("")->data, Utf16Le(std::u16string(u"default") + u'\0'));
  EXPECT_EQ(store.FindKey("MACHINE\\SOFTWARE\\Other")->FindValue("Owner")->data,
            Utf16Le(std::u16string(u"Ren\u00E9e") + u'\0'));
  EXPECT_EQ(store.SaveText(), text);

  // Setting a value to what it holds changes nothing; a changed value, a new
  // value and a new key are written afresh, in the file's encoding and line
  // ends, and every other line stays as it was.
  store.SetValue(key, "upper", kBinary, {0x0a, 0xff});
  EXPECT_EQ(store.SaveText(), text);
  store.SetValue(store.FindKey("MACHINE\\SOFTWARE\\Other"), "Count", kDword, {2, 0, 0, 0});
  store.SetValue(store.CreateKey("MACHINE\\SOFTWARE\\New"), "Made", kSz, Utf16Le(std::u16string(u"\u00E9") + u'\0'));
  EXPECT_EQ(store.SaveText(), Encoded(before +
                                          "\"Count\"=dword:00000002\r\n"
                                          "\r\n"
                                          "[HKEY_LOCAL_MACHINE\\Software\\New]\r\n"
                                          "\"Made\"=\"\xC3\xA9\"\r\n"
                                          "\r\n",
                                      GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Encodings, OtherWritersTest,
                         ::testing::Values(Encoding::kUtf8, Encoding::kUtf8Bom, Encoding::kUtf16Le));

TEST(RegeditFile, TextThatIsNotUtf8ComesBackAsItWas) {
  // A Latin-1 "Renée", a last line without a line end, a header with blanks
  // after it and a comment inside the file list.
  const std::string text = std::string(kHeader) + "[HKEY_USERS\\S-1\\Names]\n"
                           "\"Ren\xE9" "e\"=\"Ren\xE9" "e\"\n"
                           "  ; \xA7 old value\n"
                           "\"x\"=dword:00000001";
  for (const std::string &file : {text, std::string("Windows Registry Editor Version 5.00  \n\n") + text.substr(sizeof kHeader - 1)}) {
    RegistryStore store;
    std::string error;
    ASSERT_TRUE(store.LoadText(file, &error)) << error;
    EXPECT_EQ(store.SaveText(), file);
  }
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
                           "\"never-there\"=-\n"
                           "\"again\"=dword:00000003\n"
                           "\"again\"=-\n"
                           "\"AGAIN\"=dword:00000004\n"
                           "\"last\"=dword:00000005\n"
                           "[-HKEY_LOCAL_MACHINE\\A\\X]\n"
                           "[HKEY_LOCAL_MACHINE\\A\\X]\n"
                           "[-HKEY_LOCAL_MACHINE\\A\\X]\n";
  RegistryStore store;
  std::string error;
  ASSERT_TRUE(store.LoadText(text, &error)) << error;
  EXPECT_EQ(store.FindKey("MACHINE\\A\\B"), nullptr);
  EXPECT_EQ(store.FindKey("MACHINE\\A\\X"), nullptr);
  const RegistryKey *a = store.FindKey("MACHINE\\A");
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(a->subkeys.empty());
  // A value set again after its deletion is a new value: last in the key.
  std::vector<std::string> names;
  for (const hostkernel::RegistryValue &value : a->values) names.push_back(value.name);
  EXPECT_EQ(names, (std::vector<std::string>{"keep", "AGAIN", "last"}));
  EXPECT_EQ(a->FindValue("again")->data, (std::vector<uint8_t>{4, 0, 0, 0}));
}

TEST(RegeditFile, KeysNestAtMostFiveHundredAndTwelveLevels) {
  std::string path = "MACHINE";
  for (size_t depth = 1; depth < hostkernel::kMaxKeyDepth; ++depth) path += "\\k";
  RegistryStore store;
  ASSERT_NE(store.CreateKey(path), nullptr);
  EXPECT_EQ(store.CreateKey(path + "\\k"), nullptr);
  RegistryStore loaded;
  std::string error;
  ASSERT_TRUE(loaded.LoadText(store.SaveText(), &error)) << error;
  EXPECT_TRUE(loaded.SameTree(store));
}

struct MalformedCase {
  std::string body;  // after the header line
  const char *error;
};

// A key header `depth` levels deep.
std::string KeyHeaderOfDepth(size_t depth) {
  std::string header = "[HKEY_LOCAL_MACHINE";
  for (size_t level = 1; level < depth; ++level) header += "\\k";
  return header + "]\n";
}

TEST(RegeditFile, MalformedInputIsRejectedNamingTheLineAndChangesNothing) {
  const MalformedCase cases[] = {
      {KeyHeaderOfDepth(hostkernel::kMaxKeyDepth + 1), "line 2: key nested deeper than 512 levels"},
      // 2 MB of "\k": neither the refusal nor the discarded store may recurse.
      {"[HKEY_LOCAL_MACHINE\\A]\n" + KeyHeaderOfDepth(1000000), "line 3: key nested deeper than 512 levels"},
      {"[-" + KeyHeaderOfDepth(hostkernel::kMaxKeyDepth + 1).substr(1), "line 2: key nested deeper than 512 levels"},
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
    const std::string shown = c.body.substr(0, 200);
    EXPECT_FALSE(store.LoadText(std::string(kHeader) + c.body, &error)) << shown;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got '" << error << "' for:\n" << shown;
    EXPECT_TRUE(store.SameTree(before)) << shown;
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

  // What is wrong with a file that cannot be loaded, without reading a FIFO
  // (which would wait for a writer).
  const std::string fifo = testing::TempDir() + "regedit_file_test.fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::pair<std::string, std::string> refusals[] = {
      {path, "cannot be read: No such file or directory"},
      {testing::TempDir(), "is a folder, not a registry file"},
      {fifo, "is not a regular file"},
  };
  for (const auto &refusal : refusals) {
    EXPECT_FALSE(loaded.LoadFile(refusal.first, &error));
    EXPECT_EQ(error, refusal.second);
    EXPECT_TRUE(loaded.SameTree(original));
  }
  std::remove(fifo.c_str());
  EXPECT_FALSE(original.SaveFile(testing::TempDir() + "no/such/dir/x.reg", &error));
  EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;

  // A registry file that is a symbolic link: the linked file is written, in
  // its own mode, and the link stays a link.
  const std::string target = testing::TempDir() + "regedit_file_test_target.reg";
  const std::string link = testing::TempDir() + "regedit_file_test_link.reg";
  std::remove(link.c_str());
  { std::ofstream(target) << "old"; }
  ASSERT_EQ(chmod(target.c_str(), 0600), 0);
  ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
  ASSERT_TRUE(original.SaveFile(link, &error)) << error;
  struct stat linkStatus = {}, targetStatus = {};
  ASSERT_EQ(lstat(link.c_str(), &linkStatus), 0);
  EXPECT_TRUE(S_ISLNK(linkStatus.st_mode));
  ASSERT_EQ(stat(target.c_str(), &targetStatus), 0);
  EXPECT_EQ(0600u, targetStatus.st_mode & 0777u);
  EXPECT_EQ(ReadFile(target), original.SaveText());
  std::remove(link.c_str());
  std::remove(target.c_str());
}

}  // namespace

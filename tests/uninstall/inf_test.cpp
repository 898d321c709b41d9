// INF files through the setup API: syntax, [Strings], fields and errors.
#include <gtest/gtest.h>

#include "host_test_support.h"
#include "hostwin32/win32.h"

namespace hostwin32_test {
namespace {

constexpr char kVersion[] =
    "[Version]\n"
    "Signature=\"$Windows NT$\"\n"
    "Class=Image\n";

class InfTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (inf_ != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf_);
  }

  // Writes C:\WINDOWS\inf\test.inf (CR LF line ends) and opens it.
  HINF Open(const std::string &text, DWORD style = INF_STYLE_WIN4, PCSTR infClass = nullptr) {
    WriteHostFile(machine_.Root() + "/WINDOWS/inf/test.inf", WithCrLf(text));
    inf_ = SetupOpenInfFileA("C:\\WINDOWS\\INF\\TEST.INF", infClass, style, &errorLine_);
    return inf_;
  }

  // Field `field` of line `line` (0-based) of a section, or "<none>".
  std::string Field(const std::string &section, unsigned line, DWORD field) {
    INFCONTEXT context;
    if (!SetupFindFirstLineA(inf_, section.c_str(), nullptr, &context)) return "<none>";
    for (unsigned i = 0; i < line; ++i) {
      if (!SetupFindNextLine(&context, &context)) return "<none>";
    }
    char buffer[512];
    if (!SetupGetStringFieldA(&context, field, buffer, sizeof buffer, nullptr)) return "<none>";
    return buffer;
  }

  unsigned LineCount(const std::string &section) {
    INFCONTEXT context;
    unsigned count = 0;
    for (BOOL found = SetupFindFirstLineA(inf_, section.c_str(), nullptr, &context); found;
         found = SetupFindNextLine(&context, &context)) {
      ++count;
    }
    return count;
  }

  HostMachineEnvironment machine_;
  HINF inf_ = INVALID_HANDLE_VALUE;
  UINT errorLine_ = 0;
};

TEST_F(InfTest, KeysAndFieldsWithStringSubstitution) {
  ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string(kVersion) +
                                       "[Quendril]\n"
                                       "%Camera.Desc%=SorvexCam,USB\\VID_1E4E&PID_0102\n"
                                       "%camera.desc%=Other,%Unknown%,100%%\n"
                                       "[Strings]\n"
                                       "Camera.Desc=\"Sorvecam USB 2.0 Camera\"\n"));
  // Section names in any case.
  EXPECT_EQ("Sorvecam USB 2.0 Camera", Field("quendril", 0, 0));
  EXPECT_EQ("SorvexCam", Field("QUENDRIL", 0, 1));
  EXPECT_EQ("USB\\VID_1E4E&PID_0102", Field("Quendril", 0, 2));
  EXPECT_EQ("<none>", Field("Quendril", 0, 3));
  // String keys in any case; an unknown one stays as written; %% is %.
  EXPECT_EQ("Sorvecam USB 2.0 Camera", Field("Quendril", 1, 0));
  EXPECT_EQ("%Unknown%", Field("Quendril", 1, 2));
  EXPECT_EQ("100%", Field("Quendril", 1, 3));
}

TEST_F(InfTest, QuotedTextCommentsAndBlanks) {
  ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string(kVersion) +
                                       "; a comment line\n"
                                       "\n"
                                       "[Quoted]\n"
                                       "  key one  =  value one  , two ; comment, three\n"
                                       "   ; only a comment\n"
                                       "Text=\"a, b; c=d\",\" padded \",\"say \"\"hi\"\"\",x \"y\" z\n"));
  EXPECT_EQ(2u, LineCount("Quoted"));
  EXPECT_EQ("key one", Field("Quoted", 0, 0));
  EXPECT_EQ("value one", Field("Quoted", 0, 1));
  EXPECT_EQ("two", Field("Quoted", 0, 2));
  EXPECT_EQ("<none>", Field("Quoted", 0, 3));
  EXPECT_EQ("a, b; c=d", Field("Quoted", 1, 1));
  EXPECT_EQ(" padded ", Field("Quoted", 1, 2));
  EXPECT_EQ("say \"hi\"", Field("Quoted", 1, 3));
  EXPECT_EQ("x y z", Field("Quoted", 1, 4));
}

TEST_F(InfTest, TrailingBackslashJoinsTheNextLine) {
  ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string(kVersion) +
                                       "[Joined]\n"
                                       "Ids=USB\\VID_1E4E, \\\n"
                                       "    USB\\VID_046D ,\\ ; comment after the backslash\n"
                                       "    last\n"
                                       "Next=\"quoted \\\"\n"));
  EXPECT_EQ(2u, LineCount("Joined"));
  EXPECT_EQ("USB\\VID_1E4E", Field("Joined", 0, 1));
  EXPECT_EQ("USB\\VID_046D", Field("Joined", 0, 2));
  EXPECT_EQ("last", Field("Joined", 0, 3));
  // Inside quotes a backslash is text.
  EXPECT_EQ("quoted \\", Field("Joined", 1, 1));
}

TEST_F(InfTest, KeyIsTextBeforeAnEqualsSignThatPrecedesAnyComma) {
  ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string(kVersion) +
                                       "[Keys]\n"
                                       "ab,cd=ef\n"
                                       "single\n"
                                       "=empty key\n"));
  EXPECT_EQ("<none>", Field("Keys", 0, 0));
  EXPECT_EQ("ab", Field("Keys", 0, 1));
  EXPECT_EQ("cd=ef", Field("Keys", 0, 2));
  // A lone field is the key as well, as on Windows.
  EXPECT_EQ("single", Field("Keys", 1, 0));
  EXPECT_EQ("single", Field("Keys", 1, 1));
  EXPECT_EQ("", Field("Keys", 2, 0));
  EXPECT_EQ("empty key", Field("Keys", 2, 1));
}

TEST_F(InfTest, RepeatedSectionsMergeAndLinesAreFoundByKey) {
  ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string(kVersion) +
                                       "[Files]\n"
                                       "a.sys=1\n"
                                       "[Other]\n"
                                       "x=2\n"
                                       "[FILES]\n"
                                       "B.dll=1\n"));
  EXPECT_EQ(2u, LineCount("files"));
  INFCONTEXT context;
  ASSERT_TRUE(SetupFindFirstLineA(inf_, "Files", "b.DLL", &context));
  char key[16];
  ASSERT_TRUE(SetupGetStringFieldA(&context, 0, key, sizeof key, nullptr));
  EXPECT_STREQ("B.dll", key);
  EXPECT_FALSE(SetupFindNextLine(&context, &context));
  EXPECT_EQ(static_cast<DWORD>(ERROR_LINE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(SetupFindFirstLineA(inf_, "Files", "c.sys", &context));
  EXPECT_EQ(static_cast<DWORD>(ERROR_LINE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(SetupFindFirstLineA(inf_, "Missing", nullptr, &context));
  EXPECT_EQ(static_cast<DWORD>(ERROR_LINE_NOT_FOUND), GetLastError());
}

TEST_F(InfTest, FieldThatDoesNotFitReportsItsSize) {
  ASSERT_NE(INVALID_HANDLE_VALUE, Open(std::string(kVersion) + "[S]\nkey=%Id%\n[Strings]\nId=0123456789\n"));
  INFCONTEXT context;
  ASSERT_TRUE(SetupFindFirstLineA(inf_, "S", nullptr, &context));
  char buffer[16];
  DWORD required = 0;
  // The size is that of the substituted text with its terminator.
  EXPECT_FALSE(SetupGetStringFieldA(&context, 1, buffer, 10, &required));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  EXPECT_EQ(11u, required);
  EXPECT_TRUE(SetupGetStringFieldA(&context, 1, buffer, 11, &required));
  EXPECT_STREQ("0123456789", buffer);
  required = 0;
  EXPECT_TRUE(SetupGetStringFieldA(&context, 1, nullptr, 0, &required));
  EXPECT_EQ(11u, required);
  EXPECT_FALSE(SetupGetStringFieldA(&context, 2, buffer, sizeof buffer, &required));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(InfTest, OpenFailures) {
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open("[Version]\nClass=Image\n"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_WRONG_INF_STYLE), GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, SetupOpenInfFileA("C:\\WINDOWS\\inf\\none.inf", nullptr,
                                                    INF_STYLE_WIN4, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, SetupOpenInfFileA("C:\\WINDOWS\\none\\a.inf", nullptr,
                                                    INF_STYLE_WIN4, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(kVersion, INF_STYLE_OLDNT));
  EXPECT_EQ(static_cast<DWORD>(ERROR_WRONG_INF_STYLE), GetLastError());
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(kVersion, INF_STYLE_WIN4, "Net"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_CLASS_MISMATCH), GetLastError());

  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(std::string(kVersion) + "\n[Broken\nx=1\n"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_SECTION_NAME_LINE), GetLastError());
  EXPECT_EQ(5u, errorLine_);
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(std::string("stray=1\n") + kVersion));
  EXPECT_EQ(static_cast<DWORD>(ERROR_EXPECTED_SECTION_NAME), GetLastError());
  EXPECT_EQ(1u, errorLine_);
}

TEST_F(InfTest, ClassMatchesInAnyCaseAndBareNamesComeFromTheInfDirectory) {
  ASSERT_NE(INVALID_HANDLE_VALUE, Open(kVersion, INF_STYLE_WIN4, "IMAGE"));
  HINF byName = SetupOpenInfFileA("test.inf", nullptr, INF_STYLE_WIN4, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, byName);
  SetupCloseInfFile(byName);
}

}  // namespace
}  // namespace hostwin32_test

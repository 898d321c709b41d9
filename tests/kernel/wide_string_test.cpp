// The kernel's UTF-16 string routines and the UTF-8 conversions.
#include <gtest/gtest.h>

#include <climits>

#include "hostkernel/host_control.h"
#include "sorvex_kernel.h"

namespace {

TEST(WideString, LengthCopyAndCompare) {
  WCHAR buffer[16];
  EXPECT_EQ(wcslen(KTEXT("")), 0u);
  EXPECT_EQ(wcslen(KTEXT("Sorvex")), 6u);
  EXPECT_EQ(wcscpy(buffer, KTEXT("abc")), buffer);
  EXPECT_EQ(std::u16string(buffer), u"abc");
  EXPECT_EQ(wcscmp(KTEXT("abc"), KTEXT("abc")), 0);
  EXPECT_LT(wcscmp(KTEXT("ab"), KTEXT("abc")), 0);
  EXPECT_GT(wcscmp(KTEXT("abd"), KTEXT("abc")), 0);
  EXPECT_GT(wcscmp(u"\xFF01", KTEXT("a")), 0);  // compares unsigned units
}

TEST(Swprintf, LongIsThirtyTwoBitsAsOnWindows) {
  WCHAR buffer[64];
  LONG n = 1, i = 5;
  EXPECT_EQ(swprintf(buffer, KTEXT("Raw%02ldData%02ld"), n, i), 11);
  EXPECT_EQ(std::u16string(buffer), u"Raw01Data05");
  i = 117;
  EXPECT_EQ(swprintf(buffer, KTEXT("Raw%02ldData%02ld"), n, i), 12);
  EXPECT_EQ(std::u16string(buffer), u"Raw01Data117");
  swprintf(buffer, KTEXT("%ld %lu %lx %lX"), LONG{-2}, ULONG{4000000000u}, ULONG{0xABCDu}, ULONG{0xABCDu});
  EXPECT_EQ(std::u16string(buffer), u"-2 4000000000 abcd ABCD");
}

TEST(Swprintf, IntegerConversionsFlagsWidthAndPrecision) {
  WCHAR buffer[128];
  swprintf(buffer, KTEXT("[%d|%i|%u|%x|%X]"), -42, 7, 3000000000u, 255u, 255u);
  EXPECT_EQ(std::u16string(buffer), u"[-42|7|3000000000|ff|FF]");
  swprintf(buffer, KTEXT("[%5d|%-5d|%05d|%+d|% d|%.3d|%08.3d]"), 42, 42, -42, 42, 42, 7, 7);
  EXPECT_EQ(std::u16string(buffer), u"[   42|42   |-0042|+42| 42|007|     007]");
  swprintf(buffer, KTEXT("[%d|%u|%lld|%I64x|%*d]"), INT_MIN, 0u, -5000000000LL, 0x123456789ULL, 4, 9);
  EXPECT_EQ(std::u16string(buffer), u"[-2147483648|0|-5000000000|123456789|   9]");
}

TEST(Swprintf, StringsCharactersAndPercent) {
  WCHAR buffer[128];
  swprintf(buffer, KTEXT("%s/%ls/%ws/%S"), "narrow", KTEXT("wide1"), KTEXT("wide2"), KTEXT("wide3"));
  EXPECT_EQ(std::u16string(buffer), u"narrow/wide1/wide2/wide3");
  swprintf(buffer, KTEXT("[%6s|%-6ws|%.2s|%c%wc|100%%]"), "ab", KTEXT("cd"), "xyz", 'Q', static_cast<int>(u'\x263A'));
  EXPECT_EQ(std::u16string(buffer), u"[    ab|cd    |xy|Q\x263A|100%]");
  swprintf(buffer, KTEXT("%ws|%s"), static_cast<PCWSTR>(nullptr), static_cast<const char *>(nullptr));
  EXPECT_EQ(std::u16string(buffer), u"(null)|(null)");
}

TEST(Utf, ConvertsBothWaysIncludingSurrogatePairs) {
  const std::string text = "Kamera \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7";  // é € camera emoji
  const std::u16string wide = hostkernel::ToUtf16(text);
  EXPECT_EQ(wide, u"Kamera \u00E9 \u20AC \U0001F4F7");
  EXPECT_EQ(hostkernel::ToUtf8(wide), text);
  EXPECT_EQ(hostkernel::ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(hostkernel::ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");  // truncated sequence
  EXPECT_EQ(hostkernel::ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}

}  // namespace

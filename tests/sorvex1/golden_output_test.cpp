// Every output byte of every slot, pinned. Each case runs a slot on fixed
// synthetic frames (noise, ramps, saturated patches and isolated defects, at
// even, odd and tiny sizes, with the default and with clamping matrices) and
// compares a 64-bit FNV-1a digest of the whole output with the digest the
// straightforward per-pixel kernels produced. Rewriting a kernel for speed
// must keep every digest; a changed digest means a changed picture.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "golden_digest.h"
#include "test_frames.h"

namespace sorvex1test {
namespace {

using testsupport::Fnv1a;
using testsupport::Lcg;

// A raw Bayer frame that reaches every branch: a diagonal ramp with noise,
// a black and a white patch (clamping), fine stripes (large gradients) and
// isolated hot and dead samples.
std::vector<uint8_t> SceneRaw(int32_t width, int32_t height, uint32_t seed) {
  Lcg random(seed);
  std::vector<uint8_t> raw(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      int value = 20 + (x * 180) / (width + 1) + (y * 50) / (height + 1) + static_cast<int>(random.Next() % 25) - 12;
      if (x < width / 4 && y < height / 4) value = 0;
      if (x > 3 * width / 4 && y > 3 * height / 4) value = 255;
      if (y > height / 3 && y < height / 2 && (x / 2) % 2 == 0) value = 230;
      if (random.Next() % 97 == 0) value = (random.Next() & 1) != 0 ? 255 : 0;
      raw[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
    }
  }
  return raw;
}

// Any byte anywhere: luma and chroma over the full 0..255 range, so the
// studio-range inverse clamps on both sides.
std::vector<uint8_t> NoiseBytes(size_t count, uint32_t seed) {
  Lcg random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t &b : bytes) b = static_cast<uint8_t>(random.Next());
  return bytes;
}

// A YUYV picture with flat areas, edges and moderate noise, for the filters.
std::vector<uint8_t> SceneYuyv(int32_t width, int32_t height, uint32_t seed) {
  Lcg random(seed);
  std::vector<uint8_t> yuyv(YuyvBytes(width, height));
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t *p = &yuyv[(static_cast<size_t>(y) * width + x) * 2];
      const int base = ((x / 5 + y / 4) % 3) * 70 + 30;
      p[0] = static_cast<uint8_t>(base + static_cast<int>(random.Next() % 31) - 15);
      p[1] = static_cast<uint8_t>(128 + ((x & 2) != 0 ? 40 : -30) + static_cast<int>(random.Next() % 21) - 10);
    }
  }
  return yuyv;
}

// A colour matrix and a YUV matrix with negative terms and offsets that
// drive results past 0 and 255.
const int32_t kClampingColourMatrix[12] = {330, -50, -24, 512, -40, 300, -4, -768, 12, -90, 334, 0};
const int32_t kClampingYuvMatrix[12] = {80, 140, 30, -1024, -50, -80, 140, 300, 150, -110, -30, -200};
// Coefficients beyond 16 bits (up to the accepted +-65536) and the limit itself.
const int32_t kWideColourMatrix[12] = {40000, -33000, 0, 65536, 0, 65536, -65536, 0, -65536, 0, 70000, -90000};
const int32_t kWideYuvMatrix[12] = {33000, -20000, 0, 0, -40000, 0, 41000, 0, 0, 65536, -65536, 0};

struct Golden {
  const char *label;
  uint64_t digest;
};

template <size_t N>
const Golden *FindGolden(const Golden (&table)[N], const std::string &label) {
  for (const Golden &g : table) {
    if (label == g.label) return &g;
  }
  return nullptr;
}

std::string Label(const char *format, int32_t a, int32_t b, int32_t c = 0, int32_t d = 0, int32_t e = 0) {
  char text[128];
  std::snprintf(text, sizeof(text), format, a, b, c, d, e);
  return text;
}

class GoldenOutputTest : public FormTest {
 protected:
  // Compares the digest of `output` with the table entry of `label`. A
  // mismatch or a missing entry prints the entry that matches the output.
  template <size_t N>
  void Check(const Golden (&table)[N], const std::string &label, const std::vector<uint8_t> &output) {
    const uint64_t actual = Fnv1a(output);
    const Golden *golden = FindGolden(table, label);
    if (golden == nullptr) {
      ADD_FAILURE() << "no digest for " << label << ": {\"" << label << "\", 0x" << std::hex << actual << "u},";
      return;
    }
    EXPECT_EQ(actual, golden->digest) << "{\"" << label << "\", 0x" << std::hex << actual << "u},";
  }

  std::vector<uint8_t> RawToYuyv(int32_t sw, int32_t sh, int32_t width, int32_t height, uint32_t seed) {
    std::vector<uint8_t> raw = SceneRaw(sw < 0 ? -sw : sw, sh < 0 ? -sh : sh, seed);
    std::vector<uint8_t> yuyv(YuyvBytes(width, height), 0xEE);
    ops_->convertRawToYuyv(UserData(), raw.data(), sw, sh, yuyv.data(), width, height);
    return yuyv;
  }

};

// Same size, reduced (negated or not), enlarged, and one axis each way.
const int32_t kRawSizes[][4] = {
    {1, 1, 1, 1},         {2, 2, 2, 2},        {3, 5, 3, 5},        {37, 29, 37, 29},     {64, 48, 64, 48},
    {161, 121, 161, 121}, {-128, -96, 64, 48}, {-75, -53, 31, 23},  {-160, -120, 40, 30}, {-99, -77, 98, 76},
    {90, 70, 45, 35},     {20, 14, 45, 33},    {33, 25, 64, 48},    {48, 32, 36, 40},     {7, 3, 2, 9},
};

const Golden kRawToYuyv[] = {
    {"default 1x1->1x1", 0x8796607b52738cau},
    {"default 2x2->2x2", 0xdfe3bc0281681881u},
    {"default 3x5->3x5", 0x215defcd6323b74eu},
    {"default 37x29->37x29", 0xde6fcebfbe59376au},
    {"default 64x48->64x48", 0x1035b895afcd8da7u},
    {"default 161x121->161x121", 0x968eb0f340a0e955u},
    {"default -128x-96->64x48", 0xdad5f7cc5190f4e4u},
    {"default -75x-53->31x23", 0xd4f4e131355f0f8eu},
    {"default -160x-120->40x30", 0x1fd6d788778e0760u},
    {"default -99x-77->98x76", 0x2ed016007e09cd22u},
    {"default 90x70->45x35", 0x8e6bf57976b152aeu},
    {"default 20x14->45x33", 0x9e6877b062ceaf25u},
    {"default 33x25->64x48", 0x6a02d57a00017949u},
    {"default 48x32->36x40", 0x5caf68fedb8712c9u},
    {"default 7x3->2x9", 0x515c8f554b458aaeu},
    {"clamping 1x1->1x1", 0x7c9ac07b492c410u},
    {"clamping 2x2->2x2", 0x980af6c830ea326cu},
    {"clamping 3x5->3x5", 0xacde34a13bae2cc2u},
    {"clamping 37x29->37x29", 0xab84e06f3bee5f63u},
    {"clamping 64x48->64x48", 0xd5c83992a0c0be0u},
    {"clamping 161x121->161x121", 0x110ae383f88d31cfu},
    {"clamping -128x-96->64x48", 0x9dc96cdfac956954u},
    {"clamping -75x-53->31x23", 0x363cea3afbd76a11u},
    {"clamping -160x-120->40x30", 0x85040e729a994788u},
    {"clamping -99x-77->98x76", 0x1b5cc9b7c70860b8u},
    {"clamping 90x70->45x35", 0xc0280d167ec43b9du},
    {"clamping 20x14->45x33", 0x5c02bca787d10820u},
    {"clamping 33x25->64x48", 0xbcec4f2d502c13dfu},
    {"clamping 48x32->36x40", 0xeb722d5488df30bu},
    {"clamping 7x3->2x9", 0x58848f29239fc1a5u},
    {"wide 1x1->1x1", 0xa99d307b6f65861u},
    {"wide 2x2->2x2", 0xe3c84f02c1ae95e2u},
    {"wide 3x5->3x5", 0xd3d07c9e86c4149au},
    {"wide 37x29->37x29", 0xe7481aa8b00907c0u},
    {"wide 64x48->64x48", 0x72f380bde3506bd2u},
    {"wide 161x121->161x121", 0x8d3ec15491018fc8u},
    {"wide -128x-96->64x48", 0x81fadf690791eca2u},
    {"wide -75x-53->31x23", 0x535245e40e7cb3f7u},
    {"wide -160x-120->40x30", 0xc71aa3d05978e663u},
    {"wide -99x-77->98x76", 0xe1300f4d1196fe80u},
    {"wide 90x70->45x35", 0x6b50058942e1e526u},
    {"wide 20x14->45x33", 0xcea55f16e07ecea4u},
    {"wide 33x25->64x48", 0x6ab6bfcfaf66cc2du},
    {"wide 48x32->36x40", 0x50a0163b811726f9u},
    {"wide 7x3->2x9", 0xb559a3ad0dc4ca34u},
};

TEST_P(GoldenOutputTest, RawToYuyvAtEverySizeRelation) {
  uint32_t seed = 11;
  for (const auto &s : kRawSizes) {
    Check(kRawToYuyv, Label("default %dx%d->%dx%d", s[0], s[1], s[2], s[3]), RawToYuyv(s[0], s[1], s[2], s[3], seed++));
  }
  ops_->setColorMatrix(UserData(), kClampingColourMatrix);
  ops_->setYuvMatrix(UserData(), kClampingYuvMatrix);
  for (const auto &s : kRawSizes) {
    Check(kRawToYuyv, Label("clamping %dx%d->%dx%d", s[0], s[1], s[2], s[3]), RawToYuyv(s[0], s[1], s[2], s[3], seed++));
  }
  ops_->setColorMatrix(UserData(), kWideColourMatrix);
  ops_->setYuvMatrix(UserData(), kWideYuvMatrix);
  for (const auto &s : kRawSizes) {
    Check(kRawToYuyv, Label("wide %dx%d->%dx%d", s[0], s[1], s[2], s[3]), RawToYuyv(s[0], s[1], s[2], s[3], seed++));
  }
}

// Same size (odd, tiny) and nearest-sample resizing both ways.
const int32_t kYuyvSizes[][4] = {
    {1, 1, 1, 1}, {2, 1, 2, 1}, {3, 3, 3, 3}, {37, 29, 37, 29}, {64, 48, 64, 48}, {160, 121, 160, 121},
    {64, 48, 31, 23}, {31, 23, 64, 48}, {5, 4, 7, 3},
};

const Golden kYuyvToBitmap[] = {
    {"1x1->1x1", 0xc4e3f71bc66c2840u},
    {"2x1->2x1", 0xdbb322a44b695c6bu},
    {"3x3->3x3", 0xe490383873a06d8du},
    {"37x29->37x29", 0xa98bde1630011694u},
    {"64x48->64x48", 0x3d94a8967fc42cb4u},
    {"160x121->160x121", 0x3ddf36d917b44ebdu},
    {"64x48->31x23", 0xf4ed12a27edc8652u},
    {"31x23->64x48", 0xbbea9c1d13c03ac2u},
    {"5x4->7x3", 0x5c93510858af8e55u},
};
const Golden kYuyvToI420[] = {
    {"1x1->1x1", 0x90bda07b5a3ec03u},
    {"2x1->2x1", 0x620fe782f34c7bfeu},
    {"3x3->3x3", 0x4c729879f019245cu},
    {"37x29->37x29", 0xabbf7233f9a3d702u},
    {"64x48->64x48", 0xafa158ef7c2c9df1u},
    {"160x121->160x121", 0xe82bc00d3f86b560u},
    {"64x48->31x23", 0xfc912cd42c362518u},
    {"31x23->64x48", 0x78f2b53db82ef98bu},
    {"5x4->7x3", 0x1db48a8bd87622c9u},
};

TEST_P(GoldenOutputTest, YuyvToBitmapAndI420) {
  uint32_t seed = 71;
  for (const auto &s : kYuyvSizes) {
    const std::vector<uint8_t> yuyv = NoiseBytes(YuyvBytes(s[0], s[1]), seed++);
    std::vector<uint8_t> bitmap(static_cast<size_t>(s[2]) * s[3] * 3, 0xEE);
    ops_->convertYuyvToBitmap(UserData(), yuyv.data(), s[0], s[1], bitmap.data(), s[2], s[3]);
    Check(kYuyvToBitmap, Label("%dx%d->%dx%d", s[0], s[1], s[2], s[3]), bitmap);
    // One spare byte past the rounded-down I420 size shows a write beyond it.
    std::vector<uint8_t> i420(static_cast<size_t>(s[2]) * s[3] * 3 / 2 + 1, 0xEE);
    ops_->convertYuyvToI420(UserData(), yuyv.data(), s[0], s[1], i420.data(), s[2], s[3]);
    Check(kYuyvToI420, Label("%dx%d->%dx%d", s[0], s[1], s[2], s[3]), i420);
  }
}

const Golden kFilters[] = {
    {"sharpen 1x1 at 1", 0x8585107b50be1b5u},
    {"denoise 1x1 at 1", 0x8585107b50be1b5u},
    {"sharpen 1x1 at 30", 0x7d32907b49a39fcu},
    {"denoise 1x1 at 30", 0x7d32907b49a39fcu},
    {"sharpen 1x1 at 77", 0x7b85c07b483c8edu},
    {"denoise 1x1 at 77", 0x7b85c07b483c8edu},
    {"sharpen 1x1 at 100", 0x8765d07b524f3a8u},
    {"denoise 1x1 at 100", 0x8765d07b524f3a8u},
    {"sharpen 3x2 at 1", 0x6c7c562aeddd6c8cu},
    {"denoise 3x2 at 1", 0x6c7c562aeddd6c8cu},
    {"sharpen 3x2 at 30", 0x9cff6096ffc558bbu},
    {"denoise 3x2 at 30", 0xd4a38b8b4391310cu},
    {"sharpen 3x2 at 77", 0x7dcdff0657ec7347u},
    {"denoise 3x2 at 77", 0xf7c6aed3f022d222u},
    {"sharpen 3x2 at 100", 0xc7937d2772eda6dbu},
    {"denoise 3x2 at 100", 0x36f5f926dff1897u},
    {"sharpen 2x5 at 1", 0x445417544dfea58u},
    {"denoise 2x5 at 1", 0x389f174eb8bc3633u},
    {"sharpen 2x5 at 30", 0x8c66b3d9ffbcfc27u},
    {"denoise 2x5 at 30", 0x1ff39ef7ef1ea22u},
    {"sharpen 2x5 at 77", 0xb0fd82d84fe65dddu},
    {"denoise 2x5 at 77", 0xf0778716cd95851u},
    {"sharpen 2x5 at 100", 0x858cca9e0dd1d608u},
    {"denoise 2x5 at 100", 0xf39d81171d304efcu},
    {"sharpen 37x29 at 1", 0x6fecba3f1be191edu},
    {"denoise 37x29 at 1", 0x1733fd5fa6b09db6u},
    {"sharpen 37x29 at 30", 0x190713b4589cfb18u},
    {"denoise 37x29 at 30", 0x2b3ad3d0a1ac1412u},
    {"sharpen 37x29 at 77", 0xb8e4001dfee8ae8cu},
    {"denoise 37x29 at 77", 0x4f0b095d7084c8f3u},
    {"sharpen 37x29 at 100", 0x963f79c2e337c68cu},
    {"denoise 37x29 at 100", 0xbf0e3988f5b81e50u},
    {"sharpen 64x48 at 1", 0xd329a3cd85fc586fu},
    {"denoise 64x48 at 1", 0x5c9765be0e880287u},
    {"sharpen 64x48 at 30", 0xf6ab682c4bd54a1u},
    {"denoise 64x48 at 30", 0x797ed8d12799a716u},
    {"sharpen 64x48 at 77", 0x120b6425c3f6a7f2u},
    {"denoise 64x48 at 77", 0x27e123e6e2ae5f5du},
    {"sharpen 64x48 at 100", 0x58905fc3f20c187bu},
    {"denoise 64x48 at 100", 0x619dbe9956728132u},
};

TEST_P(GoldenOutputTest, SharpenAndDenoise) {
  const int32_t sizes[][2] = {{1, 1}, {3, 2}, {2, 5}, {37, 29}, {64, 48}};
  const uint32_t strengths[] = {1, 30, 77, 100};
  uint32_t seed = 101;
  for (const auto &s : sizes) {
    for (uint32_t strength : strengths) {
      const std::vector<uint8_t> original = SceneYuyv(s[0], s[1], seed++);
      std::vector<uint8_t> sharpened = original;
      ops_->filterFrame(UserData(), sharpened.data(), s[0], s[1], strength);
      Check(kFilters, Label("sharpen %dx%d at %d", s[0], s[1], static_cast<int32_t>(strength)), sharpened);
      std::vector<uint8_t> denoised = original;
      ops_->filterFrameDenoise(UserData(), denoised.data(), s[0], s[1], strength);
      Check(kFilters, Label("denoise %dx%d at %d", s[0], s[1], static_cast<int32_t>(strength)), denoised);
    }
  }
}

const Golden kBadPixels[] = {
    {"3x3 flag 0 mode 100", 0xf9e2ee4c7cd449cu},
    {"3x3 flag 0 mode 101", 0xdfa25cc77a05ceb5u},
    {"3x3 flag 0 mode 4", 0x68a5b1b9417b63eu},
    {"3x3 flag 0 mode 5", 0x5602deef20fe8375u},
    {"3x3 flag 0 mode 6", 0xf345abd45874965eu},
    {"3x3 flag 0 mode 7", 0x21642dc729db436u},
    {"3x3 flag 1 mode 4", 0xce5cdc1b8958aa9fu},
    {"3x3 flag 1 mode 101", 0x7fe9b84fae9bc3cau},
    {"3x3 flag 0 mode 3", 0xefeaa99b468b2e0au},
    {"5x2 flag 0 mode 100", 0xa3314e8765b7e9fau},
    {"5x2 flag 0 mode 101", 0x56cdc236e73c3535u},
    {"5x2 flag 0 mode 4", 0x3e09e37415e0ff35u},
    {"5x2 flag 0 mode 5", 0xd5df0b6332fde1a1u},
    {"5x2 flag 0 mode 6", 0xa75712838354dcc7u},
    {"5x2 flag 0 mode 7", 0x990099f30bd657a2u},
    {"5x2 flag 1 mode 4", 0x16285f9da28a2dd8u},
    {"5x2 flag 1 mode 101", 0xb6f6a5a553fdeb32u},
    {"5x2 flag 0 mode 3", 0x27224360054078f0u},
    {"37x29 flag 0 mode 100", 0x42fa98e2c7b8257u},
    {"37x29 flag 0 mode 101", 0x475ae389bd20c53bu},
    {"37x29 flag 0 mode 4", 0x1bdf5abfb5599e76u},
    {"37x29 flag 0 mode 5", 0x8ded63011e5e7ebfu},
    {"37x29 flag 0 mode 6", 0xf096cf06fd5dcd41u},
    {"37x29 flag 0 mode 7", 0x1e3faf8e66601dfeu},
    {"37x29 flag 1 mode 4", 0x673d675b2114f275u},
    {"37x29 flag 1 mode 101", 0x9d3bbfa430d08f4bu},
    {"37x29 flag 0 mode 3", 0x7747d2453e13523au},
    {"64x48 flag 0 mode 100", 0xe9f852f66debb775u},
    {"64x48 flag 0 mode 101", 0xd52959155c265db4u},
    {"64x48 flag 0 mode 4", 0x6b6802bdfd890688u},
    {"64x48 flag 0 mode 5", 0xbda5389687bce9du},
    {"64x48 flag 0 mode 6", 0xfe33edb2dc8b5f3cu},
    {"64x48 flag 0 mode 7", 0xb9a7e73075e8d9eeu},
    {"64x48 flag 1 mode 4", 0x621565a5fa632f2eu},
    {"64x48 flag 1 mode 101", 0x89aa771713d42539u},
    {"64x48 flag 0 mode 3", 0x8bd092bfbde1f79u},
};

TEST_P(GoldenOutputTest, BadPixelCorrectionInEveryMode) {
  const int32_t sizes[][2] = {{3, 3}, {5, 2}, {37, 29}, {64, 48}};
  const uint32_t modes[][2] = {{0, 100}, {0, 101}, {0, 4}, {0, 5}, {0, 6}, {0, 7}, {1, 4}, {1, 101}, {0, 3}};
  uint32_t seed = 201;
  for (const auto &s : sizes) {
    for (const auto &m : modes) {
      std::vector<uint8_t> raw = SceneRaw(s[0], s[1], seed++);
      ops_->correctBadPixels(UserData(), raw.data(), s[0], s[1], m[0], m[1]);
      Check(kBadPixels, Label("%dx%d flag %d mode %d", s[0], s[1], static_cast<int32_t>(m[0]),
                              static_cast<int32_t>(m[1])),
            raw);
    }
  }
}

const Golden kShading[] = {
    {"map+tables 1x1", 0xaf63ba4c8601b2c6u},
    {"map only 1x1", 0xaf63a64c860190cau},
    {"tables only 1x1", 0xaf63bd4c8601b7dfu},
    {"red and blue tables 1x1", 0xaf63a64c860190cau},
    {"green table 1x1", 0xaf63ba4c8601b2c6u},
    {"map+tables 3x5", 0x10509d862cf0a3cu},
    {"map only 3x5", 0x51fe24681e29abeau},
    {"tables only 3x5", 0xba52782ef09ce2efu},
    {"red and blue tables 3x5", 0x8821c88f62ef4234u},
    {"green table 3x5", 0xe8743dfc84421266u},
    {"map+tables 37x29", 0x8cd89a854918eefbu},
    {"map only 37x29", 0xe0caa27b05ce0084u},
    {"tables only 37x29", 0x58979d0476cede6u},
    {"red and blue tables 37x29", 0xb6c8c4fdcf4eaf58u},
    {"green table 37x29", 0x47c9bc42ee3905bfu},
    {"map+tables 64x48", 0x1225f3f9dc9ab42fu},
    {"map only 64x48", 0x30585e5b8266e5efu},
    {"tables only 64x48", 0x707cbee3f7966f83u},
    {"red and blue tables 64x48", 0x2aecac1412c08aeau},
    {"green table 64x48", 0x1adde0c76f1023e6u},
};

TEST_P(GoldenOutputTest, ShadingGainsAndTables) {
  uint8_t tables[3][256];
  for (int i = 0; i < 256; ++i) {
    tables[0][i] = static_cast<uint8_t>(255 - i);
    tables[1][i] = static_cast<uint8_t>((i * i) >> 8);
    tables[2][i] = static_cast<uint8_t>(i / 3 + 40);
  }
  const int32_t sizes[][2] = {{1, 1}, {3, 5}, {37, 29}, {64, 48}};
  uint32_t seed = 301;
  for (const auto &s : sizes) {
    const size_t samples = static_cast<size_t>(s[0]) * s[1];
    const std::vector<uint8_t> gains = NoiseBytes(samples, seed++);
    const std::vector<uint8_t> original = SceneRaw(s[0], s[1], seed++);
    struct Variant {
      const char *name;
      uint32_t enable;
      const uint8_t *r, *g, *b;
    } const variants[] = {
        {"map+tables", 1, tables[0], tables[1], tables[2]},
        {"map only", 1, nullptr, nullptr, nullptr},
        {"tables only", 0, tables[0], tables[1], tables[2]},
        {"red and blue tables", 1, tables[0], nullptr, tables[2]},
        {"green table", 1, nullptr, tables[1], nullptr},
    };
    for (const Variant &v : variants) {
      std::vector<uint8_t> raw = original;
      ops_->applyShading(UserData(), raw.data(), s[0], s[1], v.enable, gains.data(), 0, v.r,
                         v.g, v.b);
      Check(kShading, std::string(v.name) + Label(" %dx%d", s[0], s[1]), raw);
    }
  }
}

// Frames wide enough for many blocks of every row kernel, with a width that
// leaves a tail after the last block: the wide paths' seams are pinned too.
const Golden kWide[] = {
    {"raw 517x9->517x9", 0x3d96dd7e35053c98u},
    {"raw -1280x-24->640x12", 0x57bfe19c30f88771u},
    {"raw -1283x-20->400x8", 0xc431382f120907a8u},
    {"raw 300x10->517x17", 0xfb98619c70f4cd8bu},
    {"bitmap 517x5", 0x5bce69fecb29d3cau},
    {"i420 517x5", 0x57c1c2defe557533u},
    {"bitmap 1280x3", 0x5088e2ab014fb00du},
    {"i420 1280x3", 0xe80fa4434ec39125u},
    {"sharpen 517x7 at 30", 0xbbbfe2926afb6fd5u},
    {"denoise 517x7 at 30", 0xa264e03d28481165u},
    {"sharpen 517x7 at 100", 0x19129e585ad6c0d7u},
    {"denoise 517x7 at 100", 0xd0bcf6001f4d451bu},
    {"bad pixels 517x21 flag 0 mode 100", 0xf1842c7376854261u},
    {"dense defects 517x21 flag 0 mode 100", 0x34834b5810c043d0u},
    {"bad pixels 517x21 flag 0 mode 5", 0x7010cd83c5e1618fu},
    {"dense defects 517x21 flag 0 mode 5", 0x2543ebe09dbcafeu},
    {"bad pixels 517x21 flag 1 mode 4", 0x92c7bbcd0e46d0a9u},
    {"dense defects 517x21 flag 1 mode 4", 0x3823ca6ec50c450bu},
    {"shading 517x9", 0xda5ef8dc457a422du},
};

TEST_P(GoldenOutputTest, WideFramesThroughEveryRowKernel) {
  uint32_t seed = 501;
  const int32_t rawSizes[][4] = {{517, 9, 517, 9}, {-1280, -24, 640, 12}, {-1283, -20, 400, 8}, {300, 10, 517, 17}};
  for (const auto &s : rawSizes) {
    Check(kWide, Label("raw %dx%d->%dx%d", s[0], s[1], s[2], s[3]), RawToYuyv(s[0], s[1], s[2], s[3], seed++));
  }
  const int32_t yuyvSizes[][2] = {{517, 5}, {1280, 3}};
  for (const auto &s : yuyvSizes) {
    const std::vector<uint8_t> yuyv = NoiseBytes(YuyvBytes(s[0], s[1]), seed++);
    std::vector<uint8_t> bitmap(static_cast<size_t>(s[0]) * s[1] * 3, 0xEE);
    ops_->convertYuyvToBitmap(UserData(), yuyv.data(), s[0], s[1], bitmap.data(), s[0], s[1]);
    Check(kWide, Label("bitmap %dx%d", s[0], s[1]), bitmap);
    std::vector<uint8_t> i420(static_cast<size_t>(s[0]) * s[1] * 3 / 2 + 1, 0xEE);
    ops_->convertYuyvToI420(UserData(), yuyv.data(), s[0], s[1], i420.data(), s[0], s[1]);
    Check(kWide, Label("i420 %dx%d", s[0], s[1]), i420);
  }
  for (uint32_t strength : {30u, 100u}) {
    const std::vector<uint8_t> original = SceneYuyv(517, 7, seed++);
    std::vector<uint8_t> sharpened = original;
    ops_->filterFrame(UserData(), sharpened.data(), 517, 7, strength);
    Check(kWide, Label("sharpen 517x7 at %d", static_cast<int32_t>(strength), 0), sharpened);
    std::vector<uint8_t> denoised = original;
    ops_->filterFrameDenoise(UserData(), denoised.data(), 517, 7, strength);
    Check(kWide, Label("denoise 517x7 at %d", static_cast<int32_t>(strength), 0), denoised);
  }
  const uint32_t modes[][2] = {{0, 100}, {0, 5}, {1, 4}};
  for (const auto &m : modes) {
    std::vector<uint8_t> raw = SceneRaw(517, 21, seed++);
    ops_->correctBadPixels(UserData(), raw.data(), 517, 21, m[0], m[1]);
    Check(kWide, Label("bad pixels 517x21 flag %d mode %d", static_cast<int32_t>(m[0]), static_cast<int32_t>(m[1])),
          raw);
    // Defects close enough together that one correction changes the test of
    // the next: a sixth of the samples stuck high or low, and some runs.
    std::vector<uint8_t> dense = SceneRaw(517, 21, seed++);
    const std::vector<uint8_t> picks = NoiseBytes(dense.size(), seed++);
    for (size_t i = 0; i < dense.size(); ++i) {
      if (picks[i] < 43) dense[i] = (picks[i] & 1) != 0 ? 255 : 0;
      if (picks[i] >= 250) dense[i] = static_cast<uint8_t>(dense[i] / 2 + 128);
    }
    ops_->correctBadPixels(UserData(), dense.data(), 517, 21, m[0], m[1]);
    Check(kWide,
          Label("dense defects 517x21 flag %d mode %d", static_cast<int32_t>(m[0]), static_cast<int32_t>(m[1])),
          dense);
  }
  uint8_t tables[3][256];
  for (int i = 0; i < 256; ++i) {
    tables[0][i] = static_cast<uint8_t>(255 - i);
    tables[1][i] = static_cast<uint8_t>((i * i) >> 8);
    tables[2][i] = static_cast<uint8_t>(i / 3 + 40);
  }
  std::vector<uint8_t> raw = SceneRaw(517, 9, seed++);
  const std::vector<uint8_t> gains = NoiseBytes(raw.size(), seed++);
  ops_->applyShading(UserData(), raw.data(), 517, 9, 1, gains.data(), 0, tables[0], tables[1], tables[2]);
  Check(kWide, "shading 517x9", raw);
}

const Golden kExports[] = {
    {"i420 64x48->64x48", 0x6746d179be0e616eu},
    {"bitmap 64x48->64x48", 0xbc0863fee75bfe02u},
    {"i420 -128x-96->64x48", 0xb72d265e58c24930u},
    {"bitmap -128x-96->64x48", 0xb6e9dbb189767600u},
    {"i420 37x29->37x29", 0xa21fbb49f995a572u},
    {"bitmap 37x29->37x29", 0xaf6ab393e787bf57u},
    {"i420 20x14->45x33", 0xeb76c515f9bdeec9u},
    {"bitmap 20x14->45x33", 0x82e6c6fb12953e18u},
};

TEST_P(GoldenOutputTest, RawToI420AndRawToBmpExports) {
  const int32_t sizes[][4] = {{64, 48, 64, 48}, {-128, -96, 64, 48}, {37, 29, 37, 29}, {20, 14, 45, 33}};
  uint32_t seed = 401;
  for (const auto &s : sizes) {
    std::vector<uint8_t> raw = SceneRaw(s[0] < 0 ? -s[0] : s[0], s[1] < 0 ? -s[1] : s[1], seed++);
    std::vector<uint8_t> i420(static_cast<size_t>(s[2]) * s[3] * 3 / 2, 0xEE);
    FUNC_RawToI420(ops_, raw.data(), s[0], s[1], i420.data(), s[2], s[3]);
    Check(kExports, Label("i420 %dx%d->%dx%d", s[0], s[1], s[2], s[3]), i420);
    std::vector<uint8_t> bitmap(static_cast<size_t>(s[2]) * s[3] * 3, 0xEE);
    FUNC_RawToBmp(ops_, raw.data(), s[0], s[1], bitmap.data(), s[2], s[3]);
    Check(kExports, Label("bitmap %dx%d->%dx%d", s[0], s[1], s[2], s[3]), bitmap);
  }
}

SORVEX1_FOR_EVERY_FORM(GoldenOutputTest);

}  // namespace
}  // namespace sorvex1test

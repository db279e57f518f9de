// Text scrambling: the key stream, its own inverse, and the stored built-in notice.
#include <gtest/gtest.h>

#include <string>

#include "startup/builtin_notice.h"
#include "startup/scramble.h"

namespace {

TEST(UnscrambleText, FirstKeyBytesOfTheStream) {
  // seed 947, x 134775813 + 1 per step; key = (state >> 25) | 0x80: DB DD A5 E8 EF.
  char text[6] = {'A', 0, 0, 0, 0, 0};
  startup::UnscrambleText(text, 6);
  const unsigned char expected[6] = {'A', 0xDB, 0xDD, 0xA5, 0xE8, 0xEF};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(static_cast<unsigned char>(text[i]), expected[i]) << "byte " << i;
}

TEST(UnscrambleText, IsItsOwnInverseAndSetsTopBitsOfPlainAscii) {
  std::string plain = "Welcome to the setup of something.\r\nSecond line.";
  std::string text = plain;
  startup::UnscrambleText(text.data(), static_cast<int>(text.size()));
  EXPECT_EQ(text[0], plain[0]);
  for (std::size_t i = 1; i < text.size(); ++i) EXPECT_TRUE(static_cast<unsigned char>(text[i]) & 0x80) << i;
  startup::UnscrambleText(text.data(), static_cast<int>(text.size()));
  EXPECT_EQ(text, plain);
}

TEST(UnscrambleText, ShortCountsChangeNothing) {
  for (int n : {-5, 0, 1}) {
    char text[3] = {'x', 'y', 'z'};
    startup::UnscrambleText(text, n);
    EXPECT_EQ(std::string(text, 3), "xyz") << "n = " << n;
  }
}

TEST(UnscrambleText, StreamRestartsForEveryText) {
  std::string a = "abcdef", b = "abcdef";
  startup::UnscrambleText(a.data(), 6);
  startup::UnscrambleText(b.data(), 6);
  EXPECT_EQ(a, b);
}

TEST(BuiltInNotice, IsStoredScrambledAndUnscramblesToItsWording) {
  char notice[startup::kNoticeLength + 1];
  std::copy(startup::kStoredNotice, startup::kStoredNotice + sizeof notice, notice);
  // Stored form: every byte but the first and the unscrambled last one has its top bit set.
  for (int i = 1; i < startup::kNoticeScrambled; ++i) EXPECT_TRUE(static_cast<unsigned char>(notice[i]) & 0x80);
  startup::UnscrambleText(notice, startup::kNoticeScrambled);
  std::string text(notice);
  EXPECT_EQ(text.size(), 101u);
  EXPECT_EQ(text.substr(0, 8), "Pellmor ");
  EXPECT_EQ(text.substr(99), "\r\n");
  for (char c : text) EXPECT_FALSE(static_cast<unsigned char>(c) & 0x80);
}

}  // namespace

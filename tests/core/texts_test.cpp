// SPDX-License-Identifier: MIT
#include <string>

#include <gtest/gtest.h>

#include "vantelo/price.h"

namespace vantelo {
namespace {

using namespace std::string_literals;

const std::string rise_and_fall = "\xD5\xC7\xB5\xF8\xB7\xF9";  // "涨跌幅" in GBK

TEST(TextsEqual, ComparesBytesUpToTheFirstNul) {
  EXPECT_TRUE(texts_equal({}, ""));
  EXPECT_TRUE(texts_equal("abc", "abc"));
  EXPECT_FALSE(texts_equal("abc", "abd"));
  EXPECT_FALSE(texts_equal("ab", "abc"));
  EXPECT_TRUE(texts_equal("ab\0c"s, "ab"));
  EXPECT_TRUE(texts_equal("\0x"s, ""));
}

TEST(JoinTexts, ConcatenatesInOrder) {
  EXPECT_EQ(join_texts({" ", "9"}), " 9");
  EXPECT_EQ(join_texts({"V1.0(", "\xB0\xA2", "Vesk", "22)"}), "V1.0(\xB0\xA2Vesk22)");
  EXPECT_EQ(join_texts({"", {}, "x"}), "x");
  EXPECT_EQ(join_texts({"a\0b"s, "c"}), "ac");
}

TEST(LeadingBytes, CountsBytesNotCharacters) {
  EXPECT_EQ(leading_bytes(rise_and_fall, 2), "\xD5\xC7");
  EXPECT_EQ(leading_bytes(rise_and_fall, 1), "\xD5");
  EXPECT_EQ(leading_bytes(rise_and_fall, 0), "");
  EXPECT_EQ(leading_bytes(rise_and_fall, -3), "");
  EXPECT_EQ(leading_bytes(rise_and_fall, 99), rise_and_fall);
  EXPECT_EQ(leading_bytes("ab\0cd"s, 4), "ab");
}

}  // namespace
}  // namespace vantelo

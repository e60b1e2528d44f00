// SPDX-License-Identifier: MIT
#include <string>

#include <gtest/gtest.h>

#include "vantelo/price.h"

namespace vantelo {
namespace {

struct Case {
  std::string text;
  std::string expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.text << "\" -> \"" << c.expected << '"'; }

class NormaliseNumberText : public ::testing::TestWithParam<Case> {};

TEST_P(NormaliseNumberText, ShowsTheValueWithSixSignificantDigits) {
  EXPECT_EQ(normalise_number_text(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NormaliseNumberText,
    ::testing::Values(
        Case{"10.0", "10"}, Case{"007", "7"}, Case{"12.50", "12.5"}, Case{"5.", "5"}, Case{".5", "0.5"},
        Case{"1.2.3", "1.2"}, Case{"12.345678", "12.3457"}, Case{"1234565", "1.23457e+006"},
        Case{"99999.95", "100000"}, Case{"0.00001234", "1.234e-005"}, Case{"0", ""}, Case{"-0", ""},
        Case{"-", ""}, Case{".", ""}, Case{"--5", ""}, Case{"", ""}, Case{"-0.5", "-0.5"},
        Case{"9.99", "9.99"}, Case{" 9", "9"}, Case{"12.34", "12.34"}, Case{"2.35", "2.35"},
        Case{"-1234565", "-1.23457e+006"}, Case{"0.1", "0.1"}, Case{"100000", "100000"},
        Case{"999999", "999999"}, Case{"9999995", "1e+007"},
        // Thirty-nine nines are beyond the float range; the infinity shows as its fixed text, which
        // reads back as 1.
        Case{std::string(39, '9'), "1.#INF"}, Case{"1.#INF", "1"},
        // No full-width folding here: a full-width digit ends the number.
        Case{"\xA3\xB5", ""}, Case{"7\xA3\xB5", "7"}));

}  // namespace
}  // namespace vantelo

// SPDX-License-Identifier: MIT
#include <bit>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "vantelo/ladder.h"

namespace vantelo {
namespace {

// Edit boxes in memory. Every write is recorded together with the text the box holds at the moment
// the write is reported, which is after the new text is in place.
class RecordingBoxes final : public EditBoxes {
public:
  struct Write {
    std::string box;
    Text text;
    Text in_place_when_reported;
  };

  Text read_text(std::string_view box) override {
    const auto it = texts_.find(box);
    return it == texts_.end() ? Text{} : it->second;
  }

  void write_text(std::string_view box, std::string_view text) override {
    texts_.insert_or_assign(std::string(box), Text(text));
    report_change(box, text);
  }

  void set(std::string_view box, std::string_view text) { texts_.insert_or_assign(std::string(box), Text(text)); }
  const std::vector<Write>& writes() const { return writes_; }
  void forget_writes() { writes_.clear(); }

  // Runs when a write is reported, as a text-changed notification would.
  std::function<void(std::string_view box)> on_change;

private:
  void report_change(std::string_view box, std::string_view text) {
    writes_.push_back({std::string(box), Text(text), read_text(box)});
    if (on_change) on_change(box);
  }

  std::map<std::string, Text, std::less<>> texts_;
  std::vector<Write> writes_;
};

using Ladder = std::vector<std::string>;

class LadderTest : public ::testing::Test {
protected:
  Ladder recompute(std::string_view base_text) {
    boxes.set(base_price_box, base_text);
    boxes.forget_writes();
    calculator.recompute_ladder();
    return written_ladder();
  }

  // The twenty texts, after checking there were exactly twenty writes, one per row in row order,
  // each reported with its text already in place.
  Ladder written_ladder() {
    Ladder texts;
    const auto& writes = boxes.writes();
    EXPECT_EQ(writes.size(), ladder_rows.size());
    for (std::size_t i = 0; i < writes.size() && i < ladder_rows.size(); ++i) {
      EXPECT_EQ(writes[i].box, ladder_rows[i].box) << "write " << i;
      EXPECT_EQ(writes[i].in_place_when_reported, writes[i].text) << "write " << i;
      texts.push_back(writes[i].text);
    }
    return texts;
  }

  RecordingBoxes boxes;
  PriceCalculator calculator{boxes};
};

struct LadderCase {
  std::string base;
  Ladder expected;
};

class LadderTable : public LadderTest, public ::testing::WithParamInterface<LadderCase> {};

TEST_P(LadderTable, WritesTheTwentyRoundedPrices) {
  EXPECT_EQ(recompute(GetParam().base), GetParam().expected);
}

Ladder same(const std::string& text) { return Ladder(20, text); }

INSTANTIATE_TEST_SUITE_P(
    Bases, LadderTable,
    ::testing::Values(
        LadderCase{"10.0", {" 11", " 10.9", " 10.8", " 10.7", " 10.6", " 10.5", " 10.4", " 10.3", " 10.2", " 10.1",
                            " 9", " 9.1", " 9.2", " 9.3", " 9.4", " 9.5", " 9.6", " 9.7", " 9.8", " 9.9"}},
        // Held as 2.349999904632568359375: row 1 is 2.5849998950958252..., which rounds down.
        LadderCase{"2.35", {" 2.58", " 2.56", " 2.54", " 2.51", " 2.49", " 2.47", " 2.44", " 2.42", " 2.4", " 2.37",
                            " 2.11", " 2.14", " 2.16", " 2.19", " 2.21", " 2.23", " 2.26", " 2.28", " 2.3", " 2.33"}},
        LadderCase{"12.34", {" 13.57", " 13.45", " 13.33", " 13.2", " 13.08", " 12.96", " 12.83", " 12.71", " 12.59",
                             " 12.46", " 11.11", " 11.23", " 11.35", " 11.48", " 11.6", " 11.72", " 11.85", " 11.97",
                             " 12.09", " 12.22"}},
        // Halves go away from zero.
        LadderCase{"-5", {" -5.5", " -5.45", " -5.4", " -5.35", " -5.3", " -5.25", " -5.2", " -5.15", " -5.1",
                          " -5.05", " -4.5", " -4.55", " -4.6", " -4.65", " -4.7", " -4.75", " -4.8", " -4.85",
                          " -4.9", " -4.95"}},
        LadderCase{"0", same(" 0")}, LadderCase{"abc", same(" 0")}, LadderCase{"-0", same(" 0")},
        LadderCase{"1e39", same(" 1.#INF")}, LadderCase{"-1e39", same(" -1.#INF")}));

TEST_F(LadderTest, ScalingTakesTheSmallerDoubleOnAnExactHalf) {
  // 176.75 * 0.94 = 166.14499999999998181...; 100 times it lies exactly between two doubles.
  EXPECT_EQ(recompute("176.75")[14], " 166.14");
}

TEST_F(LadderTest, ProductIsRoundedTwice) {
  // 2220.75 * 0.94 rounds in 64 bits onto a double midpoint, then up to the even double.
  EXPECT_EQ(recompute("2220.75")[14], " 2087.51");
}

TEST_F(LadderTest, LargeBaseUsesTheExponentForm) {
  const Ladder texts = recompute("1e13");
  EXPECT_EQ(texts[0], " 1.099999981076e+013");
  EXPECT_EQ(texts[10], " 8999999845171");
  EXPECT_EQ(std::bit_cast<std::uint32_t>(calculator.held_base_price()), std::bit_cast<std::uint32_t>(0x1.2309cep+43f));
}

TEST_F(LadderTest, EmptyBaseKeepsTheHeldPriceAndRewritesTheSameLadder) {
  const Ladder before = recompute("12.34");
  EXPECT_EQ(recompute(""), before);
  EXPECT_EQ(calculator.held_base_price(), 0x1.8ae148p+3f);
}

TEST_F(LadderTest, ReloadTakesEvenAnEmptyBaseAndLeavesTheLadder) {
  recompute("12.34");
  boxes.set(base_price_box, "");
  boxes.forget_writes();
  calculator.reload_base_price();
  EXPECT_TRUE(boxes.writes().empty());
  EXPECT_EQ(std::bit_cast<std::uint32_t>(calculator.held_base_price()), 0u);
  boxes.set(base_price_box, "7.5");
  calculator.reload_base_price();
  EXPECT_EQ(calculator.held_base_price(), 7.5f);
}

TEST_F(LadderTest, EachRowUsesTheHeldPriceWhenItIsWritten) {
  // Whatever a change report does, the rows written after it still see the one held price; a report
  // that reloads the base from the box (here: unchanged) must not disturb the remaining rows.
  boxes.set(base_price_box, "10.0");
  int reports = 0;
  boxes.on_change = [&](std::string_view) {
    ++reports;
    calculator.reload_base_price();
  };
  boxes.forget_writes();
  calculator.recompute_ladder();
  EXPECT_EQ(reports, 20);
  EXPECT_EQ(written_ladder()[19], " 9.9");
}

struct ChangeCase {
  std::string base;
  std::string target;
  std::string expected;
};

void PrintTo(const ChangeCase& c, std::ostream* os) { *os << '"' << c.base << "\" / \"" << c.target << '"'; }

class ChangeTable : public LadderTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangeTable, WritesThePercentageOnce) {
  const ChangeCase& c = GetParam();
  boxes.set(base_price_box, c.base);
  calculator.recompute_ladder();
  boxes.set(target_price_box, c.target);
  boxes.forget_writes();
  calculator.compute_change_percentage();
  ASSERT_EQ(boxes.writes().size(), 1u);
  EXPECT_EQ(boxes.writes()[0].box, change_box);
  EXPECT_EQ(boxes.writes()[0].text, c.expected);
  EXPECT_EQ(boxes.read_text(change_box), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, ChangeTable,
    ::testing::Values(
        ChangeCase{"10.0", "11", "10 %"}, ChangeCase{"10.0", "9.5", "-5 %"}, ChangeCase{"10.0", "10", "0 %"},
        ChangeCase{"10.0", "20", "100 %"}, ChangeCase{"10.0", "5", "-50 %"}, ChangeCase{"10.0", "", "-100 %"},
        ChangeCase{"10.0", "10.005", "0.05 %"}, ChangeCase{"12.34", "13", "5.35 %"},
        ChangeCase{"3", "3.01", "0.33 %"}, ChangeCase{"3", "1", "-66.67 %"}, ChangeCase{"8", "8.01", "0.13 %"},
        ChangeCase{"200", "200.25", "0.13 %"}, ChangeCase{"2.35", "2.35", "0 %"},
        ChangeCase{"2.35", "2.585", "10 %"}, ChangeCase{"7", "7.0001", "0 %"}, ChangeCase{"7", "6.9999", "0 %"},
        ChangeCase{"-5", "-5", "0 %"}, ChangeCase{"-5", "-6", "20 %"}, ChangeCase{"0", "5", "1.#INF %"},
        ChangeCase{"0", "-5", "-1.#INF %"}, ChangeCase{"0", "0", "-1.#IND %"}, ChangeCase{"0", "", "-1.#IND %"},
        ChangeCase{"-0", "5", "-1.#INF %"}, ChangeCase{"10", "1e39", "1.#INF %"},
        ChangeCase{"1e39", "5", "-1.#IND %"}, ChangeCase{"1e39", "1e39", "-1.#IND %"},
        ChangeCase{"1e-30", "1", "9.999999968289e+031 %"}));

TEST_F(LadderTest, RefreshEmptiesTheChangeBoxForAnEmptyTarget) {
  boxes.set(base_price_box, "10.0");
  calculator.recompute_ladder();
  boxes.set(change_box, "10 %");
  boxes.set(target_price_box, "");
  boxes.forget_writes();
  calculator.refresh_change_percentage();
  ASSERT_EQ(boxes.writes().size(), 1u);
  EXPECT_EQ(boxes.writes()[0].box, change_box);
  EXPECT_EQ(boxes.writes()[0].text, "");

  boxes.set(target_price_box, "11");
  boxes.forget_writes();
  calculator.refresh_change_percentage();
  ASSERT_EQ(boxes.writes().size(), 1u);
  EXPECT_EQ(boxes.writes()[0].text, "10 %");
}

TEST_F(LadderTest, PercentageUsesTheHeldPriceNotTheBoxText) {
  boxes.set(base_price_box, "10.0");
  calculator.recompute_ladder();
  // Typed but not yet taken (no recompute): the old base still counts.
  boxes.set(base_price_box, "20");
  boxes.set(target_price_box, "11");
  calculator.compute_change_percentage();
  EXPECT_EQ(boxes.read_text(change_box), "10 %");
  // Emptied and focused again: the base becomes zero while the ladder keeps its texts.
  boxes.set(base_price_box, "");
  calculator.reload_base_price();
  calculator.compute_change_percentage();
  EXPECT_EQ(boxes.read_text(change_box), "1.#INF %");
  EXPECT_EQ(boxes.read_text("涨停"), " 11");
}

TEST(LadderText, FormsTheProductInExtendedPrecision) {
  EXPECT_EQ(ladder_text(2220.75f, 0.94), " 2087.51");
  EXPECT_EQ(change_percentage_text(0x1.8ae148p+3f, 0x1.8ae148p+3f), "0 %");
}

}  // namespace
}  // namespace vantelo

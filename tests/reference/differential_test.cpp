// SPDX-License-Identifier: MIT
// Every operation of the core against the MPFR reference, bit for bit, on seeded random inputs.
//
// VANTELO_SEED (decimal or 0x hex) picks the inputs, VANTELO_CASES how many per operation
// (1,000,000 unless set; 100,000 in sanitizer builds). A failure names the seed, the case number and the first differing input
// as hex bits, and counts how many of the cases differ, so it can be replayed exactly.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>

#include "cases.h"
#include "mpfr_reference.h"
#include "vantelo/ladder.h"
#include "vantelo/price.h"

namespace ref = vantelo::reference;
using namespace vantelo::cases;

namespace {

std::uint64_t environment_number(const char* name, std::uint64_t fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return fallback;
  return std::strtoull(value, nullptr, 0);
}

std::uint64_t seed() {
  static const std::uint64_t value = environment_number("VANTELO_SEED", 0x5EED'2026'1211u);
  return value;
}
#ifndef VANTELO_DEFAULT_CASES
#define VANTELO_DEFAULT_CASES 1000000
#endif
std::uint64_t case_count() {
  static const std::uint64_t value = environment_number("VANTELO_CASES", VANTELO_DEFAULT_CASES);
  return value;
}

class PrintSeed : public testing::Environment {
public:
  void SetUp() override {
    std::printf("differential cases: VANTELO_SEED=0x%" PRIx64 " VANTELO_CASES=%" PRIu64 "\n", seed(), case_count());
  }
};
const auto* const print_seed = testing::AddGlobalTestEnvironment(new PrintSeed);

std::string hex(double d) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "0x%016" PRIx64 " (%.17g)", bits_of(d), d);
  return buffer;
}
std::string hex(float f) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "0x%08" PRIx32 " (%.9g)", bits_of(f), static_cast<double>(f));
  return buffer;
}

// Runs `cases` checks of one operation; each returns an empty string when core and reference agree,
// otherwise a description of the input and both results. Reports the first difference and the count.
void sweep(const char* operation, std::uint64_t salt, const std::function<std::string(Random&)>& check) {
  Random random(seed() ^ salt);
  std::uint64_t differing = 0;
  std::string first;
  std::uint64_t first_case = 0;
  const std::uint64_t cases = case_count();
  for (std::uint64_t k = 0; k < cases; ++k) {
    std::string difference = check(random);
    if (!difference.empty()) {
      if (differing++ == 0) {
        first = std::move(difference);
        first_case = k;
      }
      if (differing >= 1000) break;  // enough to judge; keeps a broken build from taking minutes
    }
  }
  if (differing != 0) {
    ADD_FAILURE() << operation << ": " << differing << " differing case(s) (stopped at 1000) with VANTELO_SEED=0x"
                  << std::hex << seed() << std::dec << "; first is case " << first_case << ":\n  " << first;
  }
}

std::string compare(std::string_view what, const std::string& core, const std::string& reference) {
  if (core == reference) return {};
  return std::string(what) + "\n  core:      \"" + core + "\" [" + hex_bytes(core) + "]\n  reference: \"" +
         reference + "\" [" + hex_bytes(reference) + "]";
}
std::string compare(std::string_view what, double core, double reference) {
  if (bits_of(core) == bits_of(reference)) return {};
  return std::string(what) + "\n  core:      " + hex(core) + "\n  reference: " + hex(reference);
}
std::string compare(std::string_view what, float core, float reference) {
  if (bits_of(core) == bits_of(reference)) return {};
  return std::string(what) + "\n  core:      " + hex(core) + "\n  reference: " + hex(reference);
}

std::string text_input(const std::string& text) { return "text [" + hex_bytes(text) + "]"; }

TEST(Differential, PriceFromText) {
  sweep("price_from_text", 1, [](Random& random) {
    const std::string text = typed_price(random);
    return compare(text_input(text), vantelo::price_from_text(text), ref::price_from_text(text));
  });
}

TEST(Differential, PriceFromPlainText) {
  sweep("price_from_plain_text", 2, [](Random& random) {
    const std::string text = box_text(random);
    return compare(text_input(text), vantelo::price_from_plain_text(text), ref::price_from_plain_text(text));
  });
}

TEST(Differential, RoundToPlaces) {
  sweep("round_to_places", 3, [](Random& random) {
    const double x = near_two_place_half(random);
    return compare("value " + hex(x), vantelo::round_to_places(x, 2), ref::round_to_places(x));
  });
}

TEST(Differential, NumberToText) {
  sweep("number_to_text", 4, [](Random& random) {
    const double x = near_text_half(random);
    return compare("value " + hex(x), vantelo::number_to_text(x), ref::number_to_text(x));
  });
}

TEST(Differential, NumberToTextSixDigits) {
  sweep("number_to_text(6)", 5, [](Random& random) {
    const double x = near_text_half(random);
    return compare("value " + hex(x), vantelo::number_to_text(x, 6), ref::number_to_text(x, 6));
  });
}

TEST(Differential, ExtendedArithmetic) {
  struct Operation {
    const char* name;
    double (*core)(double, double) noexcept;
    double (*reference)(double, double);
  };
  static constexpr Operation operations[] = {
      {"add", vantelo::extended::add, ref::extended_add},
      {"subtract", vantelo::extended::subtract, ref::extended_subtract},
      {"multiply", vantelo::extended::multiply, ref::extended_multiply},
      {"divide", vantelo::extended::divide, ref::extended_divide},
  };
  for (const auto& op : operations) {
    sweep(op.name, 6 + static_cast<std::uint64_t>(&op - operations), [&op](Random& random) {
      const auto [a, b] = extended_operands(random);
      const double core = op.core(a, b);
      const double reference = op.reference(a, b);
      if (std::isnan(a) && std::isnan(b)) {
        // Which of two NaN operands goes through is not visible in the calculator: either will do,
        // quieted and otherwise unchanged.
        const std::uint64_t quiet = 0x0008'0000'0000'0000u;
        if (bits_of(core) == (bits_of(a) | quiet) || bits_of(core) == (bits_of(b) | quiet)) return std::string();
      }
      return compare(std::string(op.name) + " of " + hex(a) + " and " + hex(b), core, reference);
    });
  }
}

TEST(Differential, RoundToSixDigits) {
  sweep("round_to_six_digits", 10, [](Random& random) {
    const float x = six_digit_float(random);
    return compare("value " + hex(x), vantelo::round_to_six_digits(x), ref::round_to_six_digits(x));
  });
}

TEST(Differential, NormaliseNumberText) {
  sweep("normalise_number_text", 11, [](Random& random) {
    const std::string text = box_text(random);
    return compare(text_input(text), vantelo::normalise_number_text(text), ref::normalise_number_text(text));
  });
}

TEST(Differential, LadderText) {
  sweep("ladder_text", 12, [](Random& random) {
    const float base = held_price(random, ref::price_from_text);
    const auto& row = vantelo::ladder_rows[random.below(vantelo::ladder_rows.size())];
    return compare("base " + hex(base) + " multiplier " + hex(row.multiplier),
                   vantelo::ladder_text(base, row.multiplier), ref::ladder_text(base, row.multiplier));
  });
}

TEST(Differential, ChangePercentageText) {
  sweep("change_percentage_text", 13, [](Random& random) {
    const float base = held_price(random, ref::price_from_text);
    float target = 0;
    switch (random.below(4)) {
      case 0: target = held_price(random, ref::price_from_text); break;
      case 1: {
        // A target a few hundredths of a per cent from the base: the rounding's halves.
        const std::string change = std::to_string(random.between(-20000, 20000));
        target = static_cast<float>(ref::extended_multiply(base, 1.0 + std::strtod(change.c_str(), nullptr) / 1e6));
        break;
      }
      case 2: target = std::nextafter(base, random.chance(2) ? 1e30f : -1e30f); break;
      default: target = ref::price_from_text(typed_price(random)); break;
    }
    return compare("target " + hex(target) + " base " + hex(base), vantelo::change_percentage_text(target, base),
                   ref::change_percentage_text(target, base));
  });
}

}  // namespace

// SPDX-License-Identifier: MIT
// Prints the results of every operation of the price arithmetic for a seeded set of inputs, one line
// per case, values as hex bits and texts as they are. The core promises the same digits on every
// machine (it never uses the hardware's extended format), so the output of an x86-64 build and of an
// AArch64 build must be identical; scripts/lib/compare-architectures checks that.
//   vantelo_digest [cases per operation (20000)] [seed]
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "cases.h"
#include "vantelo/ladder.h"
#include "vantelo/price.h"

using namespace vantelo::cases;

namespace {

class MemoryBoxes final : public vantelo::EditBoxes {
public:
  vantelo::Text read_text(std::string_view box) override { return texts_[std::string(box)]; }
  void write_text(std::string_view box, std::string_view text) override { texts_[std::string(box)] = text; }

private:
  std::map<std::string, vantelo::Text, std::less<>> texts_;
};

void line(const char* operation, const std::string& input, const std::string& output) {
  std::printf("%s %s -> %s\n", operation, input.c_str(), output.c_str());
}
std::string hex(double d) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%016" PRIx64, bits_of(d));
  return buffer;
}
std::string hex(float f) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%08" PRIx32, bits_of(f));
  return buffer;
}
// Texts go out as hex too: a GBK byte must not be at the mercy of the terminal.
std::string text(std::string_view t) { return hex_bytes(t); }

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t cases = argc > 1 ? std::strtoull(argv[1], nullptr, 0) : 20000;
  const std::uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 0) : 0xD16E57;
  Random random(seed);

  for (std::uint64_t k = 0; k < cases; ++k) {
    const std::string typed = typed_price(random);
    line("price_from_text", text(typed), hex(vantelo::price_from_text(typed)));
    const std::string box = box_text(random);
    line("price_from_plain_text", text(box), hex(vantelo::price_from_plain_text(box)));
    line("normalise_number_text", text(box), text(vantelo::normalise_number_text(box)));

    const double half = near_two_place_half(random);
    line("round_to_places", hex(half), hex(vantelo::round_to_places(half, 2)));
    const double shown = near_text_half(random);
    line("number_to_text", hex(shown), text(vantelo::number_to_text(shown)));
    line("number_to_text_6", hex(shown), text(vantelo::number_to_text(shown, 6)));
    const float single = six_digit_float(random);
    line("round_to_six_digits", hex(single), hex(vantelo::round_to_six_digits(single)));

    const auto [a, b] = extended_operands(random);
    const std::string operands = hex(a) + " " + hex(b);
    line("add", operands, hex(vantelo::extended::add(a, b)));
    line("subtract", operands, hex(vantelo::extended::subtract(a, b)));
    line("multiply", operands, hex(vantelo::extended::multiply(a, b)));
    line("divide", operands, hex(vantelo::extended::divide(a, b)));
  }

  // The calculator's own flow: a base text, its twenty ladder texts, a target and its percentage.
  MemoryBoxes boxes;
  vantelo::PriceCalculator calculator(boxes);
  for (std::uint64_t k = 0; k < cases; ++k) {
    const std::string base = random.chance(10) ? std::string() : typed_price(random);
    boxes.write_text(vantelo::base_price_box, base);
    calculator.recompute_ladder();
    std::string ladder = hex(calculator.held_base_price());
    for (const auto& row : vantelo::ladder_rows) {
      ladder += ' ';
      ladder += text(boxes.read_text(row.box));
    }
    line("recompute_ladder", text(base), ladder);

    const std::string target = random.chance(10) ? std::string() : typed_price(random);
    boxes.write_text(vantelo::target_price_box, target);
    calculator.compute_change_percentage();
    line("compute_change_percentage", text(target), text(boxes.read_text(vantelo::change_box)));
    if (random.chance(4)) {
      calculator.reload_base_price();
      calculator.refresh_change_percentage();
      line("refresh_change_percentage", text(target), text(boxes.read_text(vantelo::change_box)));
    }
  }
  return std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

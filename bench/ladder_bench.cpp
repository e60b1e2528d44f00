// SPDX-License-Identifier: MIT
// What one keystroke in the base price box costs: the typed text becomes the held price and the
// twenty ladder texts are made. The naive variant is what plain double arithmetic and the C
// library would do; the calculator's exact rules should not cost more than it.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <benchmark/benchmark.h>

#include "vantelo/ladder.h"
#include "vantelo/price.h"

namespace {

constexpr std::array<std::string_view, 8> base_texts{"10.0", "12.34", "2.35", "176.75",
                                                     "2220.75", "-5", "1e13", "38.05"};

void BM_LadderExact(benchmark::State& state) {
  std::size_t next = 0;
  std::array<vantelo::Text, 20> texts;
  for (auto _ : state) {
    const std::string_view base_text = base_texts[next++ % base_texts.size()];
    const float base = vantelo::price_from_text(base_text);
    for (std::size_t row = 0; row < vantelo::ladder_rows.size(); ++row) {
      texts[row] = vantelo::ladder_text(base, vantelo::ladder_rows[row].multiplier);
    }
    benchmark::DoNotOptimize(texts);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LadderExact);

void BM_LadderNaive(benchmark::State& state) {
  std::size_t next = 0;
  std::array<std::string, 20> texts;
  for (auto _ : state) {
    const std::string base_text(base_texts[next++ % base_texts.size()]);
    const double base = std::strtod(base_text.c_str(), nullptr);
    for (std::size_t row = 0; row < vantelo::ladder_rows.size(); ++row) {
      const double rounded = std::round(base * vantelo::ladder_rows[row].multiplier * 100.0) / 100.0;
      char buffer[32];
      const int length = std::snprintf(buffer, sizeof buffer, " %.13g", rounded);
      texts[row].assign(buffer, static_cast<std::size_t>(length));
    }
    benchmark::DoNotOptimize(texts);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LadderNaive);

void BM_ChangePercentage(benchmark::State& state) {
  constexpr std::array<std::string_view, 4> targets{"11", "13", "2.585", "6.9999"};
  std::size_t next = 0;
  vantelo::Text text;
  for (auto _ : state) {
    const std::size_t i = next++;
    const float base = vantelo::price_from_text(base_texts[i % base_texts.size()]);
    const float target = vantelo::price_from_text(targets[i % targets.size()]);
    text = vantelo::change_percentage_text(target, base);
    benchmark::DoNotOptimize(text);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ChangePercentage);

}  // namespace

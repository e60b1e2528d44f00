// SPDX-License-Identifier: MIT
#pragma once

namespace vantelo::detail {

// GCC and Clang provide 128-bit integers on every 64-bit target the calculator is built for
// (x86-64, AArch64); __extension__ keeps -Wpedantic quiet about it.
__extension__ typedef unsigned __int128 u128;

}  // namespace vantelo::detail

# SPDX-License-Identifier: MIT
# One place for the flags every target of the project is built with.
add_library(vantelo_warnings INTERFACE)
target_compile_options(vantelo_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
  -Wnon-virtual-dtor -Woverloaded-virtual -Wimplicit-fallthrough
  # The price arithmetic must round each step on its own; a fused multiply-add would skip a rounding.
  -ffp-contract=off)
if(VANTELO_WERROR)
  target_compile_options(vantelo_warnings INTERFACE -Werror)
endif()

# Tests and tools get the same flags minus the noisiest conversions warnings of third-party macros.
add_library(vantelo_test_flags INTERFACE)
target_compile_options(vantelo_test_flags INTERFACE -Wall -Wextra -ffp-contract=off)
if(VANTELO_WERROR)
  target_compile_options(vantelo_test_flags INTERFACE -Werror)
endif()

// SPDX-License-Identifier: MIT
#include "app/startup.h"

int main() { vantelo::app::program_entry(); }

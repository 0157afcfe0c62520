// --verify: each symbol is decoded with zxing-cpp before it is written.
#pragma once

#include <optional>
#include <string>

#include "cli/options.h"
#include "cli/render.h"

// Status 0 when the symbol reads back as its text (a warning when zxing
// cannot read the type at all), 1 with the reason when it does not, 2 when
// this build has no decoder.
Outcome VerifySymbol(const CliOptions& options, int32_t type, const std::optional<std::string>& text);

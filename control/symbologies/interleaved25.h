// The ITF 14 check digit, shared with EAN 14.
#pragma once

#include <cstdint>
#include <string>

// Check digit of a 13-digit text, or of the first 13 digits of a 14-digit
// text: weights 3 and 1 from the left, the digit that completes the sum to
// a multiple of 10. -2 for a text that is not 13 or 14 digits.
int32_t Itf14Checksum(const std::string& text);

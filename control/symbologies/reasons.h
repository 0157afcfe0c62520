// Why a text cannot be drawn in a symbology, told so that the user knows
// what to change.
#pragma once

#include <cstdint>
#include <string>

// Why `cp1252Text` (Windows-1252 bytes, as the symbol model holds it) is not
// a valid text for `type`; empty exactly when the type's symbol accepts it
// (IsValid). The reason is plain English in UTF-8, for example
// "check digit should be 7, not 2" or "character 'a' at position 3 cannot be
// encoded in Code 25 (digits only)". An id that names no symbology gets a
// reason too. Never throws.
std::string InvalidTextReason(int32_t type, const std::string& cp1252Text);

// `cp1252` in double quotes, as UTF-8: how messages show a user's text.
std::string QuotedText(const std::string& cp1252);

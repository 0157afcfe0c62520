// The GS1 layer: element strings of application identifiers checked against
// the GS1 rules (lengths, character sets, check digits, dates, code lists,
// companions and exclusions) and turned into the text the EAN/UCC 128 AI
// symbol needs, with FNC1 exactly where a reader needs one.
//
// The symbol classes themselves accept any text; callers that want GS1
// conformance (render API, command, server, editor) check here first and
// hand `controlText` to the control.
//
// All strings are UTF-8. Failures are values: a verdict lists every error
// found, each naming the AI and the rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One field of an element string: its AI and its data, as written.
struct CGs1Field {
    std::string ai;
    std::string value;
    bool operator==(const CGs1Field&) const = default;
};

struct CGs1Verdict {
    bool valid = false;
    std::vector<std::string> errors; // empty exactly when valid
    // The text to set on the control. Type 28: the fields in brackets with
    // "<FNC1>" after every variable-length field that another field follows
    // (and nowhere else). Types 29, 31, 32: the digits as given (the control
    // appends a missing check digit itself). Empty when the text could not
    // be split into fields.
    std::string controlText;
    // The human-readable element string, "(01)...(10)...", without markers.
    // For types 29, 31 and 32 it carries the implied AI and the check digit.
    std::string humanText;
    std::vector<CGs1Field> fields;
    // AI digits plus data characters; FNC1 and brackets are not counted.
    size_t dataCharacters = 0;
};

// GS1 General Specifications 5.4.1: at most 48 data characters in one
// GS1-128 symbol.
inline constexpr size_t kGs1128MaxDataCharacters = 48;

// Type 28 ("EAN/UCC 128 AI"): the bracketed form (AI)value(AI)value...,
// optionally with "<FNC1>" markers between fields (accepted, then placed
// anew).
CGs1Verdict Gs1CheckElementString(const std::string& utf8);

// Types 29 (EAN 14: AI 01, 14 digits), 31 (EAN 18/NVE) and 32 (SSCC 18:
// AI 00, 18 digits). The value without its check digit (13 or 17 digits)
// is completed as the control completes it; a full-length value has its
// check digit checked. Any other type is an error.
CGs1Verdict Gs1CheckImplied(int32_t type, const std::string& digits);

// The types whose text this layer checks: 28, 29, 31, 32.
bool IsGs1Type(int32_t type);

// Gs1CheckElementString for type 28, Gs1CheckImplied for 29, 31, 32; for
// any other type a valid verdict that passes the text through unchanged.
CGs1Verdict Gs1Check(int32_t type, const std::string& utf8);

// Whether `ai` (digits only, no brackets) is an application identifier of
// the current GS1 General Specifications.
bool Gs1IsKnownAi(const std::string& ai);

// For an AI of predefined length (GS1 General Specifications Figure
// 7.8.5-2, by its first two digits), the length of AI plus data, which needs
// no FNC1 after it; 0 for every other AI.
int Gs1PredefinedLength(const std::string& ai);

// The tessaline command's options: parsing of the command line into the
// settings of one run, and the parsers of the individual values.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <tessaline/tessaline.hpp>

#include "platform/gdi/gdi.h"

enum class CliAction { Render, Info, Batch, ListTypes, Help, Version };

struct CliOptions {
    CliAction action = CliAction::Render;
    std::optional<std::string> type;   // id or name, UTF-8, as given
    std::optional<std::string> text;   // UTF-8
    std::optional<std::string> output; // file (or directory in batch mode)
    std::optional<std::string> batchFile;
    int width = 0, height = 0;         // 0 x 0: sized from the symbol
    int module = 2;                    // pixels a module when sized
    double barHeightModules = 0;       // --height in modules
    double barHeightMm = 0;            // --height in millimetres
    int16_t rotate = 0;
    bool showText = true;
    int borderWidth = -1, borderHeight = -1; // -1: 3,4 with --size, else none
    int16_t notch = 25;
    COLORREF fg = RGB(0, 0, 0);
    COLORREF bg = RGB(255, 255, 255);
    std::string fontFace = "Arial";
    double fontPoints = 0; // 0: follows the module (18 with --size)
    bool fontBold = true, fontItalic = false;
    bool autoType = false;
    int dpi = 96;
    std::optional<double> moduleMm; // module width in millimetres at dpi
    int jobs = int(std::max(1u, std::thread::hardware_concurrency())); // the cores
    bool interlace = false;
    bool bilevel = false;  // text without anti-aliasing: two colours only
    int quality = 90;
    bool quietZones = true;
    bool bearerBars = true;
    bool gs1Check = true;
    bool verify = false;    // decode each image before it is written
    bool json = false;      // --list-types --json
    std::optional<tessaline::Format> format; // --format (required with -o -)

    // Batch safety and resuming.
    bool allowAbsolute = false; // OUTPUT names may leave the -o directory
    bool skipExisting = false;  // keep outputs that are there and complete
};

struct ParseResult {
    CliOptions options;
    std::string error; // non-empty: a usage error
};

ParseResult ParseArguments(const std::vector<std::string>& args);

// Value parsers; nullopt for a malformed value.
std::optional<int> ParseInt(const std::string& s);
std::optional<std::pair<int, int>> ParsePair(const std::string& s, char separator);
std::optional<COLORREF> ParseColor(const std::string& s);
struct FontSpec {
    std::string face;
    double points;
    bool bold, italic;
};
std::optional<FontSpec> ParseFont(const std::string& s);

std::string UsageText();

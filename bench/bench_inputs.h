// Inputs the render benchmarks share: batch-like EAN 13 texts and the
// three text variants of the command.
#pragma once

#include <cstdint>
#include <string>

#include <tessaline/tessaline.hpp>

// EAN 13 texts that differ from image to image, as in a batch.
inline std::string Ean13Text(int64_t i)
{
    std::string t = std::to_string(400000000000 + (i * 7919) % 99999999999);
    return t.substr(0, 12);
}

// 0: anti-aliased text (the default), 1: bilevel text (--bilevel), 2: none
// (--no-text).
inline tessaline::RenderOptions TextOptions(int64_t text)
{
    tessaline::RenderOptions o;
    o.bilevel = text == 1;
    o.showText = text != 2;
    return o;
}

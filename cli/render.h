// One barcode of the tessaline command: the options turned into the render
// API's, and its outcome as an exit status and a message.
#pragma once

#include <optional>
#include <string>

#include <tessaline/tessaline.hpp>

#include "cli/options.h"

// --type: an id of the catalogue or any name the type-name parser accepts.
struct TypeChoice {
    int32_t id = -1;
    std::string error; // non-empty: not a type
};
TypeChoice ResolveType(const std::string& utf8);

// What one run or one batch line ends with.
struct Outcome {
    int status = 0;      // 0 written, 1 text or size error, 2 usage error, 3 write error
    std::string message; // for stderr when status is not 0
    std::vector<std::string> warnings;
};

// The exit status of a render error.
int ExitStatus(tessaline::ErrorKind kind);

tessaline::RenderOptions ToRenderOptions(const CliOptions& options);

// The renderer one thread of the command draws with: every image is the
// barcode control's drawing, made in this process by the library.
class CNewFileWriter;

class CCommandRenderer {
public:
    explicit CCommandRenderer(const CliOptions& options);

    // Checks the symbol and writes it to `output` (the format of its
    // extension, or --format). Nothing is written for an invalid text or a
    // symbol that does not fit. With a batch's `writer`, a file that is not
    // there yet is made through it (flushed with the batch's other new
    // files); a regular file that is there is replaced safely.
    Outcome RenderToFile(int32_t type, const std::optional<std::string>& text, const std::string& output,
                         CNewFileWriter* writer = nullptr);
    // The image bytes, for standard output.
    Outcome RenderToBytes(int32_t type, const std::optional<std::string>& text, tessaline::Format format,
                          std::vector<uint8_t>& bytes);
    // The --info object, and the verdict that goes with it.
    std::string InfoJson(int32_t type, const std::optional<std::string>& text, Outcome& verdict);

private:
    const CliOptions& m_cli;
    tessaline::RenderOptions m_options;
    tessaline::CRenderer m_renderer;
};

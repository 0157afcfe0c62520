// The DIB-to-PNG writer: checks a device-independent bitmap, turns its rows
// into PNG rows (a palette image for 1, 2, 4 and 8 bits per pixel, 8-bit RGB
// for 16, 24 and 32) and encodes them with libpng into a writable stream.
//
// Every failure gives 0; its reason goes to the diagnostic hook, which
// drops it unless a hook is installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ostream>
#include <vector>

#include "platform/gdi/dib.h"

// --- diagnostics -------------------------------------------------------------

// Receives a severity (1 for every failure of the writer) and the formatted
// message. Called on the thread that failed.
using PngDiagnosticHook = void (*)(int severity, const char* message);
// Installs a hook (null: drop messages, the default); returns the previous.
PngDiagnosticHook SetPngDiagnosticHook(PngDiagnosticHook hook);

// --- streams -----------------------------------------------------------------

// Anything the encoder can write to. Write takes every byte or fails.
class CWritableStream {
public:
    virtual ~CWritableStream() = default;
    virtual bool Write(const void* data, size_t size) noexcept = 0;
};

// A growable in-memory file: its buffer grows in multiples of the growth
// step (and at least doubles, so large images stay linear to write).
class CMemFile : public CWritableStream {
public:
    explicit CMemFile(size_t growBytes = 1024) : m_growBytes(growBytes ? growBytes : 1) {}
    bool Write(const void* data, size_t size) noexcept override;
    size_t GetLength() const { return m_data.size(); }
    size_t GetCapacity() const { return m_data.capacity(); }
    const uint8_t* GetBuffer() const { return m_data.data(); }
    // Takes the bytes out, leaving the file empty.
    std::vector<uint8_t> Detach() { return std::move(m_data); }

private:
    std::vector<uint8_t> m_data;
    size_t m_growBytes;
};

// A C stream opened for writing (not owned).
class CStdioFile : public CWritableStream {
public:
    explicit CStdioFile(std::FILE* file) : m_file(file) {}
    bool Write(const void* data, size_t size) noexcept override;

private:
    std::FILE* m_file;
};

// A standard output stream (not owned).
class COStreamFile : public CWritableStream {
public:
    explicit COStreamFile(std::ostream& out) : m_out(out) {}
    bool Write(const void* data, size_t size) noexcept override;

private:
    std::ostream& m_out;
};

// --- conversion and encoding -------------------------------------------------

// PNG colour types the writer produces.
constexpr int kPngColorGrey = 0;
constexpr int kPngColorRgb = 2;
constexpr int kPngColorPalette = 3;
// Keyword and text of the one text chunk of every image.
constexpr const char* kPngTextKeyword = "tessaline";
constexpr const char* kPngText = "CWebImageDC / PNG";

struct PngTextEntry {
    int compression = -1; // -1: uncompressed (tEXt)
    const char* key = nullptr;
    const char* text = nullptr;
    size_t length = 0;
};

// What the conversion fills and the encoder consumes.
struct PngWriteRequest {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitDepth = 0;
    int32_t colorType = 0;
    int32_t interlace = 0;
    int32_t paletteCount = 0;
    const uint8_t* palette = nullptr; // paletteCount x (red, green, blue)
    double gamma = -1.0;              // written only when > 0
    int32_t textCount = 0;
    const PngTextEntry* texts = nullptr;
    int32_t writeTime = 0;
    const uint8_t* transAlpha = nullptr; // per palette entry
    int32_t transCount = 0;
    struct TransColor { uint8_t index; uint16_t red, green, blue, gray; };
    const TransColor* transColor = nullptr;
    const uint8_t* const* rowPointers = nullptr; // height rows, top row first
    int32_t compressionLevel = 0;                // 0: the library's default
    const uint8_t* pixels = nullptr;
};

// A DIB as three buffers: header plus colour data, and the pixel rows.
struct DibView {
    const uint8_t* info = nullptr;
    size_t infoSize = 0;
    const uint8_t* bits = nullptr;
    size_t bitsSize = 0;
};
inline DibView ViewOf(const CDib& dib) { return {dib.info.data(), dib.info.size(), dib.bits.data(), dib.bits.size()}; }

struct PngOptions {
    bool interlace = true;
    bool useTransparentColor = false;
    COLORREF transparentColor = RGB(255, 255, 255);
    // -1: chosen from the bits per pixel (palette up to 8, RGB above);
    // otherwise forced (0 grey, 2 RGB, 3 palette), for callers that know.
    int colorType = -1;
};

// Checks and converts the DIB and encodes it into `out`: 1 on success, 0 on
// failure. Never reads outside the given buffers.
int WriteDibAsPng(const DibView& dib, const PngOptions& options, CWritableStream& out);
// Encodes a filled request: 1 or 0.
int EncodePng(const PngWriteRequest& request, CWritableStream& out);

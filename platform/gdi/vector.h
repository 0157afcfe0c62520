// Vector surfaces: SVG, PDF and EPS documents through cairo. Device units
// map to 72/dpi points, so a drawing has the same geometry as on a raster
// surface of that resolution; text uses the same faces and metrics.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "platform/gdi/cairodc.h"

typedef struct _cairo_surface cairo_surface_t;

enum class VectorFormat { Svg, Pdf, Eps };

class CVectorDC : public CCairoDC {
public:
    // A document of width x height device units kept in memory until
    // Finish, which hands it out through TakeBytes.
    CVectorDC(VectorFormat format, int width, int height, int dpi = 96);
    // A document written to a file: drawn in memory, the file is replaced
    // at Finish only when the whole document was made (WriteFileSafely),
    // so a failure leaves an existing file as it was.
    CVectorDC(VectorFormat format, const std::string& path, int width, int height, int dpi = 96);
    // The same, written to a stream (which must outlive the surface).
    CVectorDC(VectorFormat format, std::ostream& out, int width, int height, int dpi = 96);
    // Finishes the document when Finish was not called.
    ~CVectorDC() override;
    CVectorDC(const CVectorDC&) = delete;
    CVectorDC& operator=(const CVectorDC&) = delete;

    // A document drawn by `draw`, as a string; empty on failure.
    static std::string Render(VectorFormat format, int width, int height, int dpi, const std::function<void(CDC&)>& draw);
    // The format a file name's extension asks for (.svg, .pdf, .eps, .ps);
    // false for any other.
    static bool FormatForPath(const std::string& path, VectorFormat& format);

    bool IsOk() const { return m_cr != nullptr; }
    // Completes the document; true when cairo ended without an error and
    // every byte reached the memory, the stream or the file. Drawing
    // afterwards does nothing.
    bool Finish();
    // Why the last Finish failed (cairo's status, or the file's
    // "cannot write ..." reason); empty after a success.
    const std::string& LastError() const { return m_error; }
    // The finished document of a memory surface, leaving it empty; empty
    // too when Finish failed.
    std::string TakeBytes() { return std::move(m_sink.bytes); }

    int GetDeviceCaps(int index) const override;

    // Where cairo's output goes when writing to a stream.
    struct Sink {
        std::ostream* out = nullptr; // null: the bytes are kept in memory
        std::string bytes;
        bool failed = false;
    };

private:
    void Init(VectorFormat format, int width, int height);
    int m_width, m_height, m_dpi;
    Sink m_sink;
    std::string m_path; // the file written at Finish, if any
    std::string m_error;
    cairo_surface_t* m_surface = nullptr;
};

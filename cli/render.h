// One barcode of the tessaline command: the control that draws it, set up
// from the options, its verdicts, and the image file written from it.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "cli/options.h"
#include "control/interface/barcodectrl.h"

enum class ImageFormat { Png, Jpeg, Bmp, Svg, Pdf, Eps };

// The format a file name asks for by its extension (case-insensitive).
std::optional<ImageFormat> FormatForPath(const std::string& path);

// --type: an id of the catalogue or any name the type-name parser accepts.
struct TypeChoice {
    int32_t id = -1;
    std::string error; // non-empty: not a type
};
TypeChoice ResolveType(const std::string& utf8);

// What one run or one batch line ends with.
struct Outcome {
    int status = 0;      // 0 written, 1 text or size error, 2 usage error
    std::string message; // for stderr when status is not 0
};

// The control the command draws with: the Tessaline control made through
// its class factory, in this process, on a headless site (no window: no
// message boxes, and the borders the options checked are taken as given).
// Every image the command writes is the control's own drawing.
class CCommandControl {
public:
    CCommandControl();
    bool IsOk() const { return m_control != nullptr; }
    CBarcodeCtrl& Control() { return *m_control; }

    // Colours, font, borders, notch, rotation and the text flag.
    void SetPresentation(const CliOptions& options);
    // The type (a catalogue id), the text (UTF-8; the type's sample text
    // when absent) and automatic detection when asked for. False when the
    // control refuses the type or has no symbol for it.
    bool SetSymbol(int32_t type, const std::optional<std::string>& text, bool autoType);
    CGenericBarcode& Symbol() { return *m_control->GetSymbol(); }

    // The control's drawing of (0, 0, width, height) onto `dc`.
    void Draw(CDC* dc, int width, int height);

private:
    std::shared_ptr<CBarcodeCtrl> m_control;
};

// The control set up from the options for `type` and `text`; nullptr when
// it cannot be made.
std::unique_ptr<CCommandControl> MakeControl(const CliOptions& options, int32_t type,
                                             const std::optional<std::string>& text);

// Paints the symbol into a width x height area and tells whether it fitted.
bool FitsArea(CCommandControl& control, const CliOptions& options, int width, int height);

// The image size for this symbol: --size, or with --module-mm the bar axis
// that gives modules of the nearest whole number of pixels (the other side
// from --size).
SIZE ImageSize(CCommandControl& control, const CliOptions& options);

// What --module-mm asks for at --dpi: the whole pixels of one module, and a
// note when rounding moves the module by more than 10% (empty otherwise).
struct ModulePixels {
    int pixels = 1;
    std::string note;
};
ModulePixels ModuleSize(double millimetres, int dpi);

// Surfaces and buffers that one thread reuses from image to image
// (cli/image_files.h).
struct CImageWorkspace;

// Checks the symbol and writes it to `output` in the format of its
// extension. Nothing is written for an invalid text or a symbol that does
// not fit. `workspace` may be null (one image).
Outcome RenderToFile(const CliOptions& options, CCommandControl& control, const std::string& output,
                     CImageWorkspace* workspace = nullptr);

// The --info object: type, typeName, text, valid, checksum, sizeOk.
std::string InfoJson(CCommandControl& control, const CliOptions& options);
// The verdict that --info and rendering share: status 1 with the reason for
// an invalid text or a symbol that does not fit.
Outcome CheckSymbol(CCommandControl& control, const CliOptions& options);
// The message of a symbol that does not fit in `size`.
std::string SizeErrorMessage(CCommandControl& control, const CliOptions& options, SIZE size);

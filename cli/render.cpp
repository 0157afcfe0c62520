// The command's side of one barcode: options in, exit status out.
#include "cli/render.h"

#include "cli/output_files.h"
#include "control/engine/catalogue.h"
#include "platform/io/safefile.h"

TypeChoice ResolveType(const std::string& utf8)
{
    const int id = tessaline::ResolveType(utf8);
    if (id >= 0) return {id, ""};
    if (ParseInt(utf8)) return {-1, "unknown type id " + utf8 + " (see --list-types)"};
    if (LookupTypeAlias(AnsiUpper(Utf8ToCp1252(utf8))) >= 0)
        return {-1, "\"" + utf8 + "\" is not a symbology this program draws"};
    return {-1, "unknown type name \"" + utf8 + "\" (see --list-types)"};
}

int ExitStatus(tessaline::ErrorKind kind)
{
    switch (kind) {
    case tessaline::ErrorKind::Usage: return 2;
    case tessaline::ErrorKind::Write: return 3;
    default: return 1;
    }
}

tessaline::RenderOptions ToRenderOptions(const CliOptions& o)
{
    tessaline::RenderOptions r;
    r.width = o.width;
    r.height = o.height;
    r.module = o.module;
    r.moduleMm = o.moduleMm.value_or(0);
    r.barHeight = o.barHeightModules;
    r.barHeightMm = o.barHeightMm;
    r.rotate = o.rotate;
    r.showText = o.showText;
    r.fontFace = o.fontFace;
    r.fontPoints = o.fontPoints;
    r.fontBold = o.fontBold;
    r.fontItalic = o.fontItalic;
    r.foreground = uint32_t(GetRValue(o.fg)) << 16 | uint32_t(GetGValue(o.fg)) << 8 | GetBValue(o.fg);
    r.background = uint32_t(GetRValue(o.bg)) << 16 | uint32_t(GetGValue(o.bg)) << 8 | GetBValue(o.bg);
    r.borderWidth = o.borderWidth;
    r.borderHeight = o.borderHeight;
    r.notch = o.notch;
    r.quietZones = o.quietZones;
    r.bearerBars = o.bearerBars;
    r.bilevel = o.bilevel;
    r.interlace = o.interlace;
    r.jpegQuality = o.quality;
    r.dpi = o.dpi;
    r.autoType = o.autoType;
    r.gs1Check = o.gs1Check;
    return r;
}

CCommandRenderer::CCommandRenderer(const CliOptions& options) : m_cli(options), m_options(ToRenderOptions(options))
{
}

Outcome CCommandRenderer::RenderToFile(int32_t type, const std::optional<std::string>& text, const std::string& output,
                                       CNewFileWriter* writer)
{
    std::optional<tessaline::Format> format = m_cli.format ? m_cli.format : tessaline::FormatForPath(output);
    if (!format)
        return {2, "cannot tell the image format of \"" + output + "\": use .png .jpg .jpeg .bmp .svg .pdf or .eps", {}};
    std::vector<uint8_t> bytes;
    Outcome outcome = RenderToBytes(type, text, *format, bytes);
    if (outcome.status != 0) return outcome;
    if (writer) {
        std::string reason;
        switch (writer->Write(output, bytes.data(), bytes.size(), reason)) {
        case CNewFileWriter::Result::Written: return outcome;
        case CNewFileWriter::Result::Failed: return {3, reason, {}};
        case CNewFileWriter::Result::NotNew: break;
        }
        // A batch replaces regular files only.
        if (Outcome o = CheckOutputTarget(output); o.status) return o;
    }
    const CWriteResult r = WriteFileSafely(output, bytes.data(), bytes.size());
    if (!r.ok) return {3, r.reason, {}};
    return outcome;
}

Outcome CCommandRenderer::RenderToBytes(int32_t type, const std::optional<std::string>& text, tessaline::Format format,
                                        std::vector<uint8_t>& bytes)
{
    try {
        std::optional<std::string_view> t;
        if (text) t = *text;
        tessaline::Image image = m_renderer.Render(std::to_string(type), t, format, m_options);
        bytes = std::move(image.bytes);
        return {0, {}, image.warnings};
    } catch (const tessaline::CRenderError& e) {
        return {ExitStatus(e.Kind()), e.what(), {}};
    }
}

std::string CCommandRenderer::InfoJson(int32_t type, const std::optional<std::string>& text, Outcome& verdict)
{
    std::optional<std::string_view> t;
    if (text) t = *text;
    try {
        const tessaline::SymbolReport r = m_renderer.Inspect(std::to_string(type), t, m_options);
        verdict = r.reason.empty() ? Outcome{} : Outcome{1, r.reason, {}};
        verdict.warnings = r.warnings;
        return r.ToJson();
    } catch (const tessaline::CRenderError& e) {
        verdict = {ExitStatus(e.Kind()), e.what(), {}};
        return {};
    }
}

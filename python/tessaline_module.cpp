// The Python module `tessaline`: the render API of the library for Python.
//
// Every call goes through tessaline::CRenderer; this file only converts
// Python values to RenderOptions and results back. Rendering runs without
// the GIL, each Python thread on a renderer of its own, so threads render
// at the same time.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <tessaline/tessaline.hpp>

#include "cli/options.h" // the command's parsers of font and colour texts

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

tessaline::CRenderer& Renderer()
{
    thread_local tessaline::CRenderer renderer;
    return renderer;
}

// The library names its own command where the list of types can be seen;
// from Python that list is tessaline.types().
std::string PythonMessage(std::string message)
{
    static const std::string kCommandHint = "(see --list-types)";
    const size_t at = message.find(kCommandHint);
    if (at != std::string::npos) message.replace(at, kCommandHint.size(), "(see tessaline.types())");
    return message;
}

// --- arguments ---------------------------------------------------------------------

// A str as UTF-8; one that has none (a lone surrogate) raises Python's
// UnicodeEncodeError, a ValueError.
std::string Utf8(py::handle str)
{
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(str.ptr(), &size);
    if (!data) throw py::error_already_set();
    return std::string(data, size_t(size));
}

std::string TypeArgument(py::handle type)
{
    if (py::isinstance<py::str>(type)) return Utf8(type);
    if (py::isinstance<py::int_>(type) && !py::isinstance<py::bool_>(type)) return py::str(type).cast<std::string>();
    throw py::type_error("type wants a type id (int) or a type name (str)");
}

std::optional<std::string> TextArgument(py::handle text)
{
    if (text.is_none()) return std::nullopt;
    if (py::isinstance<py::str>(text)) return Utf8(text);
    throw py::type_error("text wants a str, or None for the type's sample text");
}

tessaline::Format FormatArgument(const std::string& name)
{
    const auto format = tessaline::FormatFromName(name);
    if (!format) throw py::value_error("unknown image format \"" + name + "\": use png, jpg, jpeg, bmp, svg, pdf or eps");
    return *format;
}

std::string PathArgument(py::handle path)
{
    const py::object fs = py::module_::import("os").attr("fspath")(path);
    if (!py::isinstance<py::str>(fs)) throw py::type_error("path wants a str or an os.PathLike of str");
    return Utf8(fs);
}

// --- options -----------------------------------------------------------------------

long long IntegerValue(py::handle value, const char* name, long long lo, long long hi)
{
    if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value))
        throw py::type_error(std::string(name) + " wants an int");
    int overflow = 0;
    const long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (overflow || v < lo || v > hi) throw py::value_error(std::string(name) + " is out of range");
    return v;
}

// Values the library checks itself; this only keeps them inside an int.
int IntValue(py::handle value, const char* name)
{
    return int(IntegerValue(value, name, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

double DoubleValue(py::handle value, const char* name)
{
    if ((!py::isinstance<py::int_>(value) && !py::isinstance<py::float_>(value)) || py::isinstance<py::bool_>(value))
        throw py::type_error(std::string(name) + " wants a number");
    return value.cast<double>();
}

bool BoolValue(py::handle value, const char* name)
{
    if (py::isinstance<py::bool_>(value)) return value.cast<bool>();
    if (py::isinstance<py::int_>(value)) return IntegerValue(value, name, 0, 1) != 0;
    throw py::type_error(std::string(name) + " wants a bool");
}

std::string StringValue(py::handle value, const char* name)
{
    if (!py::isinstance<py::str>(value)) throw py::type_error(std::string(name) + " wants a str");
    return Utf8(value);
}

// 0xRRGGBB, or a colour text as the command takes it ("#RRGGBB", "#RGB",
// "R,G,B", a basic colour name).
uint32_t ColourValue(py::handle value, const char* name)
{
    if (py::isinstance<py::str>(value)) {
        const std::string text = Utf8(value);
        const auto c = ParseColor(text);
        if (!c) throw py::value_error(std::string(name) + ": not a colour: \"" + text + "\"");
        return uint32_t(GetRValue(*c)) << 16 | uint32_t(GetGValue(*c)) << 8 | GetBValue(*c);
    }
    if (py::isinstance<py::int_>(value) && !py::isinstance<py::bool_>(value))
        return uint32_t(IntegerValue(value, name, 0, std::numeric_limits<uint32_t>::max()));
    throw py::type_error(std::string(name) + " wants an int 0xRRGGBB or a str \"#RRGGBB\"");
}

void SetFont(tessaline::RenderOptions& o, py::handle value, const char* name)
{
    const std::string text = StringValue(value, name);
    const auto font = ParseFont(text);
    if (!font) throw py::value_error("font wants \"FACE SIZE [bold] [italic]\": \"" + text + "\"");
    o.fontFace = font->face;
    o.fontPoints = font->points;
    o.fontBold = font->bold;
    o.fontItalic = font->italic;
}

using tessaline::RenderOptions;
struct OptionRow {
    const char* name;
    void (*set)(RenderOptions&, py::handle, const char*);
};

// The keyword arguments and the RenderOptions fields they set.
constexpr OptionRow kOptions[] = {
    {"width", [](RenderOptions& o, py::handle v, const char* n) { o.width = IntValue(v, n); }},
    {"height", [](RenderOptions& o, py::handle v, const char* n) { o.height = IntValue(v, n); }},
    {"module", [](RenderOptions& o, py::handle v, const char* n) { o.module = IntValue(v, n); }},
    {"module_mm", [](RenderOptions& o, py::handle v, const char* n) { o.moduleMm = DoubleValue(v, n); }},
    {"bar_height", [](RenderOptions& o, py::handle v, const char* n) { o.barHeight = DoubleValue(v, n); }},
    {"bar_height_mm", [](RenderOptions& o, py::handle v, const char* n) { o.barHeightMm = DoubleValue(v, n); }},
    {"rotate", [](RenderOptions& o, py::handle v, const char* n) { o.rotate = IntValue(v, n); }},
    {"show_text", [](RenderOptions& o, py::handle v, const char* n) { o.showText = BoolValue(v, n); }},
    {"font", SetFont},
    {"font_face", [](RenderOptions& o, py::handle v, const char* n) { o.fontFace = StringValue(v, n); }},
    {"font_points", [](RenderOptions& o, py::handle v, const char* n) { o.fontPoints = DoubleValue(v, n); }},
    {"font_bold", [](RenderOptions& o, py::handle v, const char* n) { o.fontBold = BoolValue(v, n); }},
    {"font_italic", [](RenderOptions& o, py::handle v, const char* n) { o.fontItalic = BoolValue(v, n); }},
    {"foreground", [](RenderOptions& o, py::handle v, const char* n) { o.foreground = ColourValue(v, n); }},
    {"background", [](RenderOptions& o, py::handle v, const char* n) { o.background = ColourValue(v, n); }},
    {"border_width", [](RenderOptions& o, py::handle v, const char* n) { o.borderWidth = IntValue(v, n); }},
    {"border_height", [](RenderOptions& o, py::handle v, const char* n) { o.borderHeight = IntValue(v, n); }},
    {"notch", [](RenderOptions& o, py::handle v, const char* n) { o.notch = IntValue(v, n); }},
    {"quiet_zones", [](RenderOptions& o, py::handle v, const char* n) { o.quietZones = BoolValue(v, n); }},
    {"bearer_bars", [](RenderOptions& o, py::handle v, const char* n) { o.bearerBars = BoolValue(v, n); }},
    {"bilevel", [](RenderOptions& o, py::handle v, const char* n) { o.bilevel = BoolValue(v, n); }},
    {"interlace", [](RenderOptions& o, py::handle v, const char* n) { o.interlace = BoolValue(v, n); }},
    {"jpeg_quality", [](RenderOptions& o, py::handle v, const char* n) { o.jpegQuality = IntValue(v, n); }},
    {"dpi", [](RenderOptions& o, py::handle v, const char* n) { o.dpi = IntValue(v, n); }},
    {"auto_type", [](RenderOptions& o, py::handle v, const char* n) { o.autoType = BoolValue(v, n); }},
    {"gs1_check", [](RenderOptions& o, py::handle v, const char* n) { o.gs1Check = BoolValue(v, n); }},
};

std::string OptionNames()
{
    std::string names;
    for (const OptionRow& row : kOptions) names += std::string(names.empty() ? "" : ", ") + row.name;
    return names;
}

// The font text sets face, size and style together; the single font
// keywords then change what they name, whatever their order in the call.
RenderOptions ToRenderOptions(const py::kwargs& kwargs)
{
    RenderOptions options;
    if (kwargs.contains("font")) SetFont(options, kwargs["font"], "font");
    for (const auto& [key, value] : kwargs) {
        const std::string name = Utf8(key);
        const OptionRow* row = nullptr;
        for (const OptionRow& r : kOptions)
            if (name == r.name) row = &r;
        if (!row) throw py::value_error("unknown option \"" + name + "\" (options: " + OptionNames() + ")");
        if (name != "font") row->set(options, value, row->name);
    }
    return options;
}

py::bytes ToBytes(const std::vector<uint8_t>& bytes)
{
    return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<tessaline::TypeEntry> TypeTable()
{
    static const std::vector<tessaline::TypeEntry> table = tessaline::Types();
    return table;
}

// --- Symbol ------------------------------------------------------------------------

// One symbol as the library reports it for a type, a text and options; it
// renders itself with the same three.
class CSymbol {
public:
    CSymbol(std::string type, std::optional<std::string> text, RenderOptions options)
        : m_type(std::move(type)), m_text(std::move(text)), m_options(std::move(options))
    {
        py::gil_scoped_release release;
        m_report = Renderer().Inspect(m_type, m_text, m_options);
    }

    const tessaline::SymbolReport& Report() const { return m_report; }

    py::bytes Render(const std::string& formatName) const
    {
        const tessaline::Format format = FormatArgument(formatName);
        tessaline::Image image;
        {
            py::gil_scoped_release release;
            image = Renderer().Render(m_type, m_text, format, m_options);
        }
        return ToBytes(image.bytes);
    }

    // Jupyter shows the first of these that is not None; an invalid symbol
    // shows its repr (with the reason) instead of raising.
    py::object ReprImage(const char* formatName) const
    {
        if (!m_report.valid || !m_report.sizeOk) return py::none();
        py::bytes bytes = Render(formatName);
        if (std::strcmp(formatName, "svg") == 0) return bytes.attr("decode")("utf-8");
        return bytes;
    }

    std::string Repr() const
    {
        const py::object text = py::str(m_report.text);
        std::string s = "<tessaline.Symbol " + m_report.typeName + " " + py::repr(text).cast<std::string>();
        if (m_report.valid && m_report.sizeOk) {
            s += " valid";
            if (m_report.checksum >= 0) s += " checksum=" + std::to_string(m_report.checksum);
            s += " " + std::to_string(m_report.width) + "x" + std::to_string(m_report.height);
        } else {
            s += " invalid: " + m_report.reason;
        }
        return s + ">";
    }

private:
    std::string m_type;
    std::optional<std::string> m_text;
    RenderOptions m_options;
    tessaline::SymbolReport m_report;
};

} // namespace

PYBIND11_MODULE(tessaline, m)
{
    m.doc() = "Linear and postal barcodes: validate, encode and draw them as PNG, JPEG, BMP, SVG, PDF or EPS.";
    m.attr("__version__") = tessaline::Version();

    // A render failure is the caller's value (ValueError with the reason),
    // except a file that cannot be written (OSError).
    py::register_exception_translator([](std::exception_ptr error) {
        try {
            if (error) std::rethrow_exception(error);
        } catch (const tessaline::CRenderError& e) {
            PyErr_SetString(e.Kind() == tessaline::ErrorKind::Write ? PyExc_OSError : PyExc_ValueError,
                            PythonMessage(e.what()).c_str());
        }
    });

    m.def(
        "render",
        [](py::handle type, py::handle text, const std::string& format, const py::kwargs& kwargs) {
            const std::string t = TypeArgument(type);
            const std::optional<std::string> x = TextArgument(text);
            const tessaline::Format f = FormatArgument(format);
            const RenderOptions options = ToRenderOptions(kwargs);
            tessaline::Image image;
            {
                py::gil_scoped_release release;
                image = Renderer().Render(t, x, f, options);
            }
            return ToBytes(image.bytes);
        },
        "type"_a, "text"_a = py::none(), "format"_a = "png",
        "The image of a barcode as bytes. type: an id or a name (\"ean13\", \"Code 128\"); text: None for "
        "the type's sample text; format: png, jpg, bmp, svg, pdf or eps; options: width, height, module, "
        "module_mm, bar_height, bar_height_mm, rotate, show_text, font, foreground, background, ... "
        "Raises ValueError with the reason for an invalid text or a symbol that does not fit.");

    m.def(
        "save",
        [](py::handle path, py::handle type, py::handle text, const py::kwargs& kwargs) {
            const std::string p = PathArgument(path);
            const std::string t = TypeArgument(type);
            const std::optional<std::string> x = TextArgument(text);
            const RenderOptions options = ToRenderOptions(kwargs);
            py::gil_scoped_release release;
            Renderer().Save(p, t, x, options);
        },
        "path"_a, "type"_a, "text"_a = py::none(),
        "Renders a barcode into a file, the format from its extension (.png .jpg .jpeg .bmp .svg .pdf "
        ".eps). A failure leaves an existing file as it was. Raises ValueError for what render refuses, "
        "OSError when the file cannot be written.");

    m.def(
        "types",
        [] {
            py::list out;
            for (const tessaline::TypeEntry& t : TypeTable())
                out.append(py::dict("id"_a = t.id, "name"_a = t.name, "sample_text"_a = t.sampleText,
                                    "group"_a = t.group));
            return out;
        },
        "The symbologies: a list of dicts with id, name, sample_text and group.");

    py::class_<CSymbol>(m, "Symbol",
                        "A barcode symbol: whether its text is valid, its check digit, its modules, and its "
                        "images. Symbol(type, text=None, **options) takes what render takes; an invalid text "
                        "is reported (valid, reason), not raised.")
        .def(py::init([](py::handle type, py::handle text, const py::kwargs& kwargs) {
                 return CSymbol(TypeArgument(type), TextArgument(text), ToRenderOptions(kwargs));
             }),
             "type"_a, "text"_a = py::none())
        .def_property_readonly("type", [](const CSymbol& s) { return s.Report().type; })
        .def_property_readonly("type_name", [](const CSymbol& s) { return s.Report().typeName; })
        .def_property_readonly("text", [](const CSymbol& s) { return s.Report().text; })
        .def_property_readonly("valid", [](const CSymbol& s) { return s.Report().valid; })
        .def_property_readonly("checksum", [](const CSymbol& s) { return s.Report().checksum; },
                               "The check digit; -1 for none, -2 for a malformed text.")
        .def_property_readonly("size_ok", [](const CSymbol& s) { return s.Report().sizeOk; })
        .def_property_readonly("reason", [](const CSymbol& s) { return s.Report().reason; },
                               "Why the text is invalid or the symbol does not fit; \"\" when fine.")
        .def_property_readonly("width", [](const CSymbol& s) { return s.Report().width; })
        .def_property_readonly("height", [](const CSymbol& s) { return s.Report().height; })
        .def_property_readonly("module_pixels", [](const CSymbol& s) { return s.Report().modulePixels; })
        .def_property_readonly("modules", [](const CSymbol& s) { return s.Report().modules; },
                               "The symbol's length in modules, bar to bar.")
        .def_property_readonly("runs", [](const CSymbol& s) { return s.Report().runs; },
                               "Element widths in modules along the bar axis, bar first.")
        .def_property_readonly("warnings", [](const CSymbol& s) { return s.Report().warnings; })
        .def_property_readonly("gs1", [](const CSymbol& s) { return s.Report().gs1; })
        .def_property_readonly("gs1_valid", [](const CSymbol& s) { return s.Report().gs1Valid; })
        .def_property_readonly("gs1_errors", [](const CSymbol& s) { return s.Report().gs1Errors; })
        .def("to_json", [](const CSymbol& s) { return s.Report().ToJson(); })
        .def("render", &CSymbol::Render, "format"_a = "png", "The image in a format, as bytes.")
        .def("png", [](const CSymbol& s) { return s.Render("png"); })
        .def("svg", [](const CSymbol& s) { return s.Render("svg").attr("decode")("utf-8"); })
        .def("_repr_png_", [](const CSymbol& s) { return s.ReprImage("png"); })
        .def("_repr_svg_", [](const CSymbol& s) { return s.ReprImage("svg"); })
        .def("__repr__", &CSymbol::Repr);
}

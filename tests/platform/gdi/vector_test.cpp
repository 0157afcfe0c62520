// Vector surfaces (SVG, PDF, EPS) and the metafile's SVG.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/gdi/metafile.h"
#include "platform/gdi/vector.h"

namespace {

void DrawSample(CDC& dc)
{
    dc.FillRect(RECT{0, 0, 200, 100}, CBrush{BS_SOLID, RGB(255, 255, 255)});
    dc.FillRect(RECT{10, 20, 30, 40}, CBrush{BS_SOLID, RGB(0, 0, 0)});
    LOGFONT f;
    f.lfHeight = -24;
    f.lfWeight = FW_BOLD;
    dc.SelectObject(f);
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(50, 50, "123");
}

bool Contains(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

} // namespace

// 200 x 100 device units at 96 dpi are 150 x 75 points.
TEST(VectorSurface, EachFormatHasThePageSizeInPoints)
{
    struct Case { VectorFormat format; const char* head; const char* size; };
    const Case cases[] = {
        {VectorFormat::Svg, "<?xml", "width=\"150pt\" height=\"75pt\""},
        {VectorFormat::Pdf, "%PDF-", "/MediaBox [ 0 0 150 75 ]"},
        {VectorFormat::Eps, "%!PS-Adobe-3.0 EPSF-3.0", "%%BoundingBox: 0 0 150 75"},
    };
    for (const Case& c : cases) {
        const std::string doc = CVectorDC::Render(c.format, 200, 100, 96, DrawSample);
        SCOPED_TRACE(c.head);
        ASSERT_FALSE(doc.empty());
        EXPECT_EQ(doc.rfind(c.head, 0), 0u);
        EXPECT_TRUE(Contains(doc, c.size));
    }
}

TEST(VectorSurface, RectanglesKeepTheirGeometryScaledToPoints)
{
    auto rect = [](CDC& dc) { dc.FillRect(RECT{10, 20, 30, 40}, CBrush{BS_SOLID, RGB(0, 0, 0)}); };
    EXPECT_TRUE(Contains(CVectorDC::Render(VectorFormat::Svg, 200, 100, 72, rect), "M 10 20 L 30 20 L 30 40 L 10 40 Z"));
    EXPECT_TRUE(Contains(CVectorDC::Render(VectorFormat::Svg, 200, 100, 96, rect), "M 7.5 15 L 22.5 15 L 22.5 30 L 7.5 30 Z"));
}

TEST(VectorSurface, TextIsDrawnWithGlyphs)
{
    const std::string svg = CVectorDC::Render(VectorFormat::Svg, 200, 100, 96, DrawSample);
    EXPECT_TRUE(Contains(svg, "<symbol overflow=\"visible\" id=\"glyph0-1\""));
    EXPECT_TRUE(Contains(svg, "<use xlink:href=\"#glyph0-"));
}

TEST(VectorSurface, WritesFilesAndReportsFailures)
{
    const auto path = std::filesystem::temp_directory_path() / ("vector-test-" + std::to_string(getpid()) + ".pdf");
    {
        VectorFormat format{};
        ASSERT_TRUE(CVectorDC::FormatForPath(path.string(), format));
        CVectorDC dc(format, path.string(), 200, 100);
        ASSERT_TRUE(dc.IsOk());
        DrawSample(dc);
        EXPECT_TRUE(dc.Finish());
        EXPECT_FALSE(dc.Finish());
    }
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes.rfind("%PDF-", 0), 0u);
    std::filesystem::remove(path);

    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    CVectorDC dc(VectorFormat::Svg, broken, 10, 10);
    DrawSample(dc);
    EXPECT_FALSE(dc.Finish());

    CVectorDC missing(VectorFormat::Pdf, "/no/such/dir/x.pdf", 10, 10);
    DrawSample(missing);
    EXPECT_FALSE(missing.Finish());
    EXPECT_FALSE(CVectorDC(VectorFormat::Svg, broken, 0, 10).IsOk());
}

// Memory surfaces hand out the finished document; file surfaces replace
// their file only with a complete one and say why they could not.
TEST(VectorSurface, MemoryAndSafeFileOutput)
{
    const auto dir = std::filesystem::temp_directory_path() / ("vector-safe-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "real");
    struct Case { VectorFormat format; const char* head; };
    const Case cases[] = {{VectorFormat::Svg, "<?xml"}, {VectorFormat::Pdf, "%PDF-"}, {VectorFormat::Eps, "%!PS-Adobe"}};
    for (const Case& c : cases) {
        CVectorDC memory(c.format, 200, 100);
        DrawSample(memory);
        ASSERT_TRUE(memory.Finish()) << memory.LastError();
        EXPECT_EQ(memory.LastError(), "");
        const std::string bytes = memory.TakeBytes();
        EXPECT_EQ(bytes.rfind(c.head, 0), 0u);

        // Through a link: the link stays and its target gets the document.
        std::filesystem::remove(dir / "link");
        std::ofstream(dir / "real/doc", std::ios::binary) << "old";
        std::filesystem::create_symlink("real/doc", dir / "link");
        CVectorDC file(c.format, (dir / "link").string(), 200, 100);
        DrawSample(file);
        ASSERT_TRUE(file.Finish()) << file.LastError();
        EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
        std::ifstream in(dir / "real/doc", std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()).rfind(c.head, 0), 0u);
    }
    CVectorDC missing(VectorFormat::Pdf, (dir / "no/x.pdf").string(), 10, 10);
    DrawSample(missing);
    EXPECT_FALSE(missing.Finish());
    EXPECT_EQ(missing.LastError(), "cannot write \"" + (dir / "no/x.pdf").string() + "\": No such file or directory");
    // A stream that refuses the bytes: cairo's status says so.
    std::ostringstream broken;
    broken.setstate(std::ios::badbit);
    CVectorDC refused(VectorFormat::Pdf, broken, 10, 10);
    DrawSample(refused);
    EXPECT_FALSE(refused.Finish());
    EXPECT_NE(refused.LastError(), "");
    std::filesystem::remove_all(dir);
}

TEST(VectorSurface, FormatForPath)
{
    struct Case { const char* path; bool ok; VectorFormat format; };
    const Case cases[] = {{"a.svg", true, VectorFormat::Svg}, {"dir.x/B.PDF", true, VectorFormat::Pdf},
                          {"c.eps", true, VectorFormat::Eps}, {"d.ps", true, VectorFormat::Eps},
                          {"e.png", false, {}}, {"noext", false, {}}};
    for (const Case& c : cases) {
        VectorFormat f{};
        EXPECT_EQ(CVectorDC::FormatForPath(c.path, f), c.ok) << c.path;
        if (c.ok) {
            EXPECT_EQ(f, c.format) << c.path;
        }
    }
}

TEST(MetafileSvg, HoldsRectanglesAndText)
{
    CMetaFileDC dc(200, 100);
    dc.m_description = std::string("Tessaline\0MetaBarcode\0\0", 24);
    dc.FillRect(RECT{3, 4, 10, 20}, CBrush{BS_SOLID, RGB(10, 20, 30)});
    dc.SelectObject(CPen{PS_SOLID, 0, RGB(0, 0, 0)});
    dc.SelectObject(CBrush{BS_SOLID, RGB(0, 0, 0)});
    dc.Rectangle(40, 5, 43, 60);
    LOGFONT f;
    f.lfHeight = -24;
    f.lfWeight = FW_BOLD;
    f.lfEscapement = 900;
    dc.SelectObject(f);
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(20, 90, "A&B \xE9<");
    const std::string svg = dc.ToSvg();
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_TRUE(Contains(svg, "width=\"200\" height=\"100\" viewBox=\"0 0 200 100\""));
    EXPECT_TRUE(Contains(svg, "<title>Tessaline - MetaBarcode</title>"));
    EXPECT_TRUE(Contains(svg, "<rect x=\"3\" y=\"4\" width=\"7\" height=\"16\" fill=\"#0a141e\"/>"));
    EXPECT_TRUE(Contains(svg, "<rect x=\"40\" y=\"5\" width=\"3\" height=\"55\" fill=\"#000000\"/>"));
    EXPECT_TRUE(Contains(svg, "transform=\"rotate(-90 20 90)\""));
    EXPECT_TRUE(Contains(svg, ">A&amp;B \xC3\xA9&lt;</text>"));
    EXPECT_TRUE(Contains(svg, "font-size=\"24px\" font-weight=\"700\""));
    // Top-left alignment: the baseline lies one ascent below the reference.
    EXPECT_TRUE(Contains(svg, "<text x=\"20\" y=\"112\""));
    EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
}

TEST(MetafileSvg, EmptyRecording)
{
    const std::string svg = CMetaFileDC(10, 5).ToSvg();
    EXPECT_TRUE(Contains(svg, "width=\"10\" height=\"5\""));
    EXPECT_FALSE(Contains(svg, "<rect"));
}

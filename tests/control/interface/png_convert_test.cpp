// The DIB-to-PNG conversion: every depth decoded back pixel for pixel, the
// header checks with their messages, corrupt DIBs and the chunk list.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "control/interface/dibpng.h"
#include "platform/gdi/raster.h"
#include "tests/control/interface/png_decode.h"

namespace {

using Rgb = std::array<uint8_t, 3>;

std::vector<std::string> g_messages;
void Capture(int severity, const char* message)
{
    if (severity == 1) g_messages.push_back(message);
}

class PngConvert : public testing::Test {
protected:
    void SetUp() override
    {
        g_messages.clear();
        m_previous = SetPngDiagnosticHook(Capture);
    }
    void TearDown() override { SetPngDiagnosticHook(m_previous); }
    PngDiagnosticHook m_previous = nullptr;
};

// A DIB made by hand: header, colour data, rows exactly as given.
CDib MakeDib(int32_t width, int32_t height, int bpp, uint32_t compression, const std::vector<uint8_t>& colors,
             const std::vector<uint8_t>& bits, uint32_t clrUsed = 0)
{
    BITMAPINFOHEADER h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = uint16_t(bpp);
    h.biCompression = compression;
    h.biSizeImage = uint32_t(bits.size());
    h.biClrUsed = clrUsed;
    CDib d;
    d.info.resize(sizeof h + colors.size());
    std::memcpy(d.info.data(), &h, sizeof h);
    std::copy(colors.begin(), colors.end(), d.info.begin() + sizeof h);
    d.bits = bits;
    return d;
}

void SetHeader(CDib& d, const BITMAPINFOHEADER& h) { std::memcpy(d.info.data(), &h, sizeof h); }

// Colour table entries are blue, green, red, reserved.
std::vector<uint8_t> Table(std::initializer_list<Rgb> colors)
{
    std::vector<uint8_t> t;
    for (const Rgb& c : colors) t.insert(t.end(), {c[2], c[1], c[0], 0});
    return t;
}

std::vector<uint8_t> Masks(uint32_t r, uint32_t g, uint32_t b)
{
    std::vector<uint8_t> m(12);
    std::memcpy(m.data(), &r, 4);
    std::memcpy(m.data() + 4, &g, 4);
    std::memcpy(m.data() + 8, &b, 4);
    return m;
}

std::vector<uint8_t> Encode(const CDib& dib, PngOptions options = {}, int* result = nullptr)
{
    CMemFile file;
    const int r = WriteDibAsPng(ViewOf(dib), options, file);
    if (result) *result = r;
    return file.Detach();
}

DecodedPng EncodeAndDecode(const CDib& dib, PngOptions options = {})
{
    int result = 0;
    const auto bytes = Encode(dib, options, &result);
    EXPECT_EQ(result, 1);
    return DecodePng(bytes);
}

// Colours of the test stripes: all on the 8-bit display's colour cube.
const Rgb kStripes[] = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {51, 102, 153}, {204, 153, 51}};

} // namespace

// The read-out of each display depth, converted and decoded, gives the
// surface's pixels with the depth's loss: 5 bits keep the top 5 (low bits
// zero), 6 bits the top 6.
TEST_F(PngConvert, EveryDisplayDepthRoundTrips)
{
    struct Case { DibFormat format; int colorType; int bitDepth; uint8_t rKeep, gKeep, bKeep; };
    const Case cases[] = {
        {DibFormat::Bgr32, 2, 8, 0xFF, 0xFF, 0xFF}, {DibFormat::Bgr24, 2, 8, 0xFF, 0xFF, 0xFF},
        {DibFormat::Rgb565, 2, 8, 0xF8, 0xFC, 0xF8}, {DibFormat::Rgb555, 2, 8, 0xF8, 0xF8, 0xF8},
        {DibFormat::Palette8, 3, 8, 0xFF, 0xFF, 0xFF}};
    const int n = int(std::size(kStripes));
    CRasterDC dc(n * 3, 5);
    for (int i = 0; i < n; ++i)
        dc.FillSolidRect(RECT{3 * i, 0, 3 * i + 3, 5}, RGB(kStripes[i][0], kStripes[i][1], kStripes[i][2]));
    dc.FillSolidRect(RECT{0, 4, 1, 5}, RGB(255, 0, 255)); // marks the bottom-left corner
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.format));
        CDib dib;
        ASSERT_TRUE(dc.GetDIB(c.format, dib));
        const DecodedPng png = EncodeAndDecode(dib);
        ASSERT_TRUE(png.ok);
        EXPECT_EQ(png.width, uint32_t(dc.Width()));
        EXPECT_EQ(png.height, 5u);
        EXPECT_EQ(png.colorType, c.colorType);
        EXPECT_EQ(png.bitDepth, c.bitDepth);
        if (c.colorType == 3) {
            EXPECT_EQ(png.palette.size(), 256u);
        }
        for (uint32_t y = 0; y < png.height; ++y)
            for (uint32_t x = 0; x < png.width; ++x) {
                const COLORREF s = dc.GetPixel(int(x), int(y));
                const Rgb want{uint8_t(GetRValue(s) & c.rKeep), uint8_t(GetGValue(s) & c.gKeep), uint8_t(GetBValue(s) & c.bKeep)};
                ASSERT_EQ(png.Rgb(x, y), want) << x << "," << y;
            }
    }
}

TEST_F(PngConvert, Rgb565WhiteBecomes248_252_248)
{
    CRasterDC dc(2, 1);
    dc.FillSolidRect(RECT{1, 0, 2, 1}, RGB(0, 0, 0));
    CDib dib;
    ASSERT_TRUE(dc.GetDIB(DibFormat::Rgb565, dib));
    EXPECT_EQ(dib.Header().biCompression, BI_BITFIELDS);
    const DecodedPng png = EncodeAndDecode(dib);
    EXPECT_EQ(png.Rgb(0, 0), (Rgb{248, 252, 248}));
    EXPECT_EQ(png.Rgb(1, 0), (Rgb{0, 0, 0}));
}

// Palette images keep the packed rows and the colour table.
TEST_F(PngConvert, PaletteDepthsKeepIndicesAndRowOrder)
{
    const Rgb black{0, 0, 0}, yellow{255, 255, 0}, teal{0, 128, 128}, grey{90, 90, 90};
    {   // 1 bpp, 10 x 2: rows of 2 bytes padded to 4, bottom row first.
        const CDib dib = MakeDib(10, 2, 1, BI_RGB, Table({black, yellow}), {0x80, 0x40, 0, 0, 0xFF, 0x00, 0, 0});
        const DecodedPng png = EncodeAndDecode(dib);
        ASSERT_TRUE(png.ok);
        EXPECT_EQ(png.bitDepth, 1);
        EXPECT_EQ(png.palette.size(), 2u);
        for (uint32_t x = 0; x < 10; ++x) {
            EXPECT_EQ(png.Rgb(x, 0), x < 8 ? yellow : black) << x;
            EXPECT_EQ(png.Rgb(x, 1), x == 0 || x == 9 ? yellow : black) << x;
        }
    }
    {   // 2 bpp, 3 x 1: indices 0, 1, 2.
        const CDib dib = MakeDib(3, 1, 2, BI_RGB, Table({black, yellow, teal, grey}), {0x18, 0, 0, 0});
        const DecodedPng png = EncodeAndDecode(dib);
        ASSERT_TRUE(png.ok);
        EXPECT_EQ(png.bitDepth, 2);
        EXPECT_EQ(png.Rgb(0, 0), black);
        EXPECT_EQ(png.Rgb(1, 0), yellow);
        EXPECT_EQ(png.Rgb(2, 0), teal);
    }
    {   // 4 bpp, 3 x 2, three colours in use.
        const CDib dib = MakeDib(3, 2, 4, BI_RGB, Table({black, yellow, teal}), {0x01, 0x20, 0, 0, 0x21, 0x00, 0, 0}, 3);
        const DecodedPng png = EncodeAndDecode(dib);
        ASSERT_TRUE(png.ok);
        EXPECT_EQ(png.bitDepth, 4);
        EXPECT_EQ(png.palette.size(), 3u);
        EXPECT_EQ(png.Rgb(0, 0), teal);
        EXPECT_EQ(png.Rgb(1, 0), yellow);
        EXPECT_EQ(png.Rgb(2, 0), black);
        EXPECT_EQ(png.Rgb(0, 1), black);
        EXPECT_EQ(png.Rgb(2, 1), teal);
    }
    {   // 8 bpp with a full table (colours-used 0).
        std::vector<uint8_t> table(256 * 4, 0);
        std::copy_n(Table({yellow}).begin(), 4, table.begin() + 200 * 4);
        const CDib dib = MakeDib(2, 1, 8, BI_RGB, table, {200, 0, 0, 0});
        const DecodedPng png = EncodeAndDecode(dib);
        ASSERT_TRUE(png.ok);
        EXPECT_EQ(png.palette.size(), 256u);
        EXPECT_EQ(png.rawRows[0][0], 200);
        EXPECT_EQ(png.Rgb(0, 0), yellow);
        EXPECT_EQ(png.Rgb(1, 0), black);
    }
}

TEST_F(PngConvert, SixteenAndThirtyTwoBitForms)
{
    struct Case { const char* name; CDib dib; Rgb first, second; };
    const Case cases[] = {
        {"5-5-5", MakeDib(2, 1, 16, BI_RGB, {}, {0xFF, 0x7F, 0x00, 0x7C}), {248, 248, 248}, {248, 0, 0}},
        {"5-6-5 fields", MakeDib(2, 1, 16, BI_BITFIELDS, Masks(0xF800, 0x07E0, 0x001F), {0xFF, 0xFF, 0xE0, 0x07}),
         {248, 252, 248}, {0, 252, 0}},
        {"32 BI_RGB", MakeDib(2, 1, 32, BI_RGB, {}, {3, 2, 1, 0, 0xFF, 0x80, 0x00, 0}), {1, 2, 3}, {0, 128, 255}},
        // 10 bits a channel: the top 8 bits are kept.
        {"10-10-10 fields",
         MakeDib(2, 1, 32, BI_BITFIELDS, Masks(0x3FF00000, 0x000FFC00, 0x000003FF), {0xFF, 0xFF, 0xFF, 0x3F, 0x01, 0x00, 0x14, 0x20}),
         {255, 255, 255}, {128, 64, 0}}, // 0x201, 0x100, 0x001
        {"24", MakeDib(2, 1, 24, BI_RGB, {}, {3, 2, 1, 9, 8, 7, 0, 0}), {1, 2, 3}, {7, 8, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedPng png = EncodeAndDecode(c.dib);
        ASSERT_TRUE(png.ok);
        EXPECT_EQ(png.colorType, 2);
        EXPECT_EQ(png.Rgb(0, 0), c.first);
        EXPECT_EQ(png.Rgb(1, 0), c.second);
    }
}

TEST_F(PngConvert, TopDownDibStaysUpright)
{
    const CDib dib = MakeDib(1, -2, 24, BI_RGB, {}, {0, 0, 255, 0, 255, 0, 0, 0});
    const DecodedPng png = EncodeAndDecode(dib);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.Rgb(0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(png.Rgb(0, 1), (Rgb{0, 0, 255}));
}

TEST_F(PngConvert, GreyPathTakesTheRowsAsSamples)
{
    const CDib dib = MakeDib(3, 1, 8, BI_RGB, {}, {0, 128, 255, 0});
    PngOptions grey;
    grey.colorType = kPngColorGrey;
    int result = 0;
    const auto bytes = Encode(dib, grey, &result);
    ASSERT_EQ(result, 1);
    const DecodedPng png = DecodePng(bytes);
    EXPECT_EQ(png.colorType, 0);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(CountChunks(ListChunks(bytes), "PLTE"), 0);
    EXPECT_EQ(png.Rgb(1, 0), (Rgb{128, 128, 128}));
    EXPECT_EQ(png.Rgb(2, 0), (Rgb{255, 255, 255}));
}

TEST_F(PngConvert, HeaderChecksGiveZeroAndTheirMessage)
{
    const CDib good8 = MakeDib(2, 1, 8, BI_RGB, std::vector<uint8_t>(1024), {0, 0, 0, 0});
    const CDib good32 = MakeDib(1, 1, 32, BI_RGB, {}, {0, 0, 0, 0});
    struct Case { const char* name; CDib dib; int colorType; const char* message; };
    std::vector<Case> cases;
    auto with = [](CDib d, auto change) {
        BITMAPINFOHEADER h = d.Header();
        change(h);
        SetHeader(d, h);
        return d;
    };
    cases.push_back({"core header", with(good32, [](auto& h) { h.biSize = 12; }), -1,
                     "DIB has BITMAPCOREHEADER.\n\rUnsupported DIB type."});
    cases.push_back({"header size 64", with(good32, [](auto& h) { h.biSize = 64; }), -1, "Invalid DIB BITMAPINFOHEADER"});
    cases.push_back({"RLE8", with(good8, [](auto& h) { h.biCompression = BI_RLE8; }), -1, "DIB Compression Type: 1, not supported."});
    cases.push_back({"RLE4", with(good8, [](auto& h) { h.biCompression = BI_RLE4; }), -1, "DIB Compression Type: 2, not supported."});
    cases.push_back({"colour type 5", good32, 5, "Invalid color type: 5"});
    cases.push_back({"grey 32", good32, 0, "Bit depth of 32 is invalid\nfor color type 0."});
    cases.push_back({"RGB 8", good8, 2, "Bit depth of 8 is invalid\nfor color type 2."});
    cases.push_back({"palette 32", good32, 3, "Bit depth of 32 is invalid\nfor color type 3."});
    cases.push_back({"12 bpp", with(good32, [](auto& h) { h.biBitCount = 12; }), -1, "Bit depth of 12 is invalid\nfor color type 2."});
    cases.push_back({"colours used 300", with(good8, [](auto& h) { h.biClrUsed = 300; }), -1, "Invalid biClrUsed field value: 300"});
    cases.push_back({"compression 4 at 32", with(good32, [](auto& h) { h.biCompression = 4; }), -1, "Invalid DIB Compression Type: 4."});
    cases.push_back({"compression 5 at 16", MakeDib(1, 1, 16, 5, {}, {0, 0, 0, 0}), -1, "Invalid DIB Compression Type: 5."});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_messages.clear();
        PngOptions o;
        o.colorType = c.colorType;
        int result = -1;
        const auto bytes = Encode(c.dib, o, &result);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(bytes.empty());
        ASSERT_EQ(g_messages.size(), 1u);
        EXPECT_EQ(g_messages[0], c.message);
    }
}

// Crafted and corrupt DIBs fail with 0 and never read outside their
// buffers (the sanitiser build checks the reads).
TEST_F(PngConvert, CorruptDibsFailCleanly)
{
    struct Case { const char* name; CDib dib; };
    const Case cases[] = {
        {"zero width", MakeDib(0, 1, 24, BI_RGB, {}, {0, 0, 0, 0})},
        {"negative width", MakeDib(-5, 1, 24, BI_RGB, {}, {0, 0, 0, 0})},
        {"zero height", MakeDib(1, 0, 24, BI_RGB, {}, {0, 0, 0, 0})},
        {"most negative height", MakeDib(1, INT32_MIN, 24, BI_RGB, {}, {0, 0, 0, 0})},
        {"rows beyond the pixels", MakeDib(1, 2, 24, BI_RGB, {}, {0, 0, 0, 0, 0, 0, 0})},
        {"huge height", MakeDib(1, INT32_MAX, 32, BI_RGB, {}, {0, 0, 0, 0})},
        {"row size overflows", MakeDib(INT32_MAX, 1, 32, BI_RGB, {}, {0, 0, 0, 0})},
        {"image size overflows", MakeDib(0x10000, 0x10000, 32, BI_RGB, {}, {0, 0, 0, 0})},
        {"colour table cut short", MakeDib(1, 1, 8, BI_RGB, std::vector<uint8_t>(40), {0, 0, 0, 0})},
        {"colours used beyond table", MakeDib(1, 1, 4, BI_RGB, std::vector<uint8_t>(8), {0, 0, 0, 0}, 16)},
        {"masks missing", MakeDib(1, 1, 16, BI_BITFIELDS, {}, {0, 0, 0, 0})},
        {"header cut short", [] { CDib d = MakeDib(1, 1, 24, BI_RGB, {}, {0, 0, 0, 0}); d.info.resize(20); return d; }()},
        {"no header", CDib{{}, {0, 0, 0, 0}}},
        {"no pixels", MakeDib(1, 1, 24, BI_RGB, {}, {})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_messages.clear();
        int result = -1;
        const auto bytes = Encode(c.dib, {}, &result);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(bytes.empty());
        EXPECT_EQ(g_messages.size(), 1u);
    }
}

TEST_F(PngConvert, LibraryErrorsReturnZero)
{
    // libpng refuses images wider than its limit of a million pixels.
    const CDib wide = MakeDib(2000000, 1, 1, BI_RGB, Table({{0, 0, 0}, {255, 255, 255}}), std::vector<uint8_t>(250000));
    int result = -1;
    Encode(wide, {}, &result);
    EXPECT_EQ(result, 0);
    ASSERT_FALSE(g_messages.empty());
    EXPECT_EQ(g_messages.back(), "Pnglib error [from setjmp()].");

    struct Refusing : CWritableStream {
        bool Write(const void*, size_t) noexcept override { return false; }
    } refusing;
    g_messages.clear();
    EXPECT_EQ(WriteDibAsPng(ViewOf(MakeDib(1, 1, 24, BI_RGB, {}, {1, 2, 3, 0})), {}, refusing), 0);
    ASSERT_FALSE(g_messages.empty());
    EXPECT_EQ(g_messages.back(), "Pnglib error [from setjmp()].");
}

TEST_F(PngConvert, DefaultHookDropsMessages)
{
    SetPngDiagnosticHook(nullptr);
    int result = -1;
    Encode(MakeDib(0, 1, 24, BI_RGB, {}, {0, 0, 0, 0}), {}, &result);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(g_messages.empty());
}

TEST_F(PngConvert, RgbImageChunks)
{
    for (bool interlace : {true, false}) {
        PngOptions o;
        o.interlace = interlace;
        const auto bytes = Encode(MakeDib(3, 2, 32, BI_RGB, {}, std::vector<uint8_t>(24, 0x40)), o);
        const auto chunks = ListChunks(bytes);
        ASSERT_GE(chunks.size(), 4u);
        EXPECT_EQ(chunks.front().type, "IHDR");
        EXPECT_EQ(chunks.back().type, "IEND");
        EXPECT_EQ(chunks.front().data[9], 2);              // colour type
        EXPECT_EQ(chunks.front().data[12], interlace ? 1 : 0); // Adam7
        EXPECT_EQ(CountChunks(chunks, "tEXt"), 1);
        EXPECT_EQ(CountChunks(chunks, "tIME"), 1);
        EXPECT_EQ(CountChunks(chunks, "PLTE"), 0);
        EXPECT_EQ(CountChunks(chunks, "tRNS"), 0);
        EXPECT_EQ(CountChunks(chunks, "gAMA"), 0);
        for (const auto& c : chunks) {
            if (c.type == "tEXt") {
                const std::string text(c.data.begin(), c.data.end());
                EXPECT_EQ(text, std::string("tessaline") + '\0' + "CWebImageDC / PNG");
            }
            if (c.type == "tIME") {
                ASSERT_EQ(c.data.size(), 7u);
                EXPECT_GE(c.data[0] << 8 | c.data[1], 2024);
            }
        }
        const DecodedPng png = DecodePng(bytes);
        EXPECT_EQ(png.Rgb(2, 1), (Rgb{0x40, 0x40, 0x40}));
    }
}

TEST_F(PngConvert, PaletteImageChunks)
{
    const auto bytes = Encode(MakeDib(3, 1, 4, BI_RGB, Table({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}), {0x01, 0x20, 0, 0}, 3));
    const auto chunks = ListChunks(bytes);
    ASSERT_EQ(CountChunks(chunks, "PLTE"), 1);
    for (const auto& c : chunks)
        if (c.type == "PLTE") {
            EXPECT_EQ(c.data, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
        }
    EXPECT_EQ(CountChunks(chunks, "tEXt"), 1);
    EXPECT_EQ(CountChunks(chunks, "tIME"), 1);
    EXPECT_EQ(CountChunks(chunks, "tRNS"), 0);
}

TEST_F(PngConvert, TransparentColour)
{
    PngOptions o;
    o.useTransparentColor = true;
    o.transparentColor = RGB(255, 255, 255);
    {
        const auto chunks = ListChunks(Encode(MakeDib(1, 1, 24, BI_RGB, {}, {0, 0, 0, 0}), o));
        ASSERT_EQ(CountChunks(chunks, "tRNS"), 1);
        for (const auto& c : chunks)
            if (c.type == "tRNS") {
                EXPECT_EQ(c.data, (std::vector<uint8_t>{0, 255, 0, 255, 0, 255}));
            }
    }
    {   // A palette image makes the entries of that colour transparent.
        const auto chunks = ListChunks(Encode(MakeDib(2, 1, 8, BI_RGB, Table({{0, 0, 0}, {255, 255, 255}, {9, 9, 9}}), {0, 1, 0, 0}, 3), o));
        ASSERT_EQ(CountChunks(chunks, "tRNS"), 1);
        for (const auto& c : chunks)
            if (c.type == "tRNS") {
                EXPECT_EQ(c.data, (std::vector<uint8_t>{255, 0}));
            }
    }
}

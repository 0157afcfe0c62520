// CWebImageDC: the surface, PNG files and in-memory images.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "control/interface/webimage.h"
#include "tests/control/interface/png_decode.h"

namespace fs = std::filesystem;

namespace {

using Rgb = std::array<uint8_t, 3>;

std::vector<uint8_t> ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WebImage : public testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("webimage-test-" + std::to_string(getpid()) + "-" +
                                             testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::vector<std::string> DirEntries() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(m_dir)) names.push_back(e.path().filename().string());
        return names;
    }

    fs::path m_dir;
};

// A small drawing: a red bar, a black bar and text.
void Draw(CWebImageDC& dc)
{
    dc.FillSolidRect(RECT{0, 0, dc.Width(), dc.Height()}, RGB(255, 255, 255));
    dc.FillSolidRect(RECT{2, 2, 5, 20}, RGB(255, 0, 0));
    dc.SelectObject(CBrush{BS_SOLID, 0});
    dc.SelectObject(CPen{PS_SOLID, 0, 0});
    dc.Rectangle(6, 2, 8, 20);
    LOGFONT f;
    f.lfHeight = -12;
    dc.SelectObject(f);
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(10, 4, "42");
}

} // namespace

TEST_F(WebImage, WritesTheSurfacePixelForPixel)
{
    for (BOOL interlace : {TRUE, FALSE}) {
        CWebImageDC dc;
        ASSERT_TRUE(dc.Create(SIZE{40, 24}));
        EXPECT_EQ(dc.m_size, (SIZE{40, 24}));
        Draw(dc);
        CMemFile file(1024);
        ASSERT_EQ(dc.WritePNG(file, interlace, FALSE, RGB(255, 255, 255)), 1);
        const std::vector<uint8_t> bytes(file.GetBuffer(), file.GetBuffer() + file.GetLength());
        const DecodedPng png = DecodePng(bytes);
        ASSERT_TRUE(png.ok);
        EXPECT_EQ(png.interlace, interlace ? 1 : 0);
        EXPECT_EQ(png.colorType, 2);
        ASSERT_EQ(png.width, 40u);
        ASSERT_EQ(png.height, 24u);
        int differ = 0;
        for (uint32_t y = 0; y < 24; ++y)
            for (uint32_t x = 0; x < 40; ++x) {
                const COLORREF c = dc.GetPixel(int(x), int(y));
                differ += png.Rgb(x, y) != Rgb{GetRValue(c), GetGValue(c), GetBValue(c)};
            }
        EXPECT_EQ(differ, 0);
        EXPECT_EQ(png.Rgb(3, 10), (Rgb{255, 0, 0}));
        EXPECT_EQ(png.Rgb(7, 19), (Rgb{0, 0, 0}));
    }
}

TEST_F(WebImage, WritingTwiceGivesTheSameImageAndLeavesTheSurface)
{
    CWebImageDC dc;
    dc.Create(SIZE{30, 10});
    Draw(dc);
    const std::vector<uint8_t> before = dc.ToGray();
    CMemFile a, b;
    ASSERT_EQ(dc.WritePNG(a, TRUE, FALSE, 0xFFFFFF), 1);
    ASSERT_EQ(dc.WritePNG(b, TRUE, FALSE, 0xFFFFFF), 1);
    EXPECT_EQ(DecodePng(a.Detach()).rgb, DecodePng(b.Detach()).rgb);
    EXPECT_EQ(dc.ToGray(), before);
}

TEST_F(WebImage, OnePixelSurface)
{
    CWebImageDC dc;
    ASSERT_TRUE(dc.Create(SIZE{1, 1}));
    dc.FillSolidRect(RECT{0, 0, 1, 1}, RGB(1, 2, 3));
    CMemFile file;
    ASSERT_EQ(dc.WritePNG(file, TRUE, FALSE, 0xFFFFFF), 1);
    const DecodedPng png = DecodePng(file.Detach());
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 1u);
    EXPECT_EQ(png.height, 1u);
    EXPECT_EQ(png.Rgb(0, 0), (Rgb{1, 2, 3}));
}

TEST_F(WebImage, DisplayDepthsChooseTheImageKind)
{
    struct Case { DibFormat format; int colorType; Rgb white; };
    const Case cases[] = {{DibFormat::Bgr32, 2, {255, 255, 255}}, {DibFormat::Bgr24, 2, {255, 255, 255}},
                          {DibFormat::Rgb565, 2, {248, 252, 248}}, {DibFormat::Rgb555, 2, {248, 248, 248}},
                          {DibFormat::Palette8, 3, {255, 255, 255}}};
    for (const Case& c : cases) {
        CWebImageDC dc;
        ASSERT_TRUE(dc.Create(SIZE{5, 3}, c.format));
        CMemFile file;
        ASSERT_EQ(dc.WritePNG(file, TRUE, FALSE, 0xFFFFFF), 1);
        const auto bytes = file.Detach();
        const DecodedPng png = DecodePng(bytes);
        EXPECT_EQ(png.colorType, c.colorType);
        EXPECT_EQ(png.Rgb(4, 2), c.white);
        const auto chunks = ListChunks(bytes);
        EXPECT_EQ(CountChunks(chunks, "PLTE"), c.colorType == 3 ? 1 : 0);
        EXPECT_EQ(CountChunks(chunks, "gAMA"), 0);
    }
}

TEST_F(WebImage, HugeSizeFailsWithZero)
{
    for (SIZE s : {SIZE{100000, 100000}, SIZE{0, 10}, SIZE{-1, -1}, SIZE{30000, 30000}}) {
        CWebImageDC dc;
        EXPECT_FALSE(dc.Create(s));
        dc.FillSolidRect(RECT{0, 0, 10, 10}, 0);
        CMemFile file;
        EXPECT_EQ(dc.WritePNG(file, TRUE, FALSE, 0xFFFFFF), 0);
        EXPECT_EQ(file.GetLength(), 0u);
        EXPECT_EQ(dc.SavePNG((m_dir / "huge.png").string(), TRUE, FALSE, 0xFFFFFF), 0);
    }
    EXPECT_TRUE(DirEntries().empty());
}

TEST_F(WebImage, NeverCreatedSurfaceWritesNothing)
{
    CWebImageDC dc;
    CMemFile file;
    EXPECT_EQ(dc.WritePNG(file, TRUE, FALSE, 0xFFFFFF), 0);
}

TEST_F(WebImage, SavePngWritesTheFileAndNothingElse)
{
    CWebImageDC dc;
    dc.Create(SIZE{20, 10});
    Draw(dc);
    const fs::path target = m_dir / "barcode.png";
    ASSERT_EQ(dc.SavePNG(target.string(), TRUE, FALSE, 0xFFFFFF), 1);
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"barcode.png"});
    const DecodedPng png = DecodePng(ReadFile(target));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 20u);
    // Saving again replaces the file in place.
    dc.FillSolidRect(RECT{0, 0, 20, 10}, RGB(0, 0, 255));
    ASSERT_EQ(dc.SavePNG(target.string(), FALSE, FALSE, 0xFFFFFF), 1);
    EXPECT_EQ(DecodePng(ReadFile(target)).Rgb(0, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(DirEntries().size(), 1u);
}

TEST_F(WebImage, MissingDirectoryGivesZeroAndCreatesNothing)
{
    CWebImageDC dc;
    dc.Create(SIZE{4, 4});
    const fs::path missing = m_dir / "no" / "such" / "dir";
    EXPECT_EQ(dc.SavePNG((missing / "a.png").string(), TRUE, FALSE, 0xFFFFFF), 0);
    EXPECT_FALSE(fs::exists(m_dir / "no"));
    EXPECT_EQ(dc.SavePNG("", TRUE, FALSE, 0xFFFFFF), 0);
}

TEST_F(WebImage, FailedSaveLeavesTheExistingFile)
{
    const fs::path target = m_dir / "keep.png";
    std::ofstream(target, std::ios::binary) << "previous contents";
    CWebImageDC broken; // never created: the encoding fails
    EXPECT_EQ(broken.SavePNG(target.string(), TRUE, FALSE, 0xFFFFFF), 0);
    const auto bytes = ReadFile(target);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "previous contents");
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"keep.png"});
    // A directory in the way of the target: nothing left behind either.
    fs::create_directory(m_dir / "taken.png");
    CWebImageDC dc;
    dc.Create(SIZE{4, 4});
    EXPECT_EQ(dc.SavePNG((m_dir / "taken.png").string(), TRUE, FALSE, 0xFFFFFF), 0);
    EXPECT_EQ(DirEntries().size(), 2u);
}

TEST_F(WebImage, StreamsOfEveryKind)
{
    CWebImageDC dc;
    dc.Create(SIZE{64, 64});
    Draw(dc);
    CMemFile mem(1024);
    ASSERT_EQ(dc.WritePNG(mem, TRUE, FALSE, 0xFFFFFF), 1);
    EXPECT_EQ(mem.GetCapacity() % 1024, 0u);
    EXPECT_GE(mem.GetCapacity(), mem.GetLength());
    std::ostringstream os;
    COStreamFile ostreamFile(os);
    ASSERT_EQ(dc.WritePNG(ostreamFile, TRUE, FALSE, 0xFFFFFF), 1);
    const std::string s = os.str();
    // Same pixels; the time chunk may differ by a second.
    EXPECT_EQ(DecodePng(std::vector<uint8_t>(s.begin(), s.end())).rgb,
              DecodePng(std::vector<uint8_t>(mem.GetBuffer(), mem.GetBuffer() + mem.GetLength())).rgb);
    static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    EXPECT_EQ(std::memcmp(mem.GetBuffer(), kSignature, 8), 0);
}

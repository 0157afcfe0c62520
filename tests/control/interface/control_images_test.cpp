// Image outputs of the control, reached through its dispatch interface:
// Picture, the clipboard metafile, PNG files and PNG byte arrays, each
// decoded back to the symbol's text.
#include "control_host.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/gdi/raster.h"
#include "control_images_support.h"

namespace fs = std::filesystem;

namespace {

const std::vector<uint8_t> kPngSignature = {137, 80, 78, 71, 13, 10, 26, 10};

// A site with a clipboard that keeps what the control placed on it.
class CClipboardSite : public CTestSite {
public:
    bool accept = true;
    std::vector<std::shared_ptr<const CMetaFileDC>> metafiles;
    std::vector<PicturePtr> bitmaps;

    bool SetClipboardMetafile(std::shared_ptr<const CMetaFileDC> metafile) override
    {
        if (!accept) return false;
        metafiles.push_back(std::move(metafile));
        return true;
    }
    bool SetClipboardBitmap(PicturePtr bitmap) override
    {
        if (!accept) return false;
        bitmaps.push_back(std::move(bitmap));
        return true;
    }
};

GrayImage GrayFromPicture(const PictureObject& picture)
{
    GrayImage image{picture.width, picture.height, {}};
    for (uint32_t p : picture.pixels) image.pixels.push_back(Luma(uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)));
    return image;
}

// The plain rectangles of an SVG document painted in order onto white; text
// is left out, so only bars and fills remain.
GrayImage GrayFromSvgRects(const std::string& svg, int width, int height)
{
    GrayImage image{width, height, std::vector<uint8_t>(size_t(width) * size_t(height), 255)};
    constexpr const char* kRect = "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\" fill=\"#%2x%2x%2x\"%n";
    for (size_t at = svg.find("<rect "); at != std::string::npos; at = svg.find("<rect ", at + 1)) {
        int x0, y0, w, h, end = 0;
        unsigned r, g, b;
        if (std::sscanf(svg.c_str() + at, kRect, &x0, &y0, &w, &h, &r, &g, &b, &end) != 7 || !end) continue;
        const int x1 = x0 + w, y1 = y0 + h;
        const uint8_t grey = Luma(uint8_t(r), uint8_t(g), uint8_t(b));
        for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(width, x1); ++x) image.pixels[size_t(y) * width + x] = grey;
    }
    return image;
}

std::vector<std::string> Listing(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// What the control paints into a raster surface of that size, as 0x00RRGGBB.
std::vector<uint32_t> PaintedPixels(CHost& host, int width, int height)
{
    CRasterDC dc(width, height);
    std::shared_ptr<IOleControl> view = host.control;
    view->Draw(&dc, RECT{0, 0, width, height});
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const COLORREF c = dc.GetPixel(x, y);
            pixels.push_back(uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c));
        }
    return pixels;
}

// Every test gets a temporary directory of its own as $TMPDIR.
class ControlImages : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("TMPDIR")) m_oldTmp = old;
        m_dir = fs::temp_directory_path() / ("tessaline-images-" + std::to_string(::getpid()) + "-" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        setenv("TMPDIR", m_dir.c_str(), 1);
    }
    void TearDown() override
    {
        if (m_oldTmp) setenv("TMPDIR", m_oldTmp->c_str(), 1);
        else unsetenv("TMPDIR");
        fs::remove_all(m_dir);
    }

    fs::path m_dir;
    std::optional<std::string> m_oldTmp;
};

} // namespace

TEST_F(ControlImages, SaveAsPngWithoutNameWritesTheDefaultFileInTheTemporaryDirectory)
{
    CHost host;
    const Variant result = host.disp->Call("SaveAsPNG", {Variant("")});
    EXPECT_EQ(result, Variant(int16_t(1)));
    EXPECT_EQ(Listing(m_dir), std::vector<std::string>{"barcode-1-123456789012.png"});
    const GrayImage image = GrayFromPng(ReadBytes(m_dir / "barcode-1-123456789012.png"));
    EXPECT_EQ(image.width, 250); // the control's size
    EXPECT_EQ(image.height, 150);
    EXPECT_EQ(ScanZxing(image, "EAN13").text, "1234567890128");
}

TEST_F(ControlImages, DefaultNameCarriesTheTypeAndTheTextAsSetInUtf8)
{
    REQUIRE_CLASS(CODECODE128);
    struct Case {
        const char* type;
        std::string text;
        const char* file;
    };
    const Case cases[] = {
        {"Code 128", "Caf\xC3\xA9 7", "barcode-14-Caf\xC3\xA9 7.png"},
        {"Code 128", "..", "barcode-14-...png"},
        {"Code 128", "-rf x", "barcode-14--rf x.png"},
    };
    setenv("TMPDIR", (m_dir.string() + "/").c_str(), 1); // a trailing separator is not doubled
    for (const auto& c : cases) {
        CHost host;
        host.Put("TypeName", Variant(c.type));
        host.Put("Text", Variant(c.text));
        EXPECT_EQ(host.disp->Call(dispidSaveAsPNGBySize, {Variant(""), Variant(360), Variant(150)}),
                  Variant(int16_t(1)))
            << c.text;
        const fs::path file = m_dir / c.file;
        ASSERT_TRUE(fs::exists(file)) << c.file;
        EXPECT_EQ(ScanZxing(GrayFromPng(ReadBytes(file)), "Code128", false, "ISO-8859-1").text, c.text) << c.text;
        fs::remove(file);
    }
    EXPECT_TRUE(Listing(m_dir).empty());
}

TEST_F(ControlImages, WithoutTmpdirTheDefaultFileGoesToTmp)
{
    unsetenv("TMPDIR");
    CHost host;
    host.Put("Type", Variant(CODECODE128B));
    const std::string text = "tessaline-images-" + std::to_string(::getpid());
    host.Put("Text", Variant(text));
    const fs::path file = "/tmp/barcode-12-" + text + ".png";
    fs::remove(file);
    EXPECT_EQ(host.disp->Call("SaveAsPNG", {Variant("")}), Variant(int16_t(1)));
    EXPECT_TRUE(fs::exists(file));
    fs::remove(file);
}

TEST_F(ControlImages, UnsafeTextsInTheDefaultNameWriteNothing)
{
    const std::string texts[] = {
        "12/34",    "../../x",       "a\\b",          "C:x",     "a*b",         "a?b",
        "a\"b",     "a<b",           "a>b",           "a|b",     std::string("12\0" "34", 5),
        "a\tb",     "line\nbreak",   "\x1b[0m",       "a\x7f",   "a\xC2\x81",  // U+0081, a C1 control
        "a\xC2\x9D",
    };
    for (const std::string& text : texts) {
        CHost host;
        host.Put("Type", Variant(CODECODE128B));
        host.Put("Text", Variant(text));
        EXPECT_EQ(host.disp->Call("SaveAsPNG", {Variant("")}), Variant(int16_t(0))) << text;
        EXPECT_EQ(host.disp->Call("SaveAsPNGBySize", {Variant(""), Variant(300), Variant(100)}), Variant(int16_t(0)))
            << text;
    }
    EXPECT_TRUE(Listing(m_dir).empty());
}

TEST_F(ControlImages, NamedSaveWritesTheSizeAskedForInEveryRotation)
{
    REQUIRE_CLASS(CODECODE128);
    for (int16_t rotate : {0, 90, 180, 270}) {
        CHost host;
        host.Put("TypeName", Variant("Code 128"));
        host.Put("Text", Variant("Rotate-" + std::to_string(rotate)));
        host.Put("Rotate", Variant(rotate));
        const bool sideways = rotate == 90 || rotate == 270;
        const int w = sideways ? 170 : 410, h = sideways ? 410 : 170;
        const fs::path file = m_dir / ("r" + std::to_string(rotate) + ".png");
        EXPECT_EQ(host.disp->Call("SaveAsPNGBySize", {Variant(file.string()), Variant(w), Variant(h)}),
                  Variant(int16_t(1)));
        const GrayImage image = GrayFromPng(ReadBytes(file));
        EXPECT_EQ(image.width, w);
        EXPECT_EQ(image.height, h);
        EXPECT_EQ(ScanZxing(image, "Code128").text, "Rotate-" + std::to_string(rotate));
        EXPECT_EQ(ScanZbar(image).text, "Rotate-" + std::to_string(rotate));
    }
}

TEST_F(ControlImages, FailedSavesLeaveNoFileAndDamageNone)
{
    CHost host;
    const fs::path existing = m_dir / "keep.png";
    { std::ofstream(existing) << "old contents"; }
    fs::create_directories(m_dir / "dir.png");
    struct Case {
        std::string name;
        int32_t w, h;
    };
    const Case cases[] = {
        {existing.string(), 0, 100},                 // no bitmap of that size
        {existing.string(), 300, -1},
        {existing.string(), 40000, 40000},
        {(m_dir / "missing/x.png").string(), 300, 100}, // no such directory
        {(m_dir / "dir.png").string(), 300, 100},       // the target is a directory
        {m_dir.string() + "/", 300, 100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(host.disp->Call("SaveAsPNGBySize", {Variant(c.name), Variant(c.w), Variant(c.h)}),
                  Variant(int16_t(0)))
            << c.name << " " << c.w << "x" << c.h;
    EXPECT_EQ(Listing(m_dir), (std::vector<std::string>{"dir.png", "keep.png"}));
    EXPECT_TRUE(fs::is_empty(m_dir / "dir.png"));
    std::ifstream in(existing);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old contents");

    // A good save replaces the file whole.
    EXPECT_EQ(host.disp->Call("SaveAsPNGBySize", {Variant(existing.string()), Variant(300), Variant(100)}),
              Variant(int16_t(1)));
    EXPECT_EQ(GrayFromPng(ReadBytes(existing)).width, 300);
}

// A PNG saved over what the user has: a link keeps pointing at the image,
// a hard-linked private file stays one private file.
TEST_F(ControlImages, SavedPngKeepsLinksAndMode)
{
    CHost host;
    host.Put("Type", Variant(int32_t(CODEEAN13)));
    host.Put("Text", Variant(std::string("590123412345")));
    fs::create_directory(m_dir / "real");
    { std::ofstream(m_dir / "real/target.png") << "old"; }
    fs::create_symlink("real/target.png", m_dir / "link.png");
    { std::ofstream(m_dir / "private.png") << "old"; }
    fs::permissions(m_dir / "private.png", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_hard_link(m_dir / "private.png", m_dir / "second.png");
    for (const char* name : {"link.png", "second.png"})
        EXPECT_EQ(host.disp->Call("SaveAsPNGBySize", {Variant((m_dir / name).string()), Variant(300), Variant(100)}),
                  Variant(int16_t(1)))
            << name;
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.png"));
    EXPECT_EQ(ScanZxing(GrayFromPng(ReadBytes(m_dir / "real/target.png")), "EAN13").text, "5901234123457");
    EXPECT_EQ(fs::hard_link_count(m_dir / "private.png"), 2u);
    EXPECT_EQ(fs::status(m_dir / "private.png").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadBytes(m_dir / "private.png"), ReadBytes(m_dir / "real/target.png"));
}

TEST_F(ControlImages, BinaryWriteResizesTheControlAndReturnsThePngBytes)
{
    CHost host;
    std::shared_ptr<IOleControl> ole = host.control;
    const Variant result = host.disp->Call("BinaryWriteAsPNGBySize", {Variant(400), Variant(150)});
    EXPECT_EQ(result.Vt(), VT_ARRAY | VT_UI1);
    const std::vector<uint8_t>& bytes = result.ToBytes();
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_TRUE(std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin()));
    EXPECT_EQ(ole->GetExtent(), (SIZE{400, 150}));
    const DecodedPng png = DecodePng(bytes);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 400u);
    EXPECT_EQ(png.height, 150u);
    EXPECT_EQ(png.interlace, 1); // Adam7
    EXPECT_EQ(ScanZxing(GrayFromPng(bytes), "EAN13").text, "1234567890128");

    // The size-less form uses the size the control now has.
    const Variant again = host.disp->Call(dispidBinaryWriteAsPNG);
    EXPECT_EQ(DecodePng(again.ToBytes()).width, 400u);
    EXPECT_EQ(ole->GetExtent(), (SIZE{400, 150}));
}

TEST_F(ControlImages, PngShowsExactlyWhatTheControlPaints)
{
    CHost host;
    host.Put("ForeColor", Variant(int32_t(RGB(20, 40, 160))));
    host.Put("BackColor", Variant(int32_t(RGB(250, 240, 200))));
    host.Put("Rotate", Variant(int16_t(90)));
    host.Put("Borderwidth", Variant(int16_t(11)));
    const Variant result = host.disp->Call("BinaryWriteAsPNGBySize", {Variant(160), Variant(330)});
    const DecodedPng png = DecodePng(result.ToBytes());
    ASSERT_TRUE(png.ok);
    const std::vector<uint32_t> painted = PaintedPixels(host, 160, 330);
    size_t differing = 0;
    for (uint32_t y = 0; y < png.height; ++y)
        for (uint32_t x = 0; x < png.width; ++x) {
            const auto rgb = png.Rgb(x, y);
            const uint32_t p = uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
            differing += p != painted[size_t(y) * png.width + x];
        }
    EXPECT_EQ(differing, 0u);
}

TEST_F(ControlImages, SizesThatCannotBeDrawnFailCleanly)
{
    // A metafile holds no pixels: only a side past what surfaces address
    // refuses it.
    struct Case {
        SIZE s;
        bool metafile;
    };
    const Case cases[] = {{{0, 100}, false},     {{100, 0}, false},     {{-1, 50}, false},
                          {{50, -300}, false},   {{INT32_MIN, INT32_MIN}, false},
                          {{40000, 10}, false},  {{10, 40000}, false},  {{20000, 20000}, true}};
    auto site = std::make_shared<CClipboardSite>();
    site->window = true;
    CHost host(true);
    host.control->SetClientSite(site);
    std::shared_ptr<IOleControl> ole = host.control;
    for (const auto& [s, metafile] : cases) {
        const Variant bytes = host.disp->Call("BinaryWriteAsPNGBySize", {Variant(s.cx), Variant(s.cy)});
        EXPECT_EQ(bytes.Vt(), VT_ARRAY | VT_UI1) << s.cx << "x" << s.cy;
        EXPECT_TRUE(bytes.ToBytes().empty()) << s.cx << "x" << s.cy;
        EXPECT_EQ(ole->GetExtent(), (SIZE{250, 150}));
        EXPECT_EQ(host.disp->Call("SaveAsPNGBySize", {Variant(""), Variant(s.cx), Variant(s.cy)}), Variant(int16_t(0)));
        EXPECT_EQ(host.disp->Call("CreatePictureBySize", {Variant(s.cx), Variant(s.cy)}), Variant(false));
        EXPECT_EQ(host.disp->Call("CopyToClipboardBySize", {Variant(s.cx), Variant(s.cy)}), Variant(metafile));
    }
    EXPECT_TRUE(Listing(m_dir).empty());
    EXPECT_EQ(site->metafiles.size(), 1u);
    EXPECT_EQ(host.Get("Picture").ToPicture(), nullptr);
}

TEST_F(ControlImages, PictureFollowsEveryPaintAndEveryCreation)
{
    CHost host(true);
    host.site->client = {300, 100};
    std::shared_ptr<IOleControl> view = host.control;
    EXPECT_EQ(host.Get("Picture").ToPicture(), nullptr);

    const std::vector<uint32_t> painted = PaintedPixels(host, 300, 100);
    const PicturePtr picture = host.Get("Picture").ToPicture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->width, 300);
    EXPECT_EQ(picture->height, 100);
    EXPECT_EQ(picture->pixels, painted);
    EXPECT_EQ(ScanZxing(GrayFromPicture(*picture), "EAN13").text, "1234567890128");

    // Writing Picture changes nothing.
    auto other = std::make_shared<PictureObject>();
    other->width = other->height = 5;
    other->pixels.assign(25, 0);
    host.Put("Picture", Variant(PicturePtr(other)));
    EXPECT_EQ(host.Get("Picture").ToPicture(), picture);

    EXPECT_EQ(host.disp->Call("CreatePictureBySize", {Variant(50), Variant(20)}), Variant(true));
    const PicturePtr small = host.Get("Picture").ToPicture();
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(small->width, 50);
    EXPECT_EQ(small->height, 20);
    EXPECT_EQ(small->pixels.size(), 1000u);

    // A paint away from the origin still makes a picture of its size.
    CMetaFileDC dc(400, 300);
    view->Draw(&dc, RECT{30, 40, 250, 190});
    EXPECT_EQ(host.Get("Picture").ToPicture()->width, 220);
    EXPECT_EQ(host.Get("Picture").ToPicture()->height, 150);
    // And so does a metafile rendering.
    view->DrawMetafile(&dc, RECT{0, 0, 120, 60});
    EXPECT_EQ(host.Get("Picture").ToPicture()->width, 120);

    // A reset empties it.
    view->InitNew();
    EXPECT_EQ(host.Get("Picture").ToPicture(), nullptr);
}

TEST_F(ControlImages, WithoutAWindowThereIsNoPicture)
{
    CHost host(false);
    EXPECT_EQ(host.disp->Call("CreatePictureBySize", {Variant(50), Variant(20)}), Variant(false));
    PaintedPixels(host, 120, 60); // a paint makes none either
    EXPECT_EQ(host.Get("Picture").ToPicture(), nullptr);

    // Once shown it gets one, which it keeps when hidden again.
    host.site->window = true;
    EXPECT_EQ(host.disp->Call("CreatePictureBySize", {Variant(50), Variant(20)}), Variant(true));
    const PicturePtr picture = host.Get("Picture").ToPicture();
    host.site->window = false;
    EXPECT_EQ(host.disp->Call("CreatePictureBySize", {Variant(60), Variant(30)}), Variant(false));
    EXPECT_EQ(host.Get("Picture").ToPicture(), picture);
}

TEST_F(ControlImages, ClipboardGetsOneMetafileWithTheBarsAndTheDescription)
{
    auto site = std::make_shared<CClipboardSite>();
    CHost host;
    host.control->SetClientSite(site);
    EXPECT_EQ(host.disp->Call("CopyToClipboardBySize", {Variant(320), Variant(130)}), Variant(true));
    ASSERT_EQ(site->metafiles.size(), 1u);
    EXPECT_TRUE(site->bitmaps.empty());
    const CMetaFileDC& metafile = *site->metafiles[0];
    EXPECT_EQ(metafile.m_description, std::string("Tessaline\0MetaBarcode\0\0", 24));

    // The recording is what the control paints at that size.
    CMetaFileDC painted(320, 130);
    std::shared_ptr<IOleControl> view = host.control;
    view->Draw(&painted, RECT{0, 0, 320, 130});
    ASSERT_EQ(metafile.Records().size(), painted.Records().size());
    for (size_t i = 0; i < painted.Records().size(); ++i) EXPECT_EQ(metafile.Records()[i].rect, painted.Records()[i].rect);

    const std::string svg = metafile.ToSvg();
    EXPECT_NE(svg.find("width=\"320\" height=\"130\""), std::string::npos);
    EXPECT_NE(svg.find("<title>Tessaline - MetaBarcode</title>"), std::string::npos);
    EXPECT_EQ(ScanZxing(GrayFromSvgRects(svg, 320, 130), "EAN13").text, "1234567890128");

    // The size-less form takes the control's size.
    EXPECT_EQ(host.disp->Call("CopyToClipboard"), Variant(true));
    ASSERT_EQ(site->metafiles.size(), 2u);
    EXPECT_EQ(site->metafiles[1]->GetDeviceCaps(HORZRES), 250);
    EXPECT_EQ(site->metafiles[1]->GetDeviceCaps(VERTRES), 150);
}

TEST_F(ControlImages, ClipboardFailureIsFalse)
{
    auto site = std::make_shared<CClipboardSite>();
    site->accept = false;
    CHost host;
    host.control->SetClientSite(site);
    EXPECT_EQ(host.disp->Call("CopyToClipboard"), Variant(false));
    CHost headless; // no clipboard at all
    headless.control->SetClientSite(nullptr);
    EXPECT_EQ(headless.disp->Call("CopyToClipboardBySize", {Variant(100), Variant(50)}), Variant(false));
}

TEST_F(ControlImages, ImageOutputsNeitherRepaintNorMarkModified)
{
    auto site = std::make_shared<CClipboardSite>();
    site->window = true;
    CHost host(true);
    host.control->SetClientSite(site);
    std::shared_ptr<IOleControl> ole = host.control;
    const int invalidations = site->invalidations, modifications = site->modifications;
    host.disp->Call("CreatePictureBySize", {Variant(60), Variant(30)});
    host.disp->Call("CopyToClipboard");
    host.disp->Call("SaveAsPNG", {Variant("")});
    host.disp->Call("SaveAsPNGBySize", {Variant((m_dir / "a.png").string()), Variant(90), Variant(90)});
    EXPECT_EQ(site->invalidations, invalidations);
    EXPECT_EQ(site->modifications, modifications);
    EXPECT_FALSE(ole->IsDirty());
    EXPECT_EQ(ole->GetExtent(), (SIZE{250, 150}));
}

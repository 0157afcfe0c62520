#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "control/interface/barcodectrl.h"
#include "tests/support/scan.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = fs::temp_directory_path() / ("tessaline-cli-" + std::to_string(getpid()) + "-" + info->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        if (!HasFailure()) fs::remove_all(m_dir);
    }

    // Runs the command in the test's directory.
    RunResult Tessaline(const std::vector<std::string>& args)
    {
        // Appended piece by piece (GCC 12 warns falsely on "x" + string).
        std::string cmd = "cd ";
        cmd += Quote(m_dir.string());
        cmd += " && ";
        cmd += Quote(TESSALINE_BINARY_DIR "/tessaline");
        for (const auto& a : args) {
            cmd += ' ';
            cmd += Quote(a);
        }
        cmd += " >stdout.txt 2>stderr.txt <";
        cmd += Quote(m_stdin);
        RunResult r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = Slurp(m_dir / "stdout.txt");
        r.err = Slurp(m_dir / "stderr.txt");
        fs::remove(m_dir / "stdout.txt");
        fs::remove(m_dir / "stderr.txt");
        return r;
    }
    fs::path Path(const std::string& name) const { return m_dir / name; }
    // What the next runs read on standard input.
    std::string m_stdin = "/dev/null";
    // Files the command left, other than its captured streams.
    std::vector<std::string> Files() const
    {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(m_dir)) out.push_back(fs::relative(e.path(), m_dir));
        std::sort(out.begin(), out.end());
        return out;
    }

    fs::path m_dir;
};

// --- readers of the written files -------------------------------------------

struct PngInfo {
    bool ok = false;
    uint32_t width = 0, height = 0;
    int interlace = -1;
    std::vector<uint8_t> gray; // one byte a pixel
};

PngInfo ReadPng(const fs::path& path)
{
    PngInfo info;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return info;
    image.format = PNG_FORMAT_GRAY;
    info.gray.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, info.gray.data(), 0, nullptr)) return info;
    info.width = image.width;
    info.height = image.height;
    // The interlace method is byte 12 of the IHDR data (file offset 28).
    const std::string bytes = Slurp(path);
    info.interlace = bytes.size() > 28 ? bytes[28] : -1;
    info.ok = true;
    return info;
}

// Every pixel as red, green, blue; empty when the file does not decode.
std::vector<uint8_t> ReadRgb(const fs::path& path, uint32_t* width = nullptr, uint32_t* height = nullptr)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    if (width) *width = image.width;
    if (height) *height = image.height;
    return rgb;
}

uint32_t Be(const std::string& b, size_t at)
{
    return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 | uint32_t(uint8_t(b[at + 2])) << 8 |
           uint8_t(b[at + 3]);
}

// The PNG header fields and chunk names of a file.
struct PngChunks {
    int bitDepth = 0, colorType = -1;
    std::vector<std::string> names;
    uint32_t physX = 0, physY = 0;
    int physUnit = -1;
};

PngChunks Chunks(const fs::path& path)
{
    const std::string b = Slurp(path);
    PngChunks c;
    for (size_t at = 8; at + 12 <= b.size();) {
        const uint32_t size = Be(b, at);
        const std::string name = b.substr(at + 4, 4);
        c.names.push_back(name);
        if (name == "IHDR") {
            c.bitDepth = uint8_t(b[at + 16]);
            c.colorType = uint8_t(b[at + 17]);
        } else if (name == "pHYs") {
            c.physX = Be(b, at + 8);
            c.physY = Be(b, at + 12);
            c.physUnit = uint8_t(b[at + 16]);
        }
        at += 12 + size;
    }
    return c;
}

struct JpegInfo {
    bool ok = false;
    unsigned width = 0, height = 0;
    std::vector<uint8_t> gray;
};

struct JpegReadError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

JpegInfo ReadJpeg(const fs::path& path)
{
    JpegInfo info;
    // Decoded from memory: no file to close on the error path.
    const std::string bytes = Slurp(path);
    if (bytes.empty()) return info;
    jpeg_decompress_struct cinfo;
    JpegReadError err;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegReadError*>(c->err)->jump, 1); };
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return JpegInfo{};
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(&cinfo);
    info.width = cinfo.output_width;
    info.height = cinfo.output_height;
    info.gray.resize(size_t(info.width) * info.height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = info.gray.data() + size_t(cinfo.output_scanline) * info.width;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    info.ok = true;
    return info;
}

uint32_t Le(const std::string& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | uint8_t(b[at + size_t(i)]);
    return v;
}

// --- tests ------------------------------------------------------------------------

TEST_F(Cli, HelpVersionAndListTypes)
{
    const RunResult help = Tessaline({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"--type", "--text", "--size", "--rotate", "--no-text", "--border", "--notch", "--fg",
                             "--bg", "--font", "--auto-type", "--dpi", "--info", "--batch", "--jobs",
                             "--list-types", "--version", "--quality", "--interlace", "--bilevel"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;

    const RunResult version = Tessaline({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("tessaline ", 0), 0u);

    const RunResult list = Tessaline({"--list-types"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 34);
    EXPECT_NE(list.out.find(" 9  Code 25"), std::string::npos);
    EXPECT_NE(list.out.find("99  None"), std::string::npos);
    EXPECT_TRUE(Files().empty());
}

struct UsageCase {
    std::vector<std::string> args;
    const char* says;
};

TEST_F(Cli, UsageErrorsExitTwoAndWriteNothing)
{
    const UsageCase cases[] = {
        {{"--bogus"}, "--bogus"},
        {{"--type"}, "--type"},
        {{"--type", "33"}, "33"},
        {{"--type", "-1"}, "-1"},
        {{"--type", "PDF417"}, "PDF417"},
        {{"--type", "SSCC   18"}, "SSCC"},
        {{"--type", "code 25", "--size", "250"}, "--size"},
        {{"--type", "code 25", "--size", "0x150"}, "--size"},
        {{"--type", "code 25", "--rotate", "45"}, "--rotate"},
        {{"--type", "code 25", "--notch", "101"}, "--notch"},
        {{"--type", "code 25", "--fg", "octarine"}, "octarine"},
        {{"--type", "code 25", "--font", "Arial"}, "--font"},
        {{"--type", "code 25", "--size", "250x150", "--border", "500,4"}, "Borderwidth"},
        {{"--type", "code 25", "--height", "0"}, "--height"},
        {{"--type", "code 25", "--module", "0"}, "--module"},
        {{"--type", "code 25", "--format", "gif"}, "--format"},
        {{"--type", "code 25", "-o", "-"}, "--format"},
        {{"--type", "code 25", "-o", "out.gif"}, "out.gif"},
        {{"--type", "code 25", "stray"}, "stray"},
        {{"--batch", "missing.txt"}, "missing.txt"},
        {{"--bilevel=yes"}, "--bilevel"},
    };
    for (const auto& c : cases) {
        const RunResult r = Tessaline(c.args);
        EXPECT_EQ(r.status, 2) << c.args[0] << " " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_TRUE(Files().empty()) << c.args[0];
    }
}

TEST_F(Cli, WritesThePngNamedByDefault)
{
    const RunResult r = Tessaline({"--type", "Code 25"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Files(), std::vector<std::string>{"barcode.png"});
    const PngInfo png = ReadPng(Path("barcode.png"));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.interlace, 0);
    // Sized from the symbol: 2-pixel modules, 10 modules of light margin
    // on either side of the bars, no more.
    const uint32_t row = png.height / 2;
    uint32_t first = png.width, last = 0;
    for (uint32_t x = 0; x < png.width; ++x) {
        if (png.gray[row * png.width + x] >= 128) continue;
        first = std::min(first, x);
        last = x;
    }
    EXPECT_EQ(first, 20u);
    EXPECT_EQ(png.width - 1 - last, 20u);
    const RunResult info = Tessaline({"--type", "Code 25", "--info"});
    EXPECT_NE(info.out.find("\"width\":" + std::to_string(png.width) + ",\"height\":" + std::to_string(png.height)),
              std::string::npos)
        << info.out;
}

TEST_F(Cli, InvalidTextExitsOneNamingReasonAndType)
{
    // An option value may begin with '-'.
    const RunResult r = Tessaline({"--type", "msi", "--text", "-123", "-o", "x.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("text error"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("MSI"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("-123"), std::string::npos) << r.err;
    EXPECT_TRUE(Files().empty());
}

TEST_F(Cli, SizeErrorNamesTheSmallestFittingLength)
{
    // Code 25 "12345": 90 modules, borders 3 on each side: 96 pixels wide.
    const RunResult r = Tessaline({"--type", "9", "--size", "95x150", "-o", "x.bmp"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("size error"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Code 25"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("smallest width that fits is 96 (a bar axis of 90 pixels"), std::string::npos) << r.err;
    EXPECT_TRUE(Files().empty());
    EXPECT_EQ(Tessaline({"--type", "9", "--size", "96x150", "-o", "x.bmp"}).status, 0);

    // Turned, the bar axis is the height.
    const RunResult turned = Tessaline({"--type", "9", "--rotate", "270", "--size", "250x97", "-o", "y.bmp"});
    EXPECT_EQ(turned.status, 1);
    EXPECT_NE(turned.err.find("smallest height that fits is 98 (a bar axis of 90 pixels"), std::string::npos) << turned.err;

    // Too low for the bars and the text band.
    const RunResult low = Tessaline({"--type", "9", "--size", "250x30", "-o", "z.bmp"});
    EXPECT_EQ(low.status, 1);
    EXPECT_NE(low.err.find("smallest height that fits"), std::string::npos) << low.err;
}

TEST_F(Cli, InfoValues)
{
    const RunResult r = Tessaline({"--type", "Code 25", "--text", "4711", "--info"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"type\":9,\"typeName\":\"Code 25\",\"text\":\"4711\",\"valid\":true,\"checksum\":-1,"
                          "\"sizeOk\":true,\"reason\":\"\",",
                          0),
              0u)
        << r.out;

    const RunResult invalid = Tessaline({"--type", "20", "--text", "12 34", "--info"});
    EXPECT_EQ(invalid.status, 1);
    EXPECT_EQ(invalid.out.rfind("{\"type\":20,\"typeName\":\"MSI\",\"text\":\"12 34\",\"valid\":false,"
                                "\"checksum\":-1,\"sizeOk\":false,\"reason\":\"text error: ",
                                0),
              0u)
        << invalid.out;

    const RunResult tight = Tessaline({"--type", "msi", "--size", "50x150", "--info"});
    EXPECT_EQ(tight.status, 1);
    EXPECT_NE(tight.out.find("\"text\":\"12345\",\"valid\":true"), std::string::npos) << tight.out;
    EXPECT_NE(tight.out.find("\"sizeOk\":false"), std::string::npos) << tight.out;

    // UTF-8 in, Windows-1252 inside, UTF-8 out; quotes escaped.
    const RunResult none = Tessaline({"--type", "none", "--text", "\xC3\x84\xE2\x82\xAC \"q\"", "--info"});
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_EQ(none.out.rfind("{\"type\":99,\"typeName\":\"None\",\"text\":\"\xC3\x84\xE2\x82\xAC \\\"q\\\"\","
                             "\"valid\":true,\"checksum\":-1,\"sizeOk\":true,",
                             0),
              0u)
        << none.out;
    EXPECT_TRUE(Files().empty());
}

TEST_F(Cli, InfoCheckDigitsOfTheEanUpcFamily)
{
    // Check digits worked by hand from the standards' weighting (3/1 from
    // the right for EAN/UPC; 10..2 modulo 11 for ISBN, where 10 is 'X').
    struct Case {
        const char* type;
        const char* text;
        int checksum;
    } const cases[] = {
        {"EAN 13", "400638133393", 1}, {"EAN 13", "590123412345", 7}, {"EAN 99", "993456789012", 9},
        {"EAN 8", "9638507", 4},       {"UPC A", "03600029145", 2},   {"UPC E", "123456", 5},
        {"ISBN", "3-16-148410", 10},   {"ISBN", "030640615", 2},
    };
    for (const auto& c : cases) {
        const RunResult r = Tessaline({"--type", c.type, "--text", c.text, "--info"});
        EXPECT_EQ(r.status, 0) << c.type << " " << r.err;
        EXPECT_NE(r.out.find("\"checksum\":" + std::to_string(c.checksum) + ","), std::string::npos)
            << c.type << " " << c.text << ": " << r.out;
    }
}

TEST_F(Cli, OutputFormatsReadBackByTheirDecoders)
{
    ASSERT_EQ(Tessaline({"--type", "9", "-o", "a.PNG", "--interlace", "--size", "300x120"}).status, 0);
    const PngInfo png = ReadPng(Path("a.PNG"));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 300u);
    EXPECT_EQ(png.height, 120u);
    EXPECT_EQ(png.interlace, 1);

    for (const char* name : {"b.jpg", "b.jpeg"}) {
        ASSERT_EQ(Tessaline({"--type", "9", "-o", name, "--quality", "95", "--size", "250x150"}).status, 0);
        const JpegInfo jpeg = ReadJpeg(Path(name));
        ASSERT_TRUE(jpeg.ok) << name;
        EXPECT_EQ(jpeg.width, 250u);
        EXPECT_EQ(jpeg.height, 150u);
        // Two-pixel modules in an axis of 186, centred: the wide start bar
        // begins at x = 32 + 3.
        EXPECT_LT(jpeg.gray[10 * 250 + 36], 60);
        EXPECT_GT(jpeg.gray[10 * 250 + 30], 200);
    }
    ASSERT_EQ(Tessaline({"--type", "9", "-o", "low.jpg", "--quality", "5", "--size", "250x150"}).status, 0);
    EXPECT_LT(fs::file_size(Path("low.jpg")), fs::file_size(Path("b.jpg")));

    ASSERT_EQ(Tessaline({"--type", "9", "-o", "c.bmp", "--size", "101x40", "--no-text", "--fg", "#FF0000",
                         "--dpi", "300"})
                  .status,
              0);
    const std::string bmp = Slurp(Path("c.bmp"));
    const uint32_t row = (101 * 3 + 3) & ~3u;
    ASSERT_EQ(bmp.size(), 54 + row * 40);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Le(bmp, 2, 4), bmp.size());
    EXPECT_EQ(Le(bmp, 10, 4), 54u);
    EXPECT_EQ(Le(bmp, 14, 4), 40u);
    EXPECT_EQ(Le(bmp, 18, 4), 101u);
    EXPECT_EQ(Le(bmp, 22, 4), 40u); // positive: bottom-up
    EXPECT_EQ(Le(bmp, 28, 2), 24u);
    EXPECT_EQ(Le(bmp, 30, 4), 0u);
    EXPECT_EQ(Le(bmp, 38, 4), 11811u); // 300 dpi
    // Rows bottom first; in row 20, x = 6 lies in the red start bar (one
    // unit a module, the symbol centred), x = 1 in the border.
    const size_t bar = 54 + 20 * row + 6 * 3, border = 54 + 20 * row + 1 * 3;
    EXPECT_EQ(Le(bmp, bar, 3), 0xFF0000u); // bytes blue, green, red
    EXPECT_EQ(Le(bmp, border, 3), 0xFFFFFFu);
}

TEST_F(Cli, FormatsAcrossRotations)
{
    for (const char* rotate : {"0", "90", "180", "270"}) {
        const std::string name = std::string("r") + rotate + ".png";
        const RunResult r = Tessaline({"--type", "msi", "--text", "80523", "--rotate", rotate, "--size", "200x200",
                                 "-o", name});
        EXPECT_EQ(r.status, 0) << rotate << r.err;
        EXPECT_TRUE(ReadPng(Path(name)).ok) << rotate;
    }
}

TEST_F(Cli, BatchWithAnErrorLineInTheMiddle)
{
    std::ofstream(Path("list.txt")) << "Code 25\t12345\tone.png\n"
                                       "MSI\t12x45\ttwo.png\n"
                                       "\n"
                                       "20\t999\tsub/three.bmp\n"
                                       "9\t1\n"
                                       "code-25\t4711\tfour.jpg\n";
    fs::create_directories(Path("sub"));
    const RunResult r = Tessaline({"--batch", "list.txt", "--jobs", "3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("list.txt:2:"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("list.txt:5:"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("list.txt:1:"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("list.txt:6:"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadPng(Path("one.png")).ok);
    EXPECT_FALSE(fs::exists(Path("two.png")));
    EXPECT_TRUE(fs::exists(Path("sub/three.bmp")));
    EXPECT_TRUE(ReadJpeg(Path("four.jpg")).ok);
}

TEST_F(Cli, BatchOfTextsIntoADirectory)
{
    std::ofstream(Path("texts.txt")) << "123\n456\r\n123\nABC\n";
    const RunResult r = Tessaline({"--batch", "texts.txt", "--type", "Code 25", "-o", "out", "--jobs", "2"});
    EXPECT_EQ(r.status, 1); // "ABC" is no Code 25 text
    EXPECT_NE(r.err.find("texts.txt:4:"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadPng(Path("out/123.png")).ok);
    EXPECT_TRUE(ReadPng(Path("out/456.png")).ok);
    EXPECT_TRUE(ReadPng(Path("out/123-2.png")).ok);
    EXPECT_FALSE(fs::exists(Path("out/ABC.png")));

    std::ofstream(Path("good.txt")) << "1\n22\n333\n";
    EXPECT_EQ(Tessaline({"--batch", "good.txt", "--type", "msi", "-o", "msi"}).status, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("msi")), fs::directory_iterator()), 3);
}

TEST_F(Cli, AutoTypeKeepsTheTypeWhenNoCandidateAccepts)
{
    const RunResult r = Tessaline({"--type", "msi", "--text", "\x01", "--auto-type", "--info"});
    EXPECT_NE(r.out.find("\"type\":20"), std::string::npos) << r.out;
}

// A small well-formedness check: every element closed in order, one root.
bool WellFormedXml(const std::string& s)
{
    std::vector<std::string> open;
    int roots = 0;
    for (size_t i = s.find('<'); i != std::string::npos; i = s.find('<', i)) {
        if (s.compare(i, 4, "<!--") == 0) {
            i = s.find("-->", i);
            if (i == std::string::npos) return false;
            continue;
        }
        const size_t end = s.find('>', i);
        if (end == std::string::npos) return false;
        const std::string tag = s.substr(i + 1, end - i - 1);
        i = end;
        if (tag.empty() || tag[0] == '?' || tag[0] == '!') continue;
        if (tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1)) return false;
            open.pop_back();
            continue;
        }
        if (open.empty()) ++roots;
        if (tag.back() == '/') continue;
        open.push_back(tag.substr(0, tag.find_first_of(" \t\r\n")));
    }
    return open.empty() && roots == 1;
}

TEST_F(Cli, VectorFormatsAreWellFormed)
{
    ASSERT_EQ(Tessaline({"--type", "9", "-o", "v.svg", "--size", "300x120"}).status, 0);
    const std::string svg = Slurp(Path("v.svg"));
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_TRUE(WellFormedXml(svg));

    ASSERT_EQ(Tessaline({"--type", "9", "-o", "v.pdf"}).status, 0);
    const std::string pdf = Slurp(Path("v.pdf"));
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    const size_t startxref = pdf.rfind("startxref");
    ASSERT_NE(startxref, std::string::npos);
    EXPECT_NE(pdf.find("%%EOF", startxref), std::string::npos);
    // The cross-reference offset points at the table.
    const size_t offset = std::stoul(pdf.substr(startxref + 9));
    ASSERT_LT(offset, pdf.size());
    EXPECT_EQ(pdf.compare(offset, 4, "xref"), 0);

    // 250 x 150 pixels at 96 dpi are 187.5 x 112.5 points.
    ASSERT_EQ(Tessaline({"--type", "9", "-o", "v.eps", "--size", "250x150"}).status, 0);
    const std::string eps = Slurp(Path("v.eps"));
    EXPECT_EQ(eps.rfind("%!PS-Adobe-3.0 EPSF-3.0", 0), 0u);
    EXPECT_NE(eps.find("%%BoundingBox: 0 0 188 113"), std::string::npos) << eps.substr(0, 300);
    EXPECT_NE(eps.find("%%HiResBoundingBox: 0 0 187.5000 112.5000"), std::string::npos) << eps.substr(0, 300);
    EXPECT_NE(eps.find("%%EOF"), std::string::npos);

    // Nothing is written for a text error in any format.
    for (const char* name : {"e.svg", "e.pdf", "e.eps"})
        EXPECT_EQ(Tessaline({"--type", "9", "--text", "x", "-o", name}).status, 1);
    EXPECT_FALSE(fs::exists(Path("e.svg")) || fs::exists(Path("e.pdf")) || fs::exists(Path("e.eps")));
}

// --- the control's drawing, the compact PNG form, batch files, module size ---

struct ControlCase {
    int32_t type;
    const char* text;
    int16_t rotate;
    int width, height;
};

TEST_F(Cli, DrawsTheSamePixelsAsTheControlsPngMethod)
{
    const ControlCase cases[] = {
        {1, "590123412345", 0, 250, 150},  {14, "Tessaline 42", 90, 160, 320}, {6, "CODE-39", 180, 320, 140},
        {17, "123456", 270, 150, 250},    {18, "12345", 0, 300, 120},         {8, "A1234A", 90, 150, 300},
        {0, "316148410", 0, 300, 160},  {9, "4711", 180, 200, 100},
    };
    for (const auto& c : cases) {
        const std::string label = std::to_string(c.type) + "/" + std::to_string(c.rotate);
        auto control = std::make_shared<CBarcodeCtrl>();
        control->SetClientSite(std::make_shared<CHeadlessSite>());
        control->InitNew();
        control->SetType(c.type);
        control->SetText(c.text);
        control->SetRotate(c.rotate);
        ASSERT_EQ(control->SaveAsPNGBySize(Path("control.png").string(), c.width, c.height), 1) << label;

        const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        const RunResult r = Tessaline({"--type", std::to_string(c.type), "--text", c.text, "--rotate",
                                       std::to_string(c.rotate), "--size", size, "-o", "command.png"});
        ASSERT_EQ(r.status, 0) << label << " " << r.err;
        uint32_t w = 0, h = 0;
        const auto mine = ReadRgb(Path("command.png"), &w, &h);
        const auto theirs = ReadRgb(Path("control.png"));
        ASSERT_FALSE(mine.empty()) << label;
        EXPECT_EQ(w, uint32_t(c.width)) << label;
        EXPECT_EQ(h, uint32_t(c.height)) << label;
        // The command centres the control's drawing along the bar axis:
        // the same pixels, moved, with background where they came from;
        // its text coverage is rounded to 16 steps (half a step is 8).
        const bool alongX = c.rotate == 0 || c.rotate == 180;
        const int axis = alongX ? c.width : c.height;
        auto pixel = [](const std::vector<uint8_t>& rgb, size_t i) {
            return uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
        };
        bool same = false;
        for (int shift = -axis; shift <= axis && !same; ++shift) {
            same = true;
            for (int y = 0; y < c.height && same; ++y) {
                for (int x = 0; x < c.width; ++x) {
                    const int sx = alongX ? x - shift : x, sy = alongX ? y : y - shift;
                    const bool inside = sx >= 0 && sx < c.width && sy >= 0 && sy < c.height;
                    const uint32_t want = pixel(theirs, inside ? size_t(sy) * size_t(c.width) + size_t(sx) : 0);
                    const uint32_t got = pixel(mine, size_t(y) * size_t(c.width) + size_t(x));
                    bool near = true;
                    for (int k : {16, 8, 0}) near = near && std::abs(int((got >> k) & 0xFF) - int((want >> k) & 0xFF)) <= 8;
                    if (!near) {
                        same = false;
                        break;
                    }
                }
            }
        }
        EXPECT_TRUE(same) << label;
    }
}

struct FormCase {
    std::vector<std::string> args;
    int bitDepth, colorType; // colour type 0 grey, 3 palette
};

TEST_F(Cli, WritesTheSmallestLosslessFormWithItsResolution)
{
    const FormCase cases[] = {
        {{"--no-text"}, 1, 0},                          // black bars on white
        {{}, 4, 0},                                     // text edges in 16 grey steps
        {{"--no-text", "--fg", "red"}, 1, 3},           // two colours
        {{"--no-text", "--fg", "red", "--bg", "#FFFFE0"}, 1, 3},
        {{"--fg", "navy"}, 4, 3},                       // navy text edges on white: 16 colours
        // Two greys: one bit of palette beats two bits of grey.
        {{"--no-text", "--fg", "#555555", "--bg", "#AAAAAA"}, 1, 3},
        // Bilevel text: the two colours and nothing between them.
        {{"--bilevel"}, 1, 0},
        {{"--bilevel", "--fg", "navy", "--rotate", "90", "--size", "150x250"}, 1, 3},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--type", "13", "--text", "4711", "-o", "form.png"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = Tessaline(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const PngChunks chunks = Chunks(Path("form.png"));
        const std::string label = c.args.empty() ? "default" : c.args.back();
        EXPECT_EQ(chunks.bitDepth, c.bitDepth) << label;
        EXPECT_EQ(chunks.colorType, c.colorType) << label;
        EXPECT_EQ(chunks.physX, 3780u) << label; // 96 dpi
        EXPECT_EQ(chunks.physY, 3780u) << label;
        EXPECT_EQ(chunks.physUnit, 1) << label;
        EXPECT_EQ(std::count(chunks.names.begin(), chunks.names.end(), "PLTE"), c.colorType == 3 ? 1 : 0) << label;
        EXPECT_EQ(chunks.names.back(), "IEND") << label;
    }
    ASSERT_EQ(Tessaline({"--dpi", "300", "-o", "dpi.png"}).status, 0);
    EXPECT_EQ(Chunks(Path("dpi.png")).physX, 11811u);
}

TEST_F(Cli, CompactPngsScanBackInEveryRotation)
{
    for (const char* rotate : {"0", "90", "180", "270"}) {
        for (const char* interlace : {"", "--interlace"}) {
            std::vector<std::string> args = {"--text", "400638133393", "--rotate", rotate, "--size", "260x260",
                                             "-o", "scan.png"};
            if (*interlace) args.push_back(interlace);
            if (*interlace) args.push_back("--bilevel");
            ASSERT_EQ(Tessaline(args).status, 0) << rotate;
            const PngInfo png = ReadPng(Path("scan.png"));
            ASSERT_TRUE(png.ok) << rotate;
            GrayImage image{int(png.width), int(png.height), png.gray};
            EXPECT_EQ(ScanZxing(image, "EAN13").text, "4006381333931") << rotate << interlace;
            EXPECT_EQ(ScanZbar(image).text, "4006381333931") << rotate << interlace;
        }
    }
}

TEST_F(Cli, BatchWithByteOrderMarkCrLfAndBadLines)
{
    std::ofstream(Path("bom.txt"), std::ios::binary) << "\xEF\xBB\xBF"
                                                         "9\t123\tone.png\r\n"
                                                         "\r\n"
                                                         "9\t1\r\n"
                                                         "9\t456\ttwo.png\r\n"
                                                         "\n"
                                                         "9\t789\tthree.png";
    const RunResult r = Tessaline({"--batch", "bom.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bom.txt:2: empty line"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("bom.txt:3: expected TYPE<TAB>TEXT<TAB>OUTPUT"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("bom.txt:5: empty line"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3) << r.err;
    // The first line's type is read past the mark; the last needs no line end.
    for (const char* name : {"one.png", "two.png", "three.png"}) EXPECT_TRUE(ReadPng(Path(name)).ok) << name;

    // Texts only, with the mark: the first file is named after the text alone.
    std::ofstream(Path("texts.txt"), std::ios::binary) << "\xEF\xBB\xBF" "111\r\n222\r\n111\r\n";
    EXPECT_EQ(Tessaline({"--batch", "texts.txt", "--type", "9", "-o", "out", "--jobs", "2"}).status, 0);
    for (const char* name : {"out/111.png", "out/222.png", "out/111-2.png"})
        EXPECT_TRUE(ReadPng(Path(name)).ok) << name;
}

TEST_F(Cli, ModuleWidthInMillimetres)
{
    // Code 25 "12345": bars over 89 modules between light margins of 10.
    struct Case {
        const char* mm;
        const char* dpi;
        const char* rotate;
        uint32_t axis;
        bool note;
    };
    const Case cases[] = {
        {"0.5", "96", "0", 2 * 109, false},    // 1.89 pixels: 2
        {"0.33", "96", "0", 109, true},        // 1.25 pixels: 1, 20% off
        {"0.254", "300", "0", 3 * 109, false}, // exactly 3 pixels
        {"0.254", "300", "90", 3 * 109, false},
        {"0.1", "96", "0", 109, true},         // 0.38 pixels: at least 1
    };
    for (const auto& c : cases) {
        const RunResult r = Tessaline({"--type", "9", "--module-mm", c.mm, "--dpi", c.dpi, "--rotate", c.rotate,
                                       "--no-text", "-o", "m.png"});
        const std::string label = std::string(c.mm) + "@" + c.dpi + "/" + c.rotate;
        ASSERT_EQ(r.status, 0) << label << r.err;
        const PngInfo png = ReadPng(Path("m.png"));
        EXPECT_EQ(std::string(c.rotate) == "0" ? png.width : png.height, c.axis) << label;
        EXPECT_EQ(r.err.find("module of") != std::string::npos, c.note) << label << r.err;
    }
    const RunResult info = Tessaline({"--type", "9", "--module-mm", "0.5", "--info"});
    EXPECT_NE(info.out.find("\"sizeOk\":true"), std::string::npos) << info.out;
    for (const char* bad : {"0", "-1", "x", "2000"}) {
        const RunResult r = Tessaline({"--module-mm", bad});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("--module-mm"), std::string::npos) << r.err;
    }
}

TEST_F(Cli, PipesVerifyAndTheCatalogueAsJson)
{
    // --text - and -o -: text in, image out, nothing written beside.
    std::ofstream(Path("text.txt")) << "Hello 123\n";
    m_stdin = Path("text.txt").string();
    const RunResult piped = Tessaline({"--type", "code128", "--text", "-", "-o", "-", "--format", "png"});
    m_stdin = "/dev/null";
    ASSERT_EQ(piped.status, 0) << piped.err;
    std::ofstream(Path("piped.png"), std::ios::binary) << piped.out;
    const PngInfo png = ReadPng(Path("piped.png"));
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(ScanZxing({int(png.width), int(png.height), png.gray}, "Code128").text, "Hello 123");
    const RunResult svg = Tessaline({"--type", "ean8", "-o", "-", "--format", "svg"});
    EXPECT_NE(svg.out.find("<svg"), std::string::npos);

    // --verify: what zxing reads, refused when it cannot, said when it cannot try.
    struct VerifyCase {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const VerifyCase cases[] = {
        {{"--type", "ean13", "--verify", "-o", "v1.png"}, 0, ""},
        {{"--type", "code39", "--text", "TESSALINE", "--verify", "-o", "v2.png"}, 0, ""},
        {{"--type", "msi", "--verify", "-o", "v3.png"}, 0, "unverified"},
        {{"--type", "code128", "--fg", "#F0F0F0", "--verify", "-o", "v4.png"}, 1, "cannot read"},
    };
    for (const VerifyCase& c : cases) {
        const RunResult r = Tessaline(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(fs::exists(Path(c.args.back())), c.status == 0) << c.args.back();
    }

    const RunResult list = Tessaline({"--list-types", "--json"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out.rfind("[{\"id\":0,\"name\":\"ISBN\",\"sampleText\":\"123456789\",\"group\":\"EAN/UPC\"}", 0), 0u)
        << list.out.substr(0, 200);
    EXPECT_NE(list.out.find("{\"id\":99,\"name\":\"None\""), std::string::npos);
}

} // namespace

// Saved and copied images: their size, their format and quality, and the
// symbol read back from them.
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <filesystem>
#include <fstream>

#include "app/imagefiles.h"
#include "app_support.h"
#include "tests/support/scan.h"

namespace {

using SaveImageTest = AppTest;

GrayImage ToGray(const QImage& image)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    GrayImage out;
    out.width = gray.width();
    out.height = gray.height();
    for (int y = 0; y < gray.height(); ++y)
        out.pixels.insert(out.pixels.end(), gray.constScanLine(y), gray.constScanLine(y) + gray.width());
    return out;
}

// The first 8 entries, in zigzag order, of the luminance quantisation table
// of a JPEG file.
std::vector<int> LuminanceTable(const QByteArray& jpeg)
{
    for (qsizetype i = 2; i + 4 < jpeg.size();) {
        if (uchar(jpeg[i]) != 0xFF)
            return {};
        const uchar marker = uchar(jpeg[i + 1]);
        const int length = (uchar(jpeg[i + 2]) << 8) | uchar(jpeg[i + 3]);
        if (marker == 0xDB && (uchar(jpeg[i + 4]) & 0x0F) == 0) {
            std::vector<int> table;
            for (int k = 0; k < 8; ++k)
                table.push_back(uchar(jpeg[i + 5 + k]));
            return table;
        }
        i += 2 + length;
    }
    return {};
}

TEST_F(SaveImageTest, FilterList)
{
    const QStringList filters = ImageFilterList();
    ASSERT_EQ(filters.size(), 8);
    EXPECT_EQ(filters[0], "PNG (*.png)");
    EXPECT_EQ(filters[1], "JPEG - uncompressed - (*.jpg)");
    EXPECT_EQ(filters[6], "JPEG - 80% compression - (*.jpg)");
    EXPECT_TRUE(filters[7].endsWith("(*.bmp)"));
    const int qualities[] = {0, 100, 80, 65, 50, 35, 20, 0};
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(JpegQualityOfFilter(i), qualities[i - 1]) << i;
}

TEST_F(SaveImageTest, ProposedName)
{
    TForm1& form = Start();
    EXPECT_EQ(form.ProposedImageName(), "noname");
    form.FFileName = "/data/labels/Label.BAR";
    EXPECT_EQ(form.ProposedImageName(), "/data/labels/Label");
    form.FFileName = "/data/labels/label.txt";
    EXPECT_EQ(form.ProposedImageName(), "/data/labels/");
}

TEST_F(SaveImageTest, FixedSizeImagesDecodeBack)
{
    TForm1& form = Start();
    form.Code->setText("590123412345");
    form.FFixedBitmapSize = true;
    form.FBitmapWidth = 360;
    form.FBitmapHeight = 150;
    form.ApplyLayout();

    form.SaveImage(QPath("symbol"), 1); // no extension: .png appended
    form.SaveImage(QPath("best"), 2);
    form.SaveImage(QPath("small"), 7);
    form.SaveImage(QPath("symbol"), 8);
    form.SaveImage(QPath("named.jpg"), 1); // an extension is kept
    EXPECT_EQ(form.Image1.size(), QSize(10, 10));

    for (const char* name : {"symbol.png", "best.jpg", "small.jpg", "symbol.bmp", "named.jpg"}) {
        const QImage image(QPath(name));
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.size(), QSize(360, 150)) << name;
    }
    QFile named(QPath("named.jpg"));
    ASSERT_TRUE(named.open(QIODevice::ReadOnly));
    EXPECT_TRUE(named.read(8).startsWith("\x89PNG"));

    for (const char* name : {"symbol.png", "symbol.bmp"}) {
        const GrayImage gray = ToGray(QImage(QPath(name)));
        EXPECT_EQ(ScanZxing(gray, "EAN13").text, "5901234123457") << name;
        EXPECT_EQ(ScanZbar(gray).text, "5901234123457") << name;
    }

    // Quality 100 quantises by 1; quality 20 scales the standard table
    // (16 11 12 14 12 10 16 14 in zigzag order) by 2.5, rounded.
    QFile best(QPath("best.jpg")), small(QPath("small.jpg"));
    ASSERT_TRUE(best.open(QIODevice::ReadOnly) && small.open(QIODevice::ReadOnly));
    EXPECT_EQ(LuminanceTable(best.readAll()), std::vector<int>(8, 1));
    EXPECT_EQ(LuminanceTable(small.readAll()), (std::vector<int>{40, 28, 30, 35, 30, 25, 40, 35}));
}

TEST_F(SaveImageTest, WindowSizedImageAndBitmapCopy)
{
    TForm1& form = Start();
    form.SaveImage(QPath("window"), 8);
    EXPECT_EQ(QImage(QPath("window.bmp")).size(), form.Barcode1->size());

    form.FFixedBitmapSize = true;
    form.FBitmapWidth = 640;
    form.FBitmapHeight = 450;
    form.CopyBitmap1->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(640, 450));
    EXPECT_EQ(form.Image1.size(), QSize(640, 450));
    EXPECT_EQ(ScanZxing(ToGray(copied), "EAN13").text, "1234567890128");
}

// JPEG and BMP saves over a linked image and a hard-linked private one:
// the links and the mode stay, both names show the new image.
TEST_F(SaveImageTest, SavedImagesKeepLinksAndMode)
{
    TForm1& form = Start();
    namespace fs = std::filesystem;
    for (const auto& [ext, filter] : {std::pair{"jpg", 2}, std::pair{"bmp", 8}}) {
        SCOPED_TRACE(ext);
        const fs::path target = Path(std::string("real.") + ext), link = Path(std::string("link.") + ext);
        const fs::path priv = Path(std::string("private.") + ext), alias = Path(std::string("alias.") + ext);
        std::ofstream(target) << "old";
        std::ofstream(priv) << "old";
        fs::create_symlink(target.filename(), link);
        fs::permissions(priv, fs::perms::owner_read | fs::perms::owner_write);
        fs::create_hard_link(priv, alias);
        EXPECT_TRUE(RunCommand(&form, [&] { form.SaveImage(QString::fromStdString(link.string()), filter); }));
        EXPECT_TRUE(RunCommand(&form, [&] { form.SaveImage(QString::fromStdString(alias.string()), filter); }));
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(ScanZxing(ToGray(QImage(QString::fromStdString(target.string()))), "EAN13").text, "1234567890128");
        EXPECT_EQ(fs::hard_link_count(priv), 2u);
        EXPECT_EQ(fs::status(priv).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(ScanZxing(ToGray(QImage(QString::fromStdString(priv.string()))), "EAN13").text, "1234567890128");
    }
}

TEST_F(SaveImageTest, FileThatCannotBeCreatedIsReported)
{
    TForm1& form = Start();
    m_messages.clear();
    const QString name = QPath("no/such/dir/out.jpg");
    EXPECT_FALSE(RunCommand(&form, [&] { form.SaveImage(name, 3); }));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_EQ(m_messages[0], "Cannot create file " + name);
    EXPECT_NE(form.Image1.size(), QSize(10, 10)); // the rest of the command is skipped
    TGetLang::SetDeutsch();
    RunCommand(&form, [&] { form.SaveImage(QPath("no/such/dir/out.bmp"), 8); });
    EXPECT_EQ(m_messages.last(), "Datei " + QPath("no/such/dir/out.bmp") + " kann nicht erstellt werden");
}

} // namespace

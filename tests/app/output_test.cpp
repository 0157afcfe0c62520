// Vector documents and printed labels: their size, and the symbol read
// back from them; labels at the module width asked for, several a page.
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <cmath>
#include <cstdio>

#include "app/printing.h"
#include "app_support.h"
#include "tests/support/scan.h"

namespace {

using OutputTest = AppTest;

QByteArray ReadAll(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

GrayImage Gray(const QImage& image)
{
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    GrayImage out{gray.width(), gray.height(), {}};
    for (int y = 0; y < gray.height(); ++y)
        out.pixels.insert(out.pixels.end(), gray.constScanLine(y), gray.constScanLine(y) + gray.width());
    return out;
}

// The black rectangles (cairo's "M x y L ... Z" paths) of an SVG document,
// painted onto white at `scale` pixels a point; text glyphs are left out.
GrayImage SvgBars(const QByteArray& svg, int width, int height, double scale)
{
    GrayImage image{width, height, std::vector<uint8_t>(size_t(width) * size_t(height), 255)};
    const std::string text = svg.toStdString();
    const std::string black = "fill:rgb(0%,0%,0%);fill-opacity:1;\" d=\"";
    for (size_t at = text.find(black); at != std::string::npos; at = text.find(black, at + 1)) {
        double x0, y0, x1, y1, x2, y2, x3, y3;
        if (std::sscanf(text.c_str() + at + black.size(), "M %lf %lf L %lf %lf L %lf %lf L %lf %lf Z", &x0, &y0, &x1,
                        &y1, &x2, &y2, &x3, &y3) != 8)
            continue;
        const int left = int(std::lround(std::min(x0, x2) * scale)), right = int(std::lround(std::max(x0, x2) * scale));
        const int top = int(std::lround(std::min(y0, y2) * scale)), bottom = int(std::lround(std::max(y0, y2) * scale));
        for (int py = std::max(0, top); py < std::min(height, bottom); ++py)
            for (int px = std::max(0, left); px < std::min(width, right); ++px)
                image.pixels[size_t(py) * size_t(width) + size_t(px)] = 0;
    }
    return image;
}

TForm1& StartFixed(AppTest& test, TForm1& form, int width, int height)
{
    (void)test;
    form.FFixedBitmapSize = true;
    form.FBitmapWidth = width;
    form.FBitmapHeight = height;
    form.ApplyLayout();
    form.Code->setText("590123412345");
    return form;
}

TEST_F(OutputTest, SvgAndPdfHaveTheImageSizeAndTheSymbol)
{
    TForm1& form = StartFixed(*this, Start(), 400, 200);
    ASSERT_TRUE(form.ExportVector(QPath("label.svg"), false));
    const QByteArray svg = ReadAll(QPath("label.svg"));
    ASSERT_TRUE(svg.contains("<svg")) << svg.left(200).toStdString();
    // 400 x 200 pixels at 96 an inch are 300 x 150 points.
    EXPECT_TRUE(svg.contains("width=\"300pt\"") || svg.contains("width=\"300\"")) << svg.left(300).toStdString();
    const GrayImage bars = SvgBars(svg, 400, 200, 96.0 / 72.0);
    EXPECT_EQ(ScanZxing(bars, "EAN13").text, "5901234123457");

    ASSERT_TRUE(form.ExportVector(QPath("label.pdf"), true));
    const QByteArray pdf = ReadAll(QPath("label.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(pdf.contains("/MediaBox [ 0 0 300 150 ]")) << "no 300 x 150 point page";

    // A file that cannot be written: failure, and nothing left behind.
    EXPECT_FALSE(form.ExportVector(QPath("no-such-folder/label.svg"), false));
    EXPECT_FALSE(QFile::exists(QPath("no-such-folder/label.svg")));
    // A failed export keeps the earlier file whole: a folder in its place
    // cannot be replaced.
    std::filesystem::create_directories(Path("taken.svg"));
    EXPECT_FALSE(form.ExportVector(QPath("taken.svg"), false));
    EXPECT_TRUE(std::filesystem::is_directory(Path("taken.svg")));
}

TEST_F(OutputTest, LabelsArePlannedAtTheModuleWidthAndShareThePage)
{
    struct Case {
        QSize image;
        int modulePx, dpi;
        QSize page;
        TPrintOptions options;
        QSize label;
        QList<int> perPage;
        QPoint second; // where the second label goes
    };
    const Case cases[] = {
        // 0.33 mm at 300 dpi is 4 dots: twice the 2-pixel module; 5 mm is 59 dots.
        {{200, 100}, 2, 300, {2400, 3300}, {0.33, 7, 2, 3, 5.0}, {400, 200}, {6, 1}, {459, 0}},
        // More columns than fit: as many as fit (5 of 400 + 4 gaps in 2400).
        {{200, 100}, 2, 300, {2400, 3300}, {0.33, 6, 10, 1, 5.0}, {400, 200}, {5, 1}, {459, 0}},
        // One column: the second label goes below the first.
        {{200, 100}, 2, 600, {4800, 6600}, {0.254, 2, 1, 2, 0.0}, {600, 300}, {2}, {0, 300}},
        // No bars found: the image's own 96 pixels an inch.
        {{192, 96}, 0, 600, {4800, 6600}, {0.33, 1, 1, 1, 5.0}, {1200, 600}, {1}, {0, 0}},
    };
    for (const Case& c : cases) {
        const TLabelSheet sheet = PlanLabels(c.image, c.modulePx, c.dpi, c.page, c.options);
        EXPECT_EQ(sheet.Label, c.label) << c.dpi;
        QList<int> perPage;
        for (const auto& page : sheet.Pages)
            perPage << int(page.size());
        EXPECT_EQ(perPage, c.perPage) << c.dpi;
        const QRect second = sheet.Pages[0].size() > 1 ? sheet.Pages[0][1] : sheet.Pages[0][0];
        EXPECT_EQ(second.topLeft(), c.second) << c.dpi;
    }
    EXPECT_EQ(ModuleDots(0.33, 300), 4);
    EXPECT_EQ(ModuleDots(0.33, 600), 8);
    EXPECT_EQ(ModuleDots(0.01, 72), 1); // never less than a dot
}

// The width of the first bar at the middle of a label's first row of
// labels: the left guard bar of EAN 13 is one module.
int FirstBarWidth(const QImage& page, int y)
{
    int x = 0;
    while (x < page.width() && qGray(page.pixel(x, y)) > 128)
        ++x;
    int width = 0;
    while (x + width < page.width() && qGray(page.pixel(x + width, y)) <= 128)
        ++width;
    return width;
}

TEST_F(OutputTest, PrintedLabelsHaveTheModuleWidthAndReadBack)
{
    TForm1& form = StartFixed(*this, Start(), 300, 150);
    const int modulePx = form.ModulePixels();
    ASSERT_GT(modulePx, 0);
    form.PrepareBitmap();
    const QImage label = form.Image1;
    for (int dpi : {300, 600}) {
        const TPrintOptions options{0.5, 2, 2, 1, 3.0};
        QImage page(QSize(2480, 1000) * dpi / 300, QImage::Format_RGB32);
        page.fill(Qt::white);
        const TLabelSheet sheet = PlanLabels(label.size(), modulePx, dpi, page.size(), options);
        QPainter painter(&page);
        PaintLabels(painter, label, sheet, [] { return true; });
        painter.end();
        const QRect first = sheet.Pages[0][0];
        EXPECT_EQ(FirstBarWidth(page, first.center().y() / 2), ModuleDots(0.5, dpi)) << dpi;
        EXPECT_EQ(ScanZxing(Gray(page.copy(first)), "EAN13").text, "5901234123457") << dpi;
        EXPECT_EQ(ScanZbar(Gray(page.copy(sheet.Pages[0][1]))).text, "5901234123457") << dpi;
    }
}

TEST_F(OutputTest, PrintingWritesOnePageForEachPageOfLabels)
{
    TForm1& form = StartFixed(*this, Start(), 300, 150);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QPath("print.pdf"));
    ASSERT_TRUE(form.PrintLabels(&printer, TPrintOptions{0.33, 5, 1, 2, 5.0}));
    const QByteArray pdf = ReadAll(QPath("print.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    // Five labels, two a page: three pages.
    EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r"), 3) << pdf.count("/Type /Page");
}

} // namespace

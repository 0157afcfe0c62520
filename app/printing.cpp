#include "app/printing.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSpinBox>
#include <algorithm>
#include <cmath>

#include "app/shell.h"

namespace {

QString T(const char* english, const char* german) { return TGetLang::GetLangText(english, german); }

constexpr double kMMPerInch = 25.4;

// The narrowest run of bar or space pixels along one line of the image
// across the bars: one module in every symbology drawn here.
int NarrowestRun(const QImage& image, bool horizontal)
{
    const int length = horizontal ? image.width() : image.height();
    const int across = horizontal ? image.height() : image.width();
    if (length <= 0 || across <= 0)
        return 0;
    // A line through the bars, clear of a text band at either side.
    const int line = across * 2 / 5;
    const QRgb background = horizontal ? image.pixel(0, line) : image.pixel(line, 0);
    const auto dark = [&](int i) {
        const QRgb p = horizontal ? image.pixel(i, line) : image.pixel(line, i);
        return p != background;
    };
    int first = 0, last = length - 1;
    while (first < length && !dark(first))
        ++first;
    while (last > first && !dark(last))
        --last;
    if (first > last)
        return 0;
    int narrowest = length, run = 1;
    for (int i = first + 1; i <= last + 1; ++i) {
        if (i <= last && dark(i) == dark(i - 1)) {
            ++run;
            continue;
        }
        narrowest = std::min(narrowest, run);
        run = 1;
    }
    return narrowest;
}

} // namespace

int ModuleDots(double moduleMM, int dpi) { return std::max(1, int(std::lround(moduleMM * dpi / kMMPerInch))); }

TLabelSheet PlanLabels(QSize imagePx, int modulePx, int dpi, QSize page, const TPrintOptions& options)
{
    TLabelSheet sheet;
    sheet.Scale = modulePx > 0 ? double(ModuleDots(options.ModuleWidthMM, dpi)) / modulePx : dpi / 96.0;
    sheet.Label = QSize(int(std::lround(imagePx.width() * sheet.Scale)), int(std::lround(imagePx.height() * sheet.Scale)));
    const int gap = int(std::lround(std::max(0.0, options.GapMM) * dpi / kMMPerInch));
    const auto fitting = [gap](int space, int size, int wanted) {
        int count = std::max(1, wanted);
        while (count > 1 && count * size + (count - 1) * gap > space)
            --count;
        return count;
    };
    const int columns = fitting(page.width(), sheet.Label.width(), options.Columns);
    const int rows = fitting(page.height(), sheet.Label.height(), options.Rows);
    const int perPage = columns * rows;
    for (int i = 0; i < std::max(1, options.Copies); ++i) {
        if (i % perPage == 0)
            sheet.Pages.append(QList<QRect>());
        const int place = i % perPage;
        const QPoint at((place % columns) * (sheet.Label.width() + gap), (place / columns) * (sheet.Label.height() + gap));
        sheet.Pages.last().append(QRect(at, sheet.Label));
    }
    return sheet;
}

void PaintLabels(QPainter& painter, const QImage& label, const TLabelSheet& sheet, const std::function<bool()>& newPage)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (qsizetype page = 0; page < sheet.Pages.size(); ++page) {
        if (page > 0 && !newPage())
            return;
        for (const QRect& place : sheet.Pages[page])
            painter.drawImage(place, label);
    }
}

// --- the window's commands -------------------------------------------------------------

int TForm1::ModulePixels()
{
    PrepareBitmap();
    const QImage image = Image1;
    Image1 = QImage(10, 10, QImage::Format_RGB32);
    const int rotate = Barcode1->Rotate();
    return NarrowestRun(image, rotate == 0 || rotate == 180);
}

bool TForm1::PrintLabels(QPrinter* printer, const TPrintOptions& options)
{
    const int modulePx = ModulePixels();
    PrepareBitmap();
    const QImage label = Image1;
    Image1 = QImage(10, 10, QImage::Format_RGB32);
    const QRect page = printer->pageLayout().paintRectPixels(printer->resolution());
    const TLabelSheet sheet = PlanLabels(label.size(), modulePx, printer->resolution(), page.size(), options);
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    PaintLabels(painter, label, sheet, [printer] { return printer->newPage(); });
    return painter.end();
}

void TForm1::Print1Click()
{
    TPrintSetup setup(FPrintOptions, this);
    if (setup.exec() != QDialog::Accepted)
        return;
    FPrintOptions = setup.Options();
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(T("Print barcode", "Barcode drucken"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!PrintLabels(&printer, FPrintOptions))
        ShowMessageBox(this, T("The barcode could not be printed.", "Der Barcode konnte nicht gedruckt werden."),
                       T("Error", "Fehler"), QMessageBox::Warning);
}

void TForm1::PrintPreview1Click()
{
    TPrintSetup setup(FPrintOptions, this);
    if (setup.exec() != QDialog::Accepted)
        return;
    FPrintOptions = setup.Options();
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(T("Print preview", "Druckvorschau"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { PrintLabels(target, FPrintOptions); });
    preview.exec();
}

// --- print options -------------------------------------------------------------------------

TPrintSetup::TPrintSetup(const TPrintOptions& options, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrintSetup"));
    setWindowTitle(T("Print labels", "Etiketten drucken"));
    ModuleWidth = new QDoubleSpinBox(this);
    ModuleWidth->setObjectName(QStringLiteral("ModuleWidth"));
    ModuleWidth->setRange(0.1, 5.0);
    ModuleWidth->setDecimals(3);
    ModuleWidth->setSingleStep(0.01);
    ModuleWidth->setSuffix(QStringLiteral(" mm"));
    ModuleWidth->setValue(options.ModuleWidthMM);
    Copies = new QSpinBox(this);
    Copies->setObjectName(QStringLiteral("Copies"));
    Copies->setRange(1, 9999);
    Copies->setValue(options.Copies);
    Columns = new QSpinBox(this);
    Columns->setObjectName(QStringLiteral("Columns"));
    Columns->setRange(1, 50);
    Columns->setValue(options.Columns);
    Rows = new QSpinBox(this);
    Rows->setObjectName(QStringLiteral("Rows"));
    Rows->setRange(1, 100);
    Rows->setValue(options.Rows);
    Gap = new QDoubleSpinBox(this);
    Gap->setObjectName(QStringLiteral("Gap"));
    Gap->setRange(0, 100);
    Gap->setDecimals(1);
    Gap->setSuffix(QStringLiteral(" mm"));
    Gap->setValue(options.GapMM);

    auto* form = new QFormLayout;
    form->addRow(T("&Module width:", "&Modulbreite:"), ModuleWidth);
    form->addRow(T("&Labels in all:", "&Etiketten insgesamt:"), Copies);
    form->addRow(T("Labels &across a page:", "Etiketten &nebeneinander:"), Columns);
    form->addRow(T("Labels &down a page:", "Etiketten &untereinander:"), Rows);
    form->addRow(T("&Gap between labels:", "&Abstand der Etiketten:"), Gap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

TPrintOptions TPrintSetup::Options() const
{
    TPrintOptions options;
    options.ModuleWidthMM = ModuleWidth->value();
    options.Copies = Copies->value();
    options.Columns = Columns->value();
    options.Rows = Rows->value();
    options.GapMM = Gap->value();
    return options;
}

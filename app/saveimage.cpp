// Saving the barcode as an image file and copying it as a bitmap.
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPainter>
#include <QSaveFile>

#include "app/form1.h"
#include "app/imagefiles.h"
#include "app/shell.h"
#include "platform/com/olecontrol.h"
#include "platform/gdi/vector.h"

QSize TForm1::ImageSize()
{
    return FFixedBitmapSize ? QSize(FBitmapWidth, FBitmapHeight) : Barcode1->size();
}

void TForm1::PrepareBitmap()
{
    const QSize size = ImageSize().expandedTo(QSize(1, 1));
    Image1 = QImage(size, QImage::Format_RGB32);
    Image1.fill(Qt::white);
    Barcode1->CreatePictureBySize(size.width(), size.height());
    const QImage picture = Barcode1->Picture();
    if (!picture.isNull()) {
        QPainter painter(&Image1);
        painter.drawImage(QRect(QPoint(0, 0), size), picture);
    }
}

QString TForm1::ProposedImageName() const
{
    const qsizetype slash = FFileName.lastIndexOf(u'/');
    const QString directory = FFileName.left(slash + 1);
    const QString name = FFileName.mid(slash + 1);
    const qsizetype bar = name.indexOf(QLatin1String(".bar"), 0, Qt::CaseInsensitive);
    return bar >= 0 ? directory + name.left(bar) : directory;
}

void TForm1::SaveImage(const QString& fileName, int filterIndex)
{
    PrepareBitmap();
    if (filterIndex == 1) {
        // The control renders and encodes the PNG itself.
        Barcode1->SaveAsPNGBySize(WithDefaultExtension(fileName, QStringLiteral("png")), Image1.width(),
                                  Image1.height());
    } else if (filterIndex == 8) {
        SaveBmpFile(Image1, WithDefaultExtension(fileName, QStringLiteral("bmp")));
    } else if (const int quality = JpegQualityOfFilter(filterIndex)) {
        SaveJpegFile(Image1, quality, WithDefaultExtension(fileName, QStringLiteral("jpg")));
    }
    Image1 = QImage(10, 10, QImage::Format_RGB32);
}

void TForm1::SaveBMPButtonClick()
{
    QFileDialog dialog(this, TGetLang::GetLangText("Save image file", "Bilddatei speichern"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    const QStringList filters = ImageFilterList();
    dialog.setNameFilters(filters);
    const QString proposed = ProposedImageName();
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    SaveImage(dialog.selectedFiles().constFirst(), int(filters.indexOf(dialog.selectedNameFilter())) + 1);
}

void TForm1::CopyBMPButtonClick()
{
    PrepareBitmap();
    QGuiApplication::clipboard()->setImage(Image1);
}

// --- vector documents ------------------------------------------------------------------

bool TForm1::ExportVector(const QString& fileName, bool pdf)
{
    const QSize size = ImageSize().expandedTo(QSize(1, 1));
    const std::shared_ptr<IOleControl> control = Barcode1->Control();
    if (!control)
        return false;
    // The control draws onto the library's vector surface, 96 pixels an
    // inch, exactly as on screen; the document replaces the file only
    // once it is complete.
    const std::string document =
        CVectorDC::Render(pdf ? VectorFormat::Pdf : VectorFormat::Svg, size.width(), size.height(), 96,
                          [&](CDC& dc) { control->Draw(&dc, RECT{0, 0, size.width(), size.height()}); });
    // The drawing above judged the fit at the document's size; the screen
    // judges its own again.
    Barcode1->update();
    if (document.empty())
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(document.data(), qint64(document.size()));
    return file.commit();
}

namespace {

void ExportVectorClick(TForm1& form, bool pdf)
{
    const QString extension = pdf ? QStringLiteral("pdf") : QStringLiteral("svg");
    QFileDialog dialog(&form, pdf ? TGetLang::GetLangText("Export as PDF", "Als PDF exportieren")
                                  : TGetLang::GetLangText("Export as SVG", "Als SVG exportieren"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(pdf ? QStringLiteral("PDF (*.pdf)") : QStringLiteral("SVG (*.svg)"));
    const QString proposed = form.ProposedImageName();
    if (!proposed.isEmpty())
        dialog.selectFile(proposed + QLatin1Char('.') + extension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString name = WithDefaultExtension(dialog.selectedFiles().constFirst(), extension);
    if (!form.ExportVector(name, pdf))
        ShowMessageBox(&form,
                       TGetLang::GetLangText("Cannot create the file %1", "Datei %1 kann nicht erstellt werden").arg(name),
                       TGetLang::GetLangText("Error", "Fehler"), QMessageBox::Critical);
}

} // namespace

void TForm1::ExportSvg1Click() { ExportVectorClick(*this, false); }
void TForm1::ExportPdf1Click() { ExportVectorClick(*this, true); }

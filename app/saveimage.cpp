// Saving the barcode as an image file and copying it as a bitmap.
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPainter>

#include "app/form1.h"
#include "app/imagefiles.h"

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

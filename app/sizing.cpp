// The barcode's size in the window: the layout dialog's command, placing
// the control, and sizing the window to a barcode area.
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolBar>

#include "app/form1.h"
#include "app/layoutdialog.h"
#include "app/placement.h"

void TForm1::ApplyLayout()
{
    LayoutButton->setChecked(FFixedBitmapSize);
    BarcodeArea->SetFixed(FFixedBitmapSize, QSize(FBitmapWidth, FBitmapHeight));
}

void TForm1::FitWindowToBarcode(int width, int height)
{
    // The control must follow the window while it is measured.
    ApplyLayout();
    const auto settle = [this] {
        if (QLayout* l = layout())
            l->activate();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    // The window never grows past the screen's free area: a size saved on
    // a larger screen, or at another scale, would put the window's edges
    // (and its title bar) out of reach.
    const auto resize = [this](int w, int h) {
        const QRect available = AvailableArea(this);
        QSize decoration = frameGeometry().size() - size();
        decoration = decoration.expandedTo(QSize(0, 0));
        if (!available.isEmpty())
            QMainWindow::resize(QSize(w, h).boundedTo(available.size() - decoration));
        else
            QMainWindow::resize(w, h);
        const QRect frame = ClampToArea(frameGeometry(), available);
        if (isVisible() && frame.topLeft() != frameGeometry().topLeft())
            move(frame.topLeft());
    };
    resize(width + 8, height + 193);
    settle();
    int targetWidth = width, targetHeight = height;
    // Each round corrects by the difference; a size the window refuses
    // (its minimum, the screen) is accepted, so the loop always ends.
    for (int round = 0; round < 16 && (Barcode1->width() != targetWidth || Barcode1->height() != targetHeight);
         ++round) {
        const int w0 = Barcode1->width(), h0 = Barcode1->height();
        if (Barcode1->height() != targetHeight)
            resize(this->width(), this->height() + targetHeight - Barcode1->height());
        settle();
        if (Barcode1->width() != targetWidth)
            resize(this->width() + targetWidth - Barcode1->width(), this->height());
        settle();
        if (Barcode1->width() == w0)
            targetWidth = w0;
        if (Barcode1->height() == h0)
            targetHeight = h0;
    }
    UpdateStatus();
}

void TForm1::Layout1Click()
{
    const int borderHeight = Barcode1->Borderheight();
    const int borderWidth = Barcode1->Borderwidth();
    const int notch = Barcode1->NotchHeightInPercent();
    if (!LayoutDialog) {
        ApplyLayout();
        return;
    }
    TLayoutDialog& d = *LayoutDialog;
    d.Barcode = Barcode1;
    d.SizePanel = StatusPanels[2];
    d.SetTexts();

    // Position first, then the range: a position outside the range the
    // bar still has is pulled into it, and reaches the control.
    d.BHeight->setValue(borderHeight);
    d.BHeight->setMinimum(0);
    const int maxHeight = Barcode1->MaxBorderheight();
    d.BHeight->setMaximum(maxHeight);
    d.MaxH->setText(QString::number(maxHeight));
    d.BWidth->setValue(borderWidth);
    d.BWidth->setMinimum(0);
    const int maxWidth = Barcode1->MaxBorderwidth();
    d.BWidth->setMaximum(maxWidth);
    d.MaxW->setText(QString::number(maxWidth));
    d.NProzent->setValue(notch);
    d.CurrentH->setText(QString::number(d.BHeight->value()));
    d.CurrentW->setText(QString::number(d.BWidth->value()));
    d.CurrentP->setText(QStringLiteral("%1%").arg(d.NProzent->value()));

    d.SetCurrentSize(Barcode1->width(), Barcode1->height());
    d.Button3->setEnabled(!FFixedBitmapSize);
    if (FFixedBitmapSize)
        d.RadioCustomClick();
    else
        d.RadioWindowClick();
    d.EditX->setText(QString::number(FBitmapWidth));
    d.EditY->setText(QString::number(FBitmapHeight));
    d.exec();

    int newHeight = borderHeight, newWidth = borderWidth, newNotch = notch;
    if (d.Result()) {
        FModified = true;
        newHeight = d.BHeight->value();
        newWidth = d.BWidth->value();
        newNotch = d.NProzent->value();
        FFixedBitmapSize = d.RadioCustom->isChecked();
        FBitmapWidth = ParseNumber(d.EditX->text());
        FBitmapHeight = ParseNumber(d.EditY->text());
        if (FBitmapWidth < 1 || FBitmapHeight < 1)
            FFixedBitmapSize = false;
    }
    d.Barcode = nullptr; // no preview from the dialog while it is closed
    Barcode1->SetBorderheight(newHeight);
    Barcode1->SetBorderwidth(newWidth);
    Barcode1->SetNotchHeightInPercent(newNotch);
    ApplyLayout();
    UpdateStatus();
}

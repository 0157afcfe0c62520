// The barcode's size: fixed sizes and rotation, the layout dialog with its
// live preview and cancel, and the tolerant number reading of its edits.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>

#include "app/layoutdialog.h"
#include "app_support.h"

namespace {

using LayoutTest = AppTest;

TEST(ParseNumberTest, ReadsWhatItCan)
{
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"320", 320}, {"320 px", 320}, {"3 2 0", 320}, {" 200 ", 200}, {"1x2", 12}, {"abc", 0},
        {"", 0},      {"-5", -5},      {"$1F", 31},    {"-", 0},       {"12.5", 125}, {"x-7", -7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseNumber(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST_F(LayoutTest, FixedSizeSwapsBetweenHorizontalAndVertical)
{
    TForm1& form = Start();
    form.FFixedBitmapSize = true;
    form.FBitmapWidth = 320;
    form.FBitmapHeight = 200;
    form.ApplyLayout();
    form.N90degrees1->trigger();
    EXPECT_EQ(form.FBitmapWidth, 200);
    EXPECT_EQ(form.FBitmapHeight, 320);
    EXPECT_EQ(form.Barcode1->size(), QSize(200, 320));
    form.N270degrees1->trigger();
    EXPECT_EQ(form.FBitmapWidth, 200);
    EXPECT_EQ(form.FBitmapHeight, 320);
    form.MenuRotateLinks->trigger(); // 270 to 180: horizontal again
    EXPECT_EQ(form.Barcode1->Rotate(), 180);
    EXPECT_EQ(form.FBitmapWidth, 320);
    form.RotateButton1->trigger();
    EXPECT_EQ(form.Barcode1->Rotate(), 270);

    // Without a fixed size nothing is swapped.
    form.FFixedBitmapSize = false;
    form.N0degrees1->trigger();
    EXPECT_EQ(form.FBitmapWidth, 200);
}

TEST_F(LayoutTest, CancelRestoresMarginsAndNotch)
{
    TForm1& form = Start();
    TBarcode& b = *form.Barcode1;
    b.SetBorderheight(4);
    b.SetBorderwidth(3);
    b.SetNotchHeightInPercent(25);
    int previewHeight = -1, previewNotch = -1;
    QString maxHeight;
    WhenShown(form.LayoutDialog, [&] {
        TLayoutDialog& d = *form.LayoutDialog;
        maxHeight = d.MaxH->text();
        d.BHeight->setValue(10);
        d.NProzent->setValue(60);
        previewHeight = b.Borderheight();
        previewNotch = b.NotchHeightInPercent();
        d.CancelButton->click();
    });
    form.Layout1->trigger();
    EXPECT_EQ(previewHeight, 10);
    EXPECT_EQ(previewNotch, 60);
    EXPECT_EQ(maxHeight, QString::number(b.MaxBorderheight()));
    EXPECT_EQ(b.Borderheight(), 4);
    EXPECT_EQ(b.Borderwidth(), 3);
    EXPECT_EQ(b.NotchHeightInPercent(), 25);
    EXPECT_FALSE(form.LayoutDialog->Result());
}

TEST_F(LayoutTest, OkFixesTheSizeBetweenTheToolbars)
{
    TForm1& form = Start();
    WhenShown(form.LayoutDialog, [&] {
        TLayoutDialog& d = *form.LayoutDialog;
        d.RadioCustom->click();
        d.EditX->setText("400");
        d.EditY->setText("120 px");
        d.BWidth->setValue(8);
        d.Button1->click();
    });
    form.LayoutButton->trigger();
    EXPECT_TRUE(form.FFixedBitmapSize);
    EXPECT_TRUE(form.LayoutButton->isChecked());
    EXPECT_EQ(form.Barcode1->geometry(), QRect(0, 0, 400, 120));
    EXPECT_EQ(form.Barcode1->mapTo(&form, QPoint(0, 0)).x(), form.ToolBar1->geometry().right() + 1);
    EXPECT_EQ(form.StatusPanels[0]->text(), "400 x 120 [fixed]");
    EXPECT_EQ(form.Barcode1->Borderwidth(), 8);

    // A width below 1 switches the fixed size off again.
    WhenShown(form.LayoutDialog, [&] {
        TLayoutDialog& d = *form.LayoutDialog;
        EXPECT_TRUE(d.RadioCustom->isChecked());
        EXPECT_FALSE(d.Button3->isEnabled());
        d.EditX->setText("0");
        d.Button1->click();
    });
    form.Layout1->trigger();
    EXPECT_FALSE(form.FFixedBitmapSize);
    EXPECT_FALSE(form.LayoutButton->isChecked());
    EXPECT_EQ(form.Barcode1->size(), form.BarcodeArea->size());
}

TEST_F(LayoutTest, TakeOverTheCurrentSize)
{
    TForm1& form = Start();
    const QSize size = form.Barcode1->size();
    WhenShown(form.LayoutDialog, [&] {
        TLayoutDialog& d = *form.LayoutDialog;
        EXPECT_TRUE(d.RadioWindow->isChecked());
        EXPECT_FALSE(d.EditX->isEnabled());
        d.Button3->click();
        EXPECT_TRUE(d.RadioCustom->isChecked());
        EXPECT_TRUE(d.EditX->isEnabled());
        d.Button1->click();
    });
    form.Layout1->trigger();
    EXPECT_TRUE(form.FFixedBitmapSize);
    EXPECT_EQ(QSize(form.FBitmapWidth, form.FBitmapHeight), size);
    form.resize(form.width() + 50, form.height() + 40);
    EXPECT_EQ(form.Barcode1->size(), size);
}

} // namespace

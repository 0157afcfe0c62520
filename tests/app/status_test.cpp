// The status bar mirrors the control: type and validity, rotation, check
// digit and whether the symbol fits; the caption names the document.
#include <QLabel>
#include <QLineEdit>

#include "app_support.h"

namespace {

using StatusTest = AppTest;

TEST_F(StatusTest, PanelsForTextsAndTypes)
{
    TForm1& form = Start();
    struct Case {
        const char* type;
        const char* text;
        const char* panel4;
        const char* panel3;
        const char* panel3German;
    };
    const Case cases[] = {
        // 590123412345 carries the check digit 7 (5901234123457).
        {"EAN 13", "590123412345", "EAN 13", "Check digit: 7", "Prüfsumme: 7"},
        {"EAN 13", "123456789012", "EAN 13", "Check digit: 8", "Prüfsumme: 8"},
        {"EAN 8", "9638507", "EAN 8", "Check digit: 4", "Prüfsumme: 4"},
        {"Code 39", "CODE 39", "Code 39", "No check digit", "Keine Prüfsumme"},
        {"EAN 13", "12AB", "EAN 13 [Invalid text]", "Invalid code", "Ungültiger Code"},
    };
    for (const Case& c : cases) {
        TGetLang::SetEnglisch();
        form.Barcode1->SetTypeName(c.type);
        form.Code->setText(c.text);
        EXPECT_EQ(form.StatusPanels[4]->text(), c.panel4) << c.text;
        EXPECT_EQ(form.StatusPanels[3]->text(), c.panel3) << c.text;
        TGetLang::SetDeutsch();
        form.UpdateStatus();
        EXPECT_EQ(form.StatusPanels[3]->text(), QString::fromUtf8(c.panel3German)) << c.text;
    }
}

TEST_F(StatusTest, ReasonOfAnInvalidTextAndTheGs1Verdict)
{
    TForm1& form = Start();
    TGetLang::SetEnglisch();
    const struct {
        const char* type;
        const char* text;
        const char* reason; // "" : the reason panel is hidden
    } cases[] = {
        {"EAN 13", "5901234123450", "check digit should be 7, not 0"},
        {"EAN 13", "590123412345", ""},
        {"EAN/UCC 128 AI", "(01)12345678901231(17)991332", "GS1: AI (17): month 13 is not a month"},
        {"EAN/UCC 128 AI", "(01)12345678901231", ""},
    };
    for (const auto& c : cases) {
        form.Barcode1->SetTypeName(c.type);
        form.Code->setText(c.text);
        EXPECT_TRUE(form.StatusReason->text().contains(c.reason)) << c.text << " " << form.StatusReason->text().toStdString();
        EXPECT_EQ(form.StatusReason->isVisibleTo(&form), *c.reason != 0) << c.text;
    }
}

TEST_F(StatusTest, RotationAndSize)
{
    TForm1& form = Start();
    EXPECT_EQ(form.StatusPanels[1]->text(), QString::fromUtf8("0°"));
    EXPECT_EQ(form.StatusPanels[2]->text(), "Size OK");
    EXPECT_EQ(form.StatusPanels[0]->text(),
              QString("%1 x %2").arg(form.Barcode1->width()).arg(form.Barcode1->height()));
    form.N270degrees1->trigger();
    EXPECT_EQ(form.StatusPanels[1]->text(), QString::fromUtf8("270°"));
    EXPECT_TRUE(form.N270degrees1->isChecked());
    EXPECT_FALSE(form.N0degrees1->isChecked());

    // Too small for the symbol: the control says so after its paint.
    form.FFixedBitmapSize = true;
    form.FBitmapWidth = 40;
    form.FBitmapHeight = 30;
    form.ApplyLayout();
    form.UpdateStatus();
    EXPECT_EQ(form.StatusPanels[2]->text(), "Resize!");
    EXPECT_EQ(form.StatusPanels[0]->text(), "40 x 30 [fixed]");
    TGetLang::SetDeutsch();
    form.FFixedBitmapSize = false;
    form.ApplyLayout();
    form.UpdateStatus();
    EXPECT_EQ(form.StatusPanels[2]->text(), QString::fromUtf8("Größe OK"));
}

TEST_F(StatusTest, ClearingTheEditKeepsTheText)
{
    TForm1& form = Start();
    form.Code->setText("590123412345");
    form.Code->clear();
    EXPECT_EQ(form.Barcode1->Text(), "590123412345");
}

TEST_F(StatusTest, DemoTextAndTypeList)
{
    TForm1& form = Start();
    // Every name the control gives, plus the one for no type, sorted.
    EXPECT_EQ(form.BarcodeList->count(), form.Barcode1->CountTypesSupported() + 2);
    EXPECT_EQ(form.BarcodeList->itemText(0), "Codabar");
    EXPECT_EQ(form.BarcodeList->currentText(), "EAN 13");
    // The last entry of the sorted list is found like any other.
    form.Barcode1->SetTypeName("UPC E");
    EXPECT_EQ(form.BarcodeList->currentText(), "UPC E");
    EXPECT_EQ(form.BarcodeList->currentIndex(), form.BarcodeList->count() - 1);

    form.BarcodeList->setCurrentIndex(form.BarcodeList->findText("Code 128"));
    form.BarcodeListChange();
    EXPECT_EQ(form.Barcode1->Type(), 14);
    form.DemotextButton->trigger();
    EXPECT_EQ(form.Code->text(), "Code 128");
    EXPECT_EQ(form.Barcode1->Text(), "Code 128");
    EXPECT_EQ(form.StatusPanels[4]->text(), "Code 128");
}

TEST_F(StatusTest, ShowTextFollowsTheControl)
{
    TForm1& form = Start();
    form.SHowTextButton->trigger();
    EXPECT_FALSE(form.Barcode1->ShowText());
    EXPECT_FALSE(form.Showtext1->isChecked());
    EXPECT_FALSE(form.SHowTextButton->isChecked());
    form.Barcode1->SetShowText(true); // from elsewhere: the event brings it back
    EXPECT_TRUE(form.FShowText);
    EXPECT_TRUE(form.Showtext1->isChecked());
    EXPECT_TRUE(form.SHowTextButton->isChecked());
}

TEST_F(StatusTest, CaptionNamesTheDocument)
{
    TForm1& form = Start();
    EXPECT_EQ(form.windowTitle(), "Tessaline Application");
    ASSERT_TRUE(form.SaveDocument(QPath("label")));
    EXPECT_EQ(form.FFileName, QPath("label.bar"));
    EXPECT_EQ(form.windowTitle(), "label.bar - Tessaline Application");
}

} // namespace

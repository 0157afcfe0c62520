// The program's start: a document named on the command line, and the about
// dialog alone when the control cannot be created; the dialogs.
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <fstream>

#include "app/barcodeinfo.h"
#include "app/infodialog.h"
#include "app/typeselect.h"
#include "app_support.h"

// Under LeakSanitizer: fontconfig keeps a few bytes of the configuration it
// parses for Qt's font database and never frees them; that is not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

using StartTest = AppTest;

TEST_F(StartTest, DocumentOnTheCommandLine)
{
    std::ofstream(Path("start.bar")) << "[BARCODE]\nText=CODE39\nType=Code 39\n";
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(m_dir.string()));
    TForm1& form = Start({"start.bar"}); // relative to the current directory
    QDir::setCurrent(previous);
    EXPECT_EQ(form.Barcode1->Text(), "CODE39");
    EXPECT_EQ(form.Barcode1->TypeName(), "Code 39");
    EXPECT_EQ(form.FFileName, QPath("start.bar"));
    EXPECT_EQ(form.windowTitle(), "start.bar - Tessaline Application");
    EXPECT_TRUE(m_messages.isEmpty()); // a document never shows the first-run message
}

TEST_F(StartTest, MissingDocumentLoadsTheSettings)
{
    TForm1& form = Start({QPath("absent.bar")});
    EXPECT_EQ(form.FFileName, "noname.bar");
    EXPECT_EQ(form.Barcode1->Text(), "123456789012");
    EXPECT_EQ(m_messages.size(), 1); // first run
}

class EmptyRegistryTest : public AppTest {
protected:
    bool RegisterControl() const override { return false; }
};

TEST_F(EmptyRegistryTest, OnlyTheAboutDialogWithTheMessage)
{
    TApplication app({});
    EXPECT_TRUE(app.ControlMissing());
    EXPECT_EQ(app.Form1(), nullptr);
    EXPECT_EQ(app.TypeSelect(), nullptr);
    EXPECT_EQ(app.BarcodeInfo(), nullptr);
    ASSERT_NE(app.InfoDialog(), nullptr);
    EXPECT_EQ(app.MainForm(), app.InfoDialog());
    QWidgetList visible;
    WhenShown(app.InfoDialog(), [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible())
                visible << widget;
        app.InfoDialog()->Button1->click();
    });
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(visible, QWidgetList{app.InfoDialog()});
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_EQ(m_messages[0], "Tessaline Control is not correctly installed to your system!\nPlease run setup again.");
    EXPECT_EQ(m_captions[0], "Error");
    EXPECT_FALSE(app.InfoDialog()->isVisible());
}

TEST_F(StartTest, TypeSelectionWithDemoText)
{
    TForm1& form = Start();
    WhenShown(form.TypeSelect, [&] {
        TTypeSelect& d = *form.TypeSelect;
        EXPECT_EQ(d.ListBox1->currentItem()->text(), "EAN 13");
        EXPECT_EQ(d.ListBox1->count(), form.BarcodeList->count());
        d.ListBox1->setCurrentRow(int(d.ListBox1->row(d.ListBox1->findItems("Code 128", Qt::MatchExactly)[0])));
        d.Ok->click();
    });
    form.MenuType1->trigger();
    EXPECT_EQ(form.Barcode1->TypeName(), "Code 128");
    EXPECT_EQ(form.BarcodeList->currentText(), "Code 128");
    EXPECT_EQ(form.Code->text(), "Code 128");

    // Without the demo text the text stays (and may not suit the type).
    WhenShown(form.TypeSelect, [&] {
        TTypeSelect& d = *form.TypeSelect;
        d.AutoDemoText->setChecked(false);
        d.ListBox1->setCurrentRow(int(d.ListBox1->row(d.ListBox1->findItems("EAN 8", Qt::MatchExactly)[0])));
        d.Ok->click();
    });
    form.MenuType1->trigger();
    EXPECT_EQ(form.Barcode1->TypeName(), "EAN 8");
    EXPECT_EQ(form.Barcode1->Text(), "Code 128");
    EXPECT_EQ(form.StatusPanels[4]->text(), "EAN 8 [Invalid text]");

    // Closed another way, the dialog keeps the result of its last use.
    WhenShown(form.TypeSelect, [&] {
        TTypeSelect& d = *form.TypeSelect;
        d.ListBox1->setCurrentRow(int(d.ListBox1->row(d.ListBox1->findItems("UPC A", Qt::MatchExactly)[0])));
        d.reject();
    });
    form.MenuType1->trigger();
    EXPECT_EQ(form.Barcode1->TypeName(), "UPC A");
}

TEST_F(StartTest, InformationDialogShowsTheControl)
{
    TForm1& form = Start();
    form.Barcode1->SetTypeName("Code 39");
    form.Code->setText("ABC");
    QString checksum, valid, type, width;
    WhenShown(form.BarcodeInfo, [&] {
        TBarcodeInfo& d = *form.BarcodeInfo;
        checksum = d.Checksum_data->text();
        valid = d.isvalid_data->text();
        type = d.TypeNr_data->text();
        width = d.Width_data->text();
        d.Button1->click();
    });
    form.Info1->trigger();
    EXPECT_EQ(checksum, "no");
    EXPECT_EQ(valid, "yes");
    EXPECT_EQ(type, "6");
    EXPECT_EQ(width, QString::number(form.Barcode1->width()));

    form.Barcode1->SetTypeName("EAN 13");
    TGetLang::SetDeutsch();
    WhenShown(form.BarcodeInfo, [&] {
        TBarcodeInfo& d = *form.BarcodeInfo;
        checksum = d.Checksum_data->text();
        valid = d.isvalid_data->text();
        type = d.Group1->title();
        d.Button1->click();
    });
    form.ToolButton3->trigger();
    EXPECT_EQ(checksum, "-2");
    EXPECT_EQ(valid, "nein");
    EXPECT_EQ(type, "Inhalt");
}

TEST_F(StartTest, MailAndWebAddresses)
{
    TForm1& form = Start();
    form.Emailsenden1->trigger();
    ASSERT_EQ(m_urls.size(), 1);
    EXPECT_EQ(m_urls[0], "mailto:info@tessaline.org?Subject=Tessaline Application 5.13 - 5.13");
    form.URLButton->trigger();
    form.German1->trigger();
    form.QuenbyInternet1->trigger();
    ASSERT_EQ(m_urls.size(), 3);
    EXPECT_NE(m_urls[1], m_urls[2]); // one page for each language
    EXPECT_FALSE(form.InfoDialog->isVisible());
}

} // namespace

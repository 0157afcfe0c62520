// Keeping the user's work: the question before a changed document is
// left, the plain save, a new document, recent documents and dropped
// files; and the preview's place and the layout dialog's millimetres.
#include <QDoubleSpinBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QSpinBox>
#include <QUrl>
#include <fstream>

#include "app/layoutdialog.h"
#include "app_support.h"
#include "platform/profile/profile.h"

namespace {

using WorkTest = AppTest;

std::string ValueIn(const std::string& file, const char* section, const char* key)
{
    return CProfile(file).Get(section, key).value_or("<none>");
}

TEST_F(WorkTest, ChangedDocumentAsksBeforeItIsLeft)
{
    TForm1& form = Start();
    ASSERT_TRUE(form.SaveDocument(QPath("label")));
    EXPECT_FALSE(form.FModified);
    const std::string document = Path("label.bar");

    // Outputs, a resized window and the type list are no changes; unchanged,
    // there is no question.
    form.CopyBMPButtonClick();
    ASSERT_TRUE(form.ExportVector(QPath("label.svg"), false));
    form.ModulePixels();
    form.resize(form.width() + 40, form.height() + 20);
    QApplication::processEvents();
    EXPECT_FALSE(form.FModified);
    EXPECT_TRUE(form.QueryKeepWork());
    EXPECT_TRUE(m_questions.isEmpty());

    struct Case {
        QMessageBox::StandardButton answer;
        bool goesOn;
        const char* savedText;
    };
    const Case cases[] = {
        {QMessageBox::Cancel, false, "123456789012"},  // stays, nothing written
        {QMessageBox::Discard, true, "123456789012"},  // goes on, nothing written
        {QMessageBox::Save, true, "590123412345"},     // written under its name, no dialog
    };
    for (const Case& c : cases) {
        form.Code->setText("590123412345");
        ASSERT_TRUE(form.FModified);
        m_answer = c.answer;
        m_questions.clear();
        EXPECT_EQ(form.QueryKeepWork(), c.goesOn) << c.answer;
        ASSERT_EQ(m_questions.size(), 1);
        EXPECT_TRUE(m_questions[0].contains("label.bar")) << m_questions[0].toStdString();
        EXPECT_EQ(ValueIn(document, "BARCODE", "Text"), c.savedText) << c.answer;
        form.Code->setText("123456789012");
        form.SaveNamed1Click(); // back to the saved state, without a dialog
        EXPECT_FALSE(form.FModified);
    }

    // Closing: Cancel keeps the window open and the settings unwritten.
    form.Code->setText("590123412345");
    m_answer = QMessageBox::Cancel;
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(std::filesystem::exists(Path("config/tessaline/tessalineapp.ini")));
    m_answer = QMessageBox::Discard;
    EXPECT_TRUE(form.close());
    EXPECT_EQ(ValueIn(Path("config/tessaline/tessalineapp.ini"), "BARCODE", "Text"), "590123412345");
}

TEST_F(WorkTest, NewDocumentStartsUnnamedWithTheDefaultBarcode)
{
    TForm1& form = Start();
    form.Barcode1->SetTypeName("Code 39");
    form.Code->setText("ABC");
    ASSERT_TRUE(form.SaveDocument(QPath("old")));
    form.Code->setText("ABCD");
    m_answer = QMessageBox::Discard;
    form.New1Click();
    EXPECT_EQ(m_questions.size(), 1);
    EXPECT_EQ(form.Barcode1->TypeName(), "EAN 13");
    EXPECT_EQ(form.Code->text(), "123456789012");
    EXPECT_FALSE(form.HasDocumentName());
    EXPECT_FALSE(form.FModified);
    EXPECT_EQ(form.windowTitle(), kApplicationTitle);
}

TEST_F(WorkTest, RecentDocumentsNewestFirstAndKeptInTheSettings)
{
    TForm1& form = Start();
    ASSERT_TRUE(form.SaveDocument(QPath("a")));
    ASSERT_TRUE(form.SaveDocument(QPath("b")));
    form.OpenDocument(QPath("a.bar"));
    EXPECT_EQ(form.FRecentFiles, (QStringList{QPath("a.bar"), QPath("b.bar")}));
    const QList<QAction*> items = form.RecentFiles1->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "&1 a.bar");
    EXPECT_EQ(items[1]->text(), "&2 b.bar");

    // A document that is gone: said so, and dropped from the list.
    std::filesystem::remove(Path("b.bar"));
    m_messages.clear();
    items[1]->trigger();
    EXPECT_EQ(m_messages.size(), 1);
    EXPECT_EQ(form.FRecentFiles, (QStringList{QPath("a.bar")}));

    // Kept in the settings file only, and back at the next start.
    EXPECT_EQ(ValueIn(Path("a.bar"), "RECENT", "File1"), "<none>");
    ASSERT_TRUE(form.close());
    m_app.reset();
    TForm1& again = Start();
    QApplication::processEvents();
    EXPECT_EQ(again.FRecentFiles, (QStringList{QPath("a.bar")}));
}

TEST_F(WorkTest, DroppedBarcodeDocumentsOpen)
{
    TForm1& form = Start();
    form.Barcode1->SetTypeName("Code 39");
    form.Code->setText("DROPPED");
    ASSERT_TRUE(form.SaveDocument(QPath("dropped")));
    form.New1Click();
    const struct {
        QString file;
        bool accepted;
    } cases[] = {{QPath("dropped.bar"), true}, {QPath("picture.png"), false}};
    for (const auto& c : cases) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(c.file)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &enter);
        EXPECT_EQ(enter.isAccepted(), c.accepted) << c.file.toStdString();
        if (!c.accepted)
            continue;
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &drop);
        QApplication::processEvents();
        EXPECT_EQ(form.Barcode1->TypeName(), "Code 39");
        EXPECT_EQ(form.Code->text(), "DROPPED");
        EXPECT_EQ(form.FFileName, QPath("dropped.bar"));
    }
}

TEST_F(WorkTest, FixedBarcodeCentredOnRequest)
{
    TForm1& form = Start();
    form.FFixedBitmapSize = true;
    form.FBitmapWidth = 200;
    form.FBitmapHeight = 100;
    form.ApplyLayout();
    EXPECT_EQ(form.Barcode1->pos(), QPoint(0, 0)); // the corner by default
    form.CenterPreview1->trigger();
    const QRect area = form.BarcodeArea->rect();
    // Centred to the pixel (an odd margin leaves one more below or right).
    const QRect place = form.Barcode1->geometry();
    EXPECT_LE(std::abs(place.left() - (area.width() - place.right() - 1)), 1);
    EXPECT_LE(std::abs(place.top() - (area.height() - place.bottom() - 1)), 1);
    EXPECT_EQ(form.Barcode1->size(), QSize(200, 100));
    ASSERT_TRUE(form.close());
    EXPECT_EQ(ValueIn(Path("config/tessaline/tessalineapp.ini"), "VIEW", "Centred"), "1");
}

TEST_F(WorkTest, LayoutDialogConvertsBetweenPixelsAndMillimetres)
{
    TForm1& form = Start();
    WhenShown(form.LayoutDialog, [&] {
        TLayoutDialog& d = *form.LayoutDialog;
        d.RadioCustomClick();
        d.EditDpi->setValue(300);
        d.EditX->setText("600");
        EXPECT_DOUBLE_EQ(d.EditMMX->value(), 50.8);
        d.EditMMY->setValue(25.4); // one inch at 300 dpi
        EXPECT_EQ(d.EditY->text(), "300");
        EXPECT_EQ(d.EditX->text(), "600"); // the other side keeps its pixels
        d.EditDpi->setValue(600);          // the pixels stay, their length halves
        EXPECT_DOUBLE_EQ(d.EditMMX->value(), 25.4);
        d.Button1Click();
    });
    form.Layout1Click();
    EXPECT_TRUE(form.FFixedBitmapSize);
    EXPECT_EQ(form.FBitmapWidth, 600);
    EXPECT_EQ(form.FBitmapHeight, 300);
    EXPECT_TRUE(form.FModified);
}

} // namespace

// What a user of the editor meets first under a window manager: the font
// dialog starts on the current style, German reaches Qt's own dialogs,
// the status is right from the start, every menu key is unique, windows
// stay on the screen, panels keep apart, the type dialog starts in its
// list.
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QInputDialog>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <map>

#include "app/fontchoice.h"
#include "app/placement.h"
#include "app/typeselect.h"
#include "control/interface/qt/pagelang.h"
#include "platform/com/olecontrol.h"
#include "platform/gdi/raster.h"
#include "app_support.h"

namespace {

using WindowTest = AppTest;

TEST_F(WindowTest, FontDialogKeepsTheStyleWhenConfirmedUnchanged)
{
    TForm1& form = Start();
    const struct {
        int style;
        const char* expectedStyleName;
    } cases[] = {
        {0, "Book"},
        {TFont::fsBold, "Bold"},
        {TFont::fsItalic, "Italic"},
        {TFont::fsBold | TFont::fsItalic, "Bold Italic"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchingStyleName("DejaVu Serif", c.style & TFont::fsBold, c.style & TFont::fsItalic),
                  c.expectedStyleName);
        TFont font = form.Barcode1->Font();
        font.Name = "DejaVu Serif";
        font.Size = 14;
        font.Style = c.style;
        form.Barcode1->SetFont(font);
        WhenOpen<QFontDialog>([](QFontDialog* dialog) { dialog->accept(); });
        form.FontButtonClick();
        const TFont after = form.Barcode1->Font();
        EXPECT_EQ(after.Name, "DejaVu Serif") << c.style;
        EXPECT_EQ(after.Size, 14) << c.style;
        EXPECT_EQ(after.Style, c.style) << c.expectedStyleName;
    }
}

// The Cancel button of the text input box, as the command shows it.
QString InputBoxCancelText(TForm1& form)
{
    QString cancel;
    WhenOpen<QInputDialog>([&cancel](QInputDialog* dialog) {
        if (auto* box = dialog->findChild<QDialogButtonBox*>())
            cancel = box->button(QDialogButtonBox::Cancel)->text();
        dialog->reject();
    });
    form.Text1Click();
    return cancel;
}

TEST_F(WindowTest, GermanReachesQtDialogsAndPropertyPagesAndFollowsTheMenu)
{
    setenv("LANG", "de_DE.UTF-8", 1);
    TGetLang::Reset();
    TForm1& form = Start();
    EXPECT_EQ(InputBoxCancelText(form), "Abbrechen");
    EXPECT_EQ(PropertyPageLanguage(), TPageLanguage::German);
    EXPECT_EQ(PageText("General"), "Allgemein");

    form.English1->trigger();
    EXPECT_EQ(InputBoxCancelText(form), "Cancel");
    EXPECT_EQ(PropertyPageLanguage(), TPageLanguage::English);
    EXPECT_EQ(PageText("General"), "General");

    form.German1->trigger();
    EXPECT_EQ(InputBoxCancelText(form), "Abbrechen");
    ResetPropertyPageLanguage();
}

TEST_F(WindowTest, MissingDocumentIsReportedInTheApplicationsWords)
{
    TForm1& form = Start();
    m_messages.clear();
    form.OpenDocument(QPath("missing.bar"));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].startsWith("The file ")) << m_messages[0].toStdString();
    form.German1->trigger();
    form.OpenDocument(QPath("missing.bar"));
    ASSERT_EQ(m_messages.size(), 2);
    EXPECT_TRUE(m_messages[1].startsWith("Die Datei ")) << m_messages[1].toStdString();
}

TEST_F(WindowTest, SizeStateFollowsEachPaint)
{
    TForm1& form = Start();
    // A drawing far too small for the symbol leaves the verdict "does not
    // fit" behind, as the very first one at start can be.
    CRasterDC tiny(8, 8);
    form.Barcode1->Control()->Draw(&tiny, RECT{0, 0, 8, 8});
    ASSERT_FALSE(form.Barcode1->IsSizeOk());
    form.StatusPanels[2]->setText("Resize!");
    form.Barcode1->repaint();
    QApplication::processEvents();
    EXPECT_EQ(form.StatusPanels[2]->text(), "Size OK");
}

// Every menu of the bar and below it, with its title.
void CollectMenus(QMenu* menu, std::vector<QMenu*>& menus)
{
    menus.push_back(menu);
    for (QAction* action : menu->actions())
        if (action->menu())
            CollectMenus(action->menu(), menus);
}

TEST_F(WindowTest, MenuKeysAreUniqueInEachMenuInBothLanguages)
{
    TForm1& form = Start();
    for (QAction* language : {form.English1, form.German1}) {
        language->trigger();
        const QString lang = language->text();
        std::vector<QMenu*> menus;
        std::map<QChar, QString> barKeys;
        for (QAction* title : form.menuBar()->actions()) {
            const QChar key = MenuMnemonic(title->text());
            EXPECT_FALSE(key.isNull()) << title->text().toStdString();
            EXPECT_TRUE(barKeys.emplace(key, title->text()).second)
                << lang.toStdString() << ": " << title->text().toStdString() << " and "
                << barKeys[key].toStdString();
            CollectMenus(title->menu(), menus);
        }
        for (QMenu* menu : menus) {
            std::map<QChar, QString> keys;
            for (QAction* item : menu->actions()) {
                if (item->isSeparator() || !item->isEnabled() || item->text().isEmpty())
                    continue;
                const QChar key = MenuMnemonic(item->text());
                EXPECT_FALSE(key.isNull()) << item->text().toStdString();
                EXPECT_TRUE(keys.emplace(key, item->text()).second)
                    << lang.toStdString() << ", " << menu->title().toStdString() << ": " << item->text().toStdString()
                    << " and " << keys[key].toStdString();
            }
        }
    }
    // In the rotation menu the direction's letter is the key, not the 9.
    form.Rotate1->popup(QPoint(10, 10));
    QApplication::processEvents();
    QTest::keyClick(form.Rotate1, Qt::Key_R);
    EXPECT_EQ(form.Barcode1->Rotate(), 90);
    form.Rotate1->popup(QPoint(10, 10));
    QApplication::processEvents();
    QTest::keyClick(form.Rotate1, Qt::Key_L);
    EXPECT_EQ(form.Barcode1->Rotate(), 0);
}

TEST_F(WindowTest, WindowsStayOnTheScreen)
{
    TForm1& form = Start();
    const QRect available = AvailableArea(&form);
    ASSERT_FALSE(available.isEmpty());

    // A size saved at twice the scale of this screen.
    form.FitWindowToBarcode(2556, 1740);
    EXPECT_TRUE(available.contains(form.frameGeometry())) << form.frameGeometry().width() << "x"
                                                          << form.frameGeometry().height();

    const struct {
        QRect frame;
        QRect expected;
    } clamps[] = {
        {{100, 100, 300, 200}, {100, 100, 300, 200}},  // inside: unchanged
        {{-50, -30, 300, 200}, {0, 0, 300, 200}},      // title bar above the screen
        {{700, 500, 300, 200}, {500, 400, 300, 200}},  // off the bottom right
        {{10, 10, 2556, 1740}, {0, 0, 800, 600}},      // larger than the screen
    };
    for (const auto& c : clamps)
        EXPECT_EQ(ClampToArea(c.frame, QRect(0, 0, 800, 600)), c.expected) << c.frame.x() << "," << c.frame.y();

    // Dialogs open centred on the window, never at the screen's corner.
    form.FitWindowToBarcode(500, 380);
    form.move(available.topLeft() + QPoint(60, 40));
    QApplication::processEvents();
    QRect dialogFrame;
    WhenShown(form.TypeSelect, [&] {
        dialogFrame = form.TypeSelect->frameGeometry();
        form.TypeSelect->CancelClick();
    });
    form.MenuType1Click();
    EXPECT_LE((dialogFrame.center() - form.frameGeometry().center()).manhattanLength(), 4)
        << dialogFrame.x() << "," << dialogFrame.y() << " " << dialogFrame.width() << "x" << dialogFrame.height() << " in "
        << form.frameGeometry().x() << "," << form.frameGeometry().y() << " " << form.frameGeometry().width() << "x"
        << form.frameGeometry().height();
    EXPECT_TRUE(available.contains(dialogFrame.topLeft()));
}

TEST_F(WindowTest, StatusPanelsKeepApartInANarrowWindow)
{
    TForm1& form = Start();
    form.German1->trigger();
    form.Barcode1->SetTypeName("EAN/UCC 128 AI");
    form.Code->setText("not a valid AI text");
    for (int width : {662, 420, 300, 200}) {
        form.resize(width, form.height());
        QApplication::processEvents();
        for (size_t i = 0; i < form.StatusPanels.size(); ++i) {
            const TStatusPanel* panel = form.StatusPanels[i];
            if (panel->isVisible()) {
                EXPECT_LE(panel->fontMetrics().horizontalAdvance(panel->ShownText()),
                          std::max(0, panel->contentsRect().width()))
                    << width << " panel " << i;
            }
            for (size_t j = i + 1; j < form.StatusPanels.size(); ++j) {
                if (panel->isVisible() && form.StatusPanels[j]->isVisible() && form.StatusPanels[j]->width() > 0) {
                    EXPECT_FALSE(panel->geometry().intersects(form.StatusPanels[j]->geometry()))
                        << width << " panels " << i << " and " << j;
                }
            }
        }
    }
}

TEST_F(WindowTest, TypeDialogStartsInItsListEachTime)
{
    TForm1& form = Start();
    for (int opening = 0; opening < 2; ++opening) {
        QString current;
        bool visibleAfterSpace = false;
        QWidget* focus = nullptr;
        WhenShown(form.TypeSelect, [&] {
            // The dialog's focus (the window itself may be inactive on a
            // display without a window manager).
            focus = form.TypeSelect->focusWidget();
            QTest::keyClicks(form.TypeSelect->ListBox1, "Code 9");
            current = form.TypeSelect->ListBox1->currentItem()->text();
            QTest::keyClick(form.TypeSelect->focusWidget(), Qt::Key_Space);
            visibleAfterSpace = form.TypeSelect->isVisible();
            form.TypeSelect->OkClick();
        });
        form.MenuType1Click();
        EXPECT_EQ(focus, form.TypeSelect->ListBox1) << opening;
        EXPECT_TRUE(current.startsWith("Code 9")) << current.toStdString();
        EXPECT_TRUE(visibleAfterSpace) << opening;
        EXPECT_TRUE(form.Barcode1->TypeName().startsWith("Code 9"));
    }
}

} // namespace

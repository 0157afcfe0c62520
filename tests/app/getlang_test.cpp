// The language: German for "de" locales, English otherwise, switched from
// the menu with every caption, hint and status text.
#include <QClipboard>
#include <QComboBox>
#include <QTest>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include "app_support.h"

namespace {

using LanguageTest = AppTest;

TEST_F(LanguageTest, ChosenFromTheFirstLocaleVariableThatIsSet)
{
    struct Case {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        bool german;
    };
    const Case cases[] = {
        {nullptr, nullptr, "de_DE.UTF-8", true},
        {nullptr, nullptr, "de_AT", true},
        {nullptr, nullptr, "de", true},
        {nullptr, nullptr, "en_US.UTF-8", false},
        {nullptr, nullptr, "C", false},
        {nullptr, nullptr, "fr_FR.UTF-8", false},
        {nullptr, nullptr, nullptr, false},
        {nullptr, "de_CH.UTF-8", "en_GB.UTF-8", true},
        {"en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8", false},
        {"de_DE.UTF-8", nullptr, "en_US.UTF-8", true},
        {"", nullptr, "de_DE.UTF-8", true}, // an empty variable is not set
    };
    for (const Case& c : cases) {
        const auto set = [](const char* name, const char* value) {
            value ? setenv(name, value, 1) : unsetenv(name);
        };
        set("LC_ALL", c.lcAll);
        set("LC_MESSAGES", c.lcMessages);
        set("LANG", c.lang);
        TGetLang::Reset();
        EXPECT_EQ(TGetLang::GetDeutsch(), c.german) << (c.lang ? c.lang : "(none)");
        EXPECT_EQ(TGetLang::GetEnglish(), !c.german);
        EXPECT_EQ(TGetLang::GetLangText("Cancel", "Abbrechen"), c.german ? "Abbrechen" : "Cancel");
    }
}

TEST_F(LanguageTest, DeterminedOncePerProcess)
{
    setenv("LANG", "de_DE.UTF-8", 1);
    TGetLang::Reset();
    EXPECT_TRUE(TGetLang::GetDeutsch());
    setenv("LANG", "en_US.UTF-8", 1);
    EXPECT_TRUE(TGetLang::GetDeutsch()); // the environment is read once
    TGetLang::SetEnglisch();
    EXPECT_TRUE(TGetLang::GetEnglish());
}

TEST_F(LanguageTest, GermanLocaleStartsInGerman)
{
    setenv("LANG", "de_DE.UTF-8", 1);
    TGetLang::Reset();
    TForm1& form = Start();
    EXPECT_EQ(form.Open1->text(), QString::fromUtf8("&Öffnen..."));
    EXPECT_EQ(form.AboutQuenby1->text(), QString::fromUtf8("&Über Tessaline..."));
    EXPECT_EQ(form.Layout1->text(), QString::fromUtf8("&Layout && Größe..."));
    EXPECT_EQ(form.MenuRotateRechts->text(), QString::fromUtf8("&90° nach &rechts"));
    EXPECT_EQ(form.OpenButton->toolTip(), QString::fromUtf8("Öffnen einer Barcodedatei"));
    EXPECT_EQ(form.BarcodeList->toolTip(), QString::fromUtf8("Wählen Sie hier den Barcodetyp"));
    EXPECT_EQ(form.LayoutButton->toolTip(), QString::fromUtf8("Ränder und Notch verändern"));
    EXPECT_EQ(form.DemotextButton->toolTip(),
              QString::fromUtf8("Setzt einen gültigen Text für den gewählten Barcode"));
    EXPECT_EQ(form.StatusPanels[3]->text(), QString::fromUtf8("Prüfsumme: 8"));
    // Neither language item is ticked until it is chosen.
    EXPECT_FALSE(form.German1->isChecked());
    EXPECT_FALSE(form.English1->isChecked());
}

TEST_F(LanguageTest, MenuSwitchesCaptionsHintsAndStatus)
{
    TForm1& form = Start();
    EXPECT_EQ(form.Open1->text(), "&Open...");
    EXPECT_EQ(form.StatusPanels[3]->text(), "Check digit: 8");
    form.Code->setText("12345");
    EXPECT_EQ(form.StatusPanels[4]->text(), "EAN 13 [Invalid text]");

    form.German1->trigger();
    EXPECT_TRUE(form.German1->isChecked());
    EXPECT_FALSE(form.English1->isChecked());
    EXPECT_EQ(form.Open1->text(), QString::fromUtf8("&Öffnen..."));
    EXPECT_EQ(form.File1->title(), "&Datei");
    EXPECT_EQ(form.OpenButton->toolTip(), QString::fromUtf8("Öffnen einer Barcodedatei"));
    EXPECT_EQ(form.StatusPanels[4]->text(), QString::fromUtf8("EAN 13 [Ungültiger Text]"));
    EXPECT_EQ(form.StatusPanels[3]->text(), QString::fromUtf8("Ungültiger Code"));

    form.English1->trigger();
    EXPECT_TRUE(form.English1->isChecked());
    EXPECT_FALSE(form.German1->isChecked());
    EXPECT_EQ(form.Open1->text(), "&Open...");
    EXPECT_EQ(form.OpenButton->toolTip(), "Open a barcode file");
    EXPECT_EQ(form.StatusPanels[4]->text(), "EAN 13 [Invalid text]");
    EXPECT_EQ(form.StatusPanels[3]->text(), "Invalid code");
}

TEST_F(LanguageTest, MenuShortcutsReachTheMenuFromTheTextEdit)
{
    TForm1& form = Start();
    QApplication::setActiveWindow(&form);
    form.Code->setFocus();
    QTest::keyClick(form.Code, Qt::Key_D, Qt::ControlModifier);
    EXPECT_TRUE(form.German1->isChecked());
    EXPECT_EQ(form.Open1->text(), QString::fromUtf8("&Öffnen..."));
    QTest::keyClick(form.Code, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(form.English1->isChecked());
    EXPECT_EQ(form.Code->text(), "123456789012"); // the edit kept its text

    // Ctrl+C copies a selected part of the text as text.
    form.Code->setSelection(0, 4);
    QTest::keyClick(form.Code, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "1234");
}

} // namespace

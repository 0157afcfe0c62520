// Barcode documents and the settings file: the 22 keys, their defaults,
// number forms, and saves that cannot be written.
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/resource.h>

#include "app_support.h"
#include "platform/profile/profile.h"

namespace {

using DocumentTest = AppTest;

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

TEST_F(DocumentTest, RoundTripRestoresEverything)
{
    TForm1& form = Start();
    TBarcode& b = *form.Barcode1;
    b.SetTypeName("Code 128");
    form.Code->setText(QString::fromUtf8("Grüße 42"));
    form.N90degrees1->trigger();
    b.SetNotchHeightInPercent(40);
    b.SetBorderwidth(7);
    b.SetBorderheight(9);
    b.SetForeColor(0x00336699);
    b.SetBackColor(0x00EEFFCC);
    TFont font = b.Font();
    font.Name = "DejaVu Sans";
    font.Size = 14;
    font.Style = TFont::fsItalic | TFont::fsUnderline;
    b.SetFont(font);
    form.FFixedBitmapSize = true;
    form.FBitmapWidth = 300;
    form.FBitmapHeight = 120;
    ASSERT_TRUE(form.SaveDocument(QPath("round")));
    const std::string path = Path("round.bar");

    // Every key, in the order written.
    std::vector<std::string> keys;
    std::istringstream lines(ReadFile(path));
    std::string section;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with('['))
            section = line;
        else if (auto eq = line.find('='); eq != std::string::npos)
            keys.push_back(section + line.substr(0, eq));
    }
    const std::vector<std::string> expected = {
        "[BARCODE]Text", "[BARCODE]Type", "[BARCODE]ShowText", "[BARCODE]Rotate", "[BARCODE]NotchHeight",
        "[BARCODE]BorderHeight", "[BARCODE]BorderWidth", "[COLOR]Fore", "[COLOR]Back", "[FONT]Charset",
        "[FONT]Color", "[FONT]Height", "[FONT]Pitch", "[FONT]Size", "[FONT]Style", "[FONT]Name",
        "[SIZE]Height", "[SIZE]Width", "[SIZE]BitmapHeight", "[SIZE]BitmapWidth", "[SIZE]FixedBitmapSize",
        "[MISC]FirstRun"};
    EXPECT_EQ(keys, expected);
    const CProfile written(path);
    EXPECT_EQ(written.GetString("BARCODE", "Type", ""), "Code 128");
    EXPECT_EQ(written.GetString("BARCODE", "Text", ""), "Grüße 42");
    EXPECT_EQ(written.GetString("FONT", "Height", ""), "-19"); // 14 points at 96 dpi
    EXPECT_EQ(written.GetString("FONT", "Style", ""), "6");
    EXPECT_EQ(written.GetString("MISC", "FirstRun", ""), "0");

    // Change everything, then open the document again.
    b.SetTypeName("EAN 8");
    form.Code->setText("1234567");
    form.N0degrees1->trigger();
    b.SetNotchHeightInPercent(10);
    b.SetBorderwidth(1);
    b.SetBorderheight(2);
    b.SetForeColor(0);
    b.SetBackColor(0xFFFFFF);
    b.SetFont(TFont());
    form.FFixedBitmapSize = false;
    form.FBitmapWidth = 10;
    form.FBitmapHeight = 10;
    form.OpenDocument(QString::fromStdString(path));

    EXPECT_EQ(b.TypeName(), "Code 128");
    EXPECT_EQ(b.Text(), QString::fromUtf8("Grüße 42"));
    EXPECT_EQ(form.Code->text(), QString::fromUtf8("Grüße 42"));
    EXPECT_EQ(b.Rotate(), 90);
    EXPECT_TRUE(form.N90degrees1->isChecked());
    EXPECT_EQ(b.NotchHeightInPercent(), 40);
    EXPECT_EQ(b.Borderwidth(), 7);
    EXPECT_EQ(b.Borderheight(), 9);
    EXPECT_EQ(b.ForeColor(), 0x00336699u);
    EXPECT_EQ(b.BackColor(), 0x00EEFFCCu);
    const TFont loaded = b.Font();
    EXPECT_EQ(loaded.Name, "DejaVu Sans");
    EXPECT_EQ(loaded.Size, 14);
    EXPECT_EQ(loaded.Style, TFont::fsItalic | TFont::fsUnderline);
    EXPECT_TRUE(form.FFixedBitmapSize);
    EXPECT_EQ(form.FBitmapWidth, 300);
    EXPECT_EQ(form.FBitmapHeight, 120);
    EXPECT_EQ(b.size(), QSize(300, 120));
    EXPECT_EQ(form.FFileName, QString::fromStdString(path));
    EXPECT_TRUE(m_messages.size() == 1); // only the first-run message of the start
}

TEST_F(DocumentTest, HandWrittenDocumentWithTextAndType)
{
    TForm1& form = Start();
    TBarcode& b = *form.Barcode1;
    form.N180degrees1->trigger();
    b.SetNotchHeightInPercent(60);
    b.SetBorderwidth(11);
    b.SetBorderheight(12);
    b.SetForeColor(0x00112233);
    TFont font = b.Font();
    font.Size = 12;
    b.SetFont(font);
    const QSize size = b.size();
    WriteFile(Path("hand.bar"), "; written by hand\n[barcode]\ntext=CODE-39\nTYPE=Code 39\n");
    form.OpenDocument(QPath("hand.bar"));
    EXPECT_EQ(b.TypeName(), "Code 39");
    EXPECT_EQ(b.Text(), "CODE-39");
    EXPECT_EQ(b.Rotate(), 0);
    EXPECT_EQ(b.NotchHeightInPercent(), 0);
    EXPECT_EQ(b.Borderwidth(), 11);
    EXPECT_EQ(b.Borderheight(), 12);
    EXPECT_EQ(b.ForeColor(), 0x00112233u);
    EXPECT_EQ(b.Font().Size, 12);
    EXPECT_EQ(b.size(), size);
}

TEST_F(DocumentTest, NumberForms)
{
    TForm1& form = Start();
    TBarcode& b = *form.Barcode1;
    b.SetBorderwidth(6);
    b.SetBorderheight(5);
    WriteFile(Path("numbers.bar"), "[BARCODE]\nRotate=0x5A\nNotchHeight=$1E\nBorderWidth=989799\nBorderHeight=0X8\n"
                                   "[COLOR]\nFore=$FF\nBack=-1x\n");
    const uint32_t back = b.BackColor();
    form.OpenDocument(QPath("numbers.bar"));
    EXPECT_EQ(b.Rotate(), 90);
    EXPECT_EQ(b.NotchHeightInPercent(), 30);
    EXPECT_EQ(b.Borderwidth(), 6); // 989799 keeps the control's value
    EXPECT_EQ(b.Borderheight(), 8);
    EXPECT_EQ(b.ForeColor(), 0xFFu);
    EXPECT_EQ(b.BackColor(), back); // not a number: the default
}

TEST_F(DocumentTest, WindowSizedToTheDocumentsBarcodeArea)
{
    TForm1& form = Start();
    WriteFile(Path("size.bar"), "[SIZE]\nFixedBitmapSize=0\nWidth=500\nHeight=200\n");
    form.OpenDocument(QPath("size.bar"));
    EXPECT_EQ(form.Barcode1->size(), QSize(500, 200));
    EXPECT_EQ(form.StatusPanels[0]->text(), "500 x 200");
    WriteFile(Path("size2.bar"), "[SIZE]\nFixedBitmapSize=0\nWidth=720\nHeight=260\n");
    form.OpenDocument(QPath("size2.bar"));
    EXPECT_EQ(form.Barcode1->size(), QSize(720, 260));
}

TEST_F(DocumentTest, MissingFileIsReported)
{
    TForm1& form = Start();
    m_messages.clear();
    m_captions.clear();
    const QString text = form.Barcode1->Text();
    form.OpenDocument(QPath("absent.bar"));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains("absent.bar"));
    EXPECT_EQ(m_captions[0], "Error");
    EXPECT_EQ(form.Barcode1->Text(), text);
}

TEST_F(DocumentTest, SettingsFileAndFirstRun)
{
    TForm1& form = Start();
    // No settings yet: defaults, and the first-run message.
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains("\"Tessaline Package\""));
    EXPECT_EQ(form.FFileName, "noname.bar");
    EXPECT_EQ(form.Barcode1->NotchHeightInPercent(), 0);
    EXPECT_FALSE(form.FFixedBitmapSize);
    EXPECT_EQ(form.FBitmapWidth, 640);
    EXPECT_EQ(form.FBitmapHeight, 450);
    form.Code->setText("590123412345");
    form.close(); // writes the settings file
    const std::string settings = (m_dir / "config/tessaline/tessalineapp.ini").string();
    EXPECT_EQ(CProfile(settings).GetString("BARCODE", "Text", ""), "590123412345");
    EXPECT_EQ(CProfile(settings).GetString("MISC", "FirstRun", ""), "0");

    m_app.reset();
    m_messages.clear();
    TForm1& again = Start();
    EXPECT_EQ(again.Barcode1->Text(), "590123412345");
    EXPECT_TRUE(m_messages.isEmpty()); // no second first-run message
}

TEST_F(DocumentTest, SaveThatCannotBeWrittenKeepsTheOldFile)
{
    TForm1& form = Start();
    ASSERT_TRUE(form.SaveDocument(QPath("first.bar")));
    ASSERT_TRUE(form.SaveDocument(QPath("second.bar")));
    const std::string old = ReadFile(Path("first.bar"));
    form.Code->setText("590123412345");
    m_messages.clear();

    // Files may not grow past 64 bytes: the document cannot be written,
    // whatever the rights of the user running the test.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool written = form.SaveSettings(QPath("first.bar"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(Path("first.bar")), old);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains("first.bar"));
    EXPECT_EQ(form.FFileName, QPath("second.bar"));
    int leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir))
        leftovers += entry.path().filename().string().starts_with("first.bar.");
    EXPECT_EQ(leftovers, 0);
}

} // namespace

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/profile/profile.h"

namespace fs = std::filesystem;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("tessaline-profile-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& text)
    {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path m_dir;
};

TEST_F(ProfileTest, ReadsWithTheWindowsRules)
{
    const std::string path = Write("a.ini", "; comment\n"
                                            "[Barcode]\n"
                                            "  Type = 5  \n"
                                            "Text=\"  quoted  \"\n"
                                            "type=7\n"
                                            "Single='x'\n"
                                            "Half=\"open\n"
                                            "Empty=\n"
                                            "[barcode]\n"
                                            "Other=1\n"
                                            "[ Spaced ]\n"
                                            "Key=v\n");
    const CProfile p(path);
    ASSERT_TRUE(p.IsLoaded());
    struct Case {
        const char* section;
        const char* key;
        const char* expected; // nullptr: absent
    };
    const Case cases[] = {
        {"BARCODE", "TYPE", "5"},          // case-insensitive, trimmed, first match wins
        {"Barcode", "Text", "  quoted  "}, // quotes removed, inner blanks kept
        {"Barcode", "Single", "x"},
        {"Barcode", "Half", "\"open"},     // an unmatched quote stays
        {"Barcode", "Empty", ""},
        {"barcode", "Other", nullptr},     // only the first section of a name counts
        {"Spaced", "Key", "v"},
        {"Missing", "Key", nullptr},
        {"Barcode", "comment", nullptr},
    };
    for (const auto& c : cases) {
        const auto v = p.Get(c.section, c.key);
        if (c.expected) {
            ASSERT_TRUE(v.has_value()) << c.section << "/" << c.key;
            EXPECT_EQ(*v, c.expected) << c.section << "/" << c.key;
        } else {
            EXPECT_FALSE(v.has_value()) << c.section << "/" << c.key;
        }
    }
    EXPECT_EQ(p.GetString("Missing", "Key", "dflt"), "dflt");
    EXPECT_EQ(p.Keys("barcode"), (std::vector<std::string>{"Type", "Text", "Single", "Half", "Empty"}));
    EXPECT_EQ(p.Sections(), (std::vector<std::string>{"Barcode", "Spaced"}));
}

TEST_F(ProfileTest, IntegersReadLikeThePlatform)
{
    const std::string path = Write("i.ini", "[s]\na=42\nb=-17\nc=12abc\nd=abc\ne=\nf= +8 \n");
    const CProfile p(path);
    const std::pair<const char*, int32_t> cases[] = {{"a", 42}, {"b", -17}, {"c", 12}, {"d", 0},
                                                     {"e", 0},  {"f", 8},   {"zz", 99}};
    for (const auto& [key, expected] : cases)
        EXPECT_EQ(p.GetInt("s", key, 99), expected) << key;
}

TEST_F(ProfileTest, WritingKeepsEveryOtherLine)
{
    const std::string original = "; settings\r\n"
                                 "[Layout]\r\n"
                                 "Width=250\r\n"
                                 "\r\n"
                                 "[Colors]\r\n"
                                 "; fore and back\r\n"
                                 "Fore=0\r\n";
    const std::string path = Write("w.ini", original);
    CProfile p(path);
    p.Set("LAYOUT", "width", "300");    // replaced in place
    p.Set("Layout", "Height", "150");   // appended after the section's last key
    p.Set("New", "Key", "v");           // new section at the end
    p.Set("Colors", "Back", "line1\nline2"); // a line break never splits the entry
    ASSERT_TRUE(p.Save());
    EXPECT_EQ(Read(path), "; settings\r\n"
                          "[Layout]\r\n"
                          "width=300\r\n"
                          "Height=150\r\n"
                          "\r\n"
                          "[Colors]\r\n"
                          "; fore and back\r\n"
                          "Fore=0\r\n"
                          "Back=line1 line2\r\n"
                          "[New]\r\n"
                          "Key=v\r\n");

    EXPECT_TRUE(p.Delete("colors", "FORE"));
    EXPECT_FALSE(p.Delete("colors", "FORE"));
    EXPECT_TRUE(p.DeleteSection("layout"));
    ASSERT_TRUE(p.Save());
    EXPECT_EQ(Read(path), "; settings\r\n[Colors]\r\n; fore and back\r\nBack=line1 line2\r\n[New]\r\nKey=v\r\n");
}

TEST_F(ProfileTest, ValuesAreCutAt2047Bytes)
{
    CProfile p((m_dir / "long.ini").string());
    p.Set("s", "ascii", std::string(3000, 'x'));
    // 2046 ASCII bytes and a two-byte character across the limit.
    p.Set("s", "utf8", std::string(2046, 'y') + "\xC3\xA9" + "z");
    ASSERT_TRUE(p.Save());
    const CProfile again((m_dir / "long.ini").string());
    EXPECT_EQ(again.Get("s", "ascii")->size(), kProfileMaxString);
    EXPECT_EQ(*again.Get("s", "utf8"), std::string(2046, 'y')); // never half a character
}

TEST_F(ProfileTest, SaveIsAtomicAndCreatesDirectories)
{
    const std::string path = (m_dir / "deep/er/file.ini").string();
    CProfile p(path);
    EXPECT_FALSE(p.IsLoaded());
    p.Set("a", "b", "c");
    ASSERT_TRUE(p.Save());
    EXPECT_EQ(Read(path), "[a]\nb=c\n");
    // Nothing but the file remains: the temporary file was renamed.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir / "deep/er"), fs::directory_iterator()), 1);

    // A save that cannot happen (the directory is a file) fails and leaves
    // no trace.
    const std::string blocked = Write("blocker", "x") + "/sub.ini";
    CProfile q(blocked);
    q.Set("a", "b", "c");
    EXPECT_FALSE(q.Save());
    EXPECT_EQ(Read((m_dir / "blocker").string()), "x");
}

TEST_F(ProfileTest, FailedSaveKeepsThePreviousFile)
{
    const std::string path = Write("keep.ini", "[a]\nb=old\n");
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    CProfile p(path);
    p.Set("a", "b", "new");
    const bool saved = p.Save(); // true only when running with privileges that ignore modes
    fs::permissions(m_dir, fs::perms::owner_all);
    if (!saved) {
        EXPECT_EQ(Read(path), "[a]\nb=old\n");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(ProfileTest, SaveKeepsLinksAndMode)
{
    // A settings file kept elsewhere and linked into place, and a private
    // document with a second name: both stay as the user arranged them.
    const std::string real = Write("real.ini", "[a]\nb=old\n");
    fs::create_symlink("real.ini", m_dir / "link.ini");
    const std::string priv = Write("private.ini", "[a]\nb=old\n");
    fs::permissions(priv, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_hard_link(priv, m_dir / "alias.ini");
    for (const char* name : {"link.ini", "alias.ini"}) {
        CProfile p((m_dir / name).string());
        p.Set("a", "b", "new");
        EXPECT_TRUE(p.Save()) << name;
    }
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.ini"));
    EXPECT_EQ(Read(real), "[a]\nb=new\n");
    EXPECT_EQ(Read(priv), "[a]\nb=new\n");
    EXPECT_EQ(fs::hard_link_count(priv), 2u);
    EXPECT_EQ(fs::status(priv).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ProfileTest, BareNamesLiveInTheConfigurationDirectory)
{
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", m_dir.c_str(), 1);
    EXPECT_EQ(CProfile::ResolvePath("tessalineapp.ini"), m_dir.string() + "/tessaline/tessalineapp.ini");
    EXPECT_EQ(CProfile::ResolvePath("./here.ini"), "./here.ini");
    EXPECT_EQ(CProfile::ResolvePath("/abs/x.ini"), "/abs/x.ini");

    ASSERT_TRUE(WritePrivateProfileString("Settings", "Lang", "de", "tessalineapp.ini"));
    EXPECT_EQ(GetPrivateProfileString("settings", "lang", "en", "tessalineapp.ini"), "de");
    ASSERT_TRUE(WritePrivateProfileString("Settings", "Lang", nullptr, "tessalineapp.ini"));
    EXPECT_EQ(GetPrivateProfileString("Settings", "Lang", "en", "tessalineapp.ini"), "en");
    ASSERT_TRUE(WritePrivateProfileString("Settings", "Size", "7", "tessalineapp.ini"));
    EXPECT_EQ(GetPrivateProfileInt("Settings", "Size", 0, "tessalineapp.ini"), 7);
    ASSERT_TRUE(WritePrivateProfileString("Settings", nullptr, nullptr, "tessalineapp.ini"));
    EXPECT_FALSE(CProfile("tessalineapp.ini").HasSection("Settings"));
    EXPECT_TRUE(fs::exists(m_dir / "tessaline/tessalineapp.ini"));

    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

} // namespace

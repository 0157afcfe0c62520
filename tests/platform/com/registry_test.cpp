#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <zlib.h>

#include "platform/com/registry.h"
#include "platform/profile/profile.h"

namespace fs = std::filesystem;

namespace {

const CLSID kClass = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("tessaline-registry-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        m_path = (m_dir / "sub/registry.ini").string();
        setenv("TESSALINE_REGISTRY", m_path.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("TESSALINE_REGISTRY");
        fs::remove_all(m_dir);
    }
    ClassRegistration Registration(const std::string& library) const
    {
        ClassRegistration reg;
        reg.clsid = kClass;
        reg.progId = "Probe.Object.1";
        reg.userType = "Probe";
        reg.library = library;
        reg.insertable = true;
        reg.miscStatus = 0x20191;
        return reg;
    }

    fs::path m_dir;
    std::string m_path;
};

TEST_F(RegistryTest, PathFollowsTheEnvironment)
{
    const char* home = std::getenv("HOME");
    const char* data = std::getenv("XDG_DATA_HOME");
    const std::string savedHome = home ? home : "", savedData = data ? data : "";
    EXPECT_EQ(GetRegistryPath(), m_path);
    unsetenv("TESSALINE_REGISTRY");
    setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(GetRegistryPath(), "/data/home/tessaline/registry.ini");
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(GetRegistryPath(), "/home/someone/.local/share/tessaline/registry.ini");
    setenv("HOME", savedHome.c_str(), 1);
    if (data)
        setenv("XDG_DATA_HOME", savedData.c_str(), 1);
}

TEST_F(RegistryTest, RegistersLooksUpAndUnregisters)
{
    ASSERT_EQ(RegisterClassObject(Registration("/opt/probe/libprobe.so")), S_OK);
    const CProfile file(m_path);
    EXPECT_EQ(file.GetString("CLSID\\{11111111-2222-3333-4444-555555555555}", "ThreadingModel", ""), "Apartment");
    EXPECT_EQ(file.GetString("CLSID\\{11111111-2222-3333-4444-555555555555}", "MiscStatus", ""), "131473");

    CLSID found{};
    EXPECT_EQ(CLSIDFromProgID("probe.object.1", found), S_OK); // program ids ignore case
    EXPECT_EQ(found, kClass);
    EXPECT_EQ(GetInprocServer(kClass), "/opt/probe/libprobe.so");

    // Registering again replaces the entry instead of adding one.
    ASSERT_EQ(RegisterClassObject(Registration("/opt/probe/libprobe2.so")), S_OK);
    EXPECT_EQ(GetInprocServer(kClass), "/opt/probe/libprobe2.so");

    ASSERT_EQ(UnregisterClassObject(kClass), S_OK);
    EXPECT_EQ(CLSIDFromProgID("Probe.Object.1", found), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(GetInprocServer(kClass), "");
    EXPECT_EQ(UnregisterClassObject(kClass), S_OK); // nothing left to remove

    const GUID lib = kClass;
    ASSERT_EQ(RegisterTypeLibrary({lib, "ProbeLib", 1, 0, "/opt/probe/libprobe.so"}), S_OK);
    EXPECT_EQ(CProfile(m_path).GetString("TypeLib\\" + StringFromGUID(lib), "Version", ""), "1.0");
    ASSERT_EQ(UnregisterTypeLibrary(lib), S_OK);
    EXPECT_FALSE(CProfile(m_path).HasSection("TypeLib\\" + StringFromGUID(lib)));
}

TEST_F(RegistryTest, CreationFailsWithAClearReason)
{
    struct Case {
        const char* what;
        std::string library; // "" : not registered at all
        HRESULT status;
        const char* words;
    };
    const std::string zlib = ModulePath(reinterpret_cast<const void*>(&zlibVersion));
    ASSERT_FALSE(zlib.empty());
    const Case cases[] = {
        {"not registered", "", REGDB_E_CLASSNOTREG, "not registered"},
        {"library missing", (m_dir / "gone.so").string(), CO_E_DLLNOTFOUND, "cannot be loaded"},
        {"no entry point", zlib, CO_E_ERRORINDLL, "no DllGetClassObject"},
    };
    for (const auto& c : cases) {
        UnregisterClassObject(kClass);
        if (!c.library.empty()) {
            ASSERT_EQ(RegisterClassObject(Registration(c.library)), S_OK);
        }
        std::shared_ptr<IUnknown> object;
        std::string why;
        EXPECT_EQ(CoCreateInstance("Probe.Object.1", object, &why), c.status) << c.what;
        EXPECT_EQ(object, nullptr) << c.what;
        EXPECT_NE(why.find(c.words), std::string::npos) << c.what << ": " << why;
    }
}

TEST_F(RegistryTest, AnUnwritableRegistryFails)
{
    fs::create_directories(m_dir);
    const std::string blocker = (m_dir / "file").string();
    { CProfile p(blocker); p.Set("x", "y", "z"); ASSERT_TRUE(p.Save()); }
    setenv("TESSALINE_REGISTRY", (blocker + "/registry.ini").c_str(), 1);
    EXPECT_EQ(RegisterClassObject(Registration("/x.so")), E_FAIL);
}

// Saves and restores the variables the registry chain follows.
class RegistryEnvironment {
public:
    RegistryEnvironment()
    {
        for (const char* name : kNames)
            if (const char* value = std::getenv(name))
                m_saved.emplace_back(name, value);
    }
    ~RegistryEnvironment()
    {
        for (const char* name : kNames)
            unsetenv(name);
        for (const auto& [name, value] : m_saved)
            setenv(name.c_str(), value.c_str(), 1);
    }
    static void Set(const char* name, const char* value)
    {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }

private:
    static constexpr const char* kNames[] = {"TESSALINE_REGISTRY", "XDG_DATA_HOME", "XDG_DATA_DIRS", "HOME"};
    std::vector<std::pair<std::string, std::string>> m_saved;
};

TEST_F(RegistryTest, SearchPathFollowsTheEnvironment)
{
    struct Case {
        const char* registry;
        const char* dataHome;
        const char* dataDirs;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr,
         {"/home/u/.local/share/tessaline/registry.ini", "/usr/local/share/tessaline/registry.ini",
          "/usr/share/tessaline/registry.ini"}},
        {"/r/reg.ini", "/dh", "/a:/b/",
         {"/r/reg.ini", "/dh/tessaline/registry.ini", "/a/tessaline/registry.ini", "/b/tessaline/registry.ini"}},
        {"reg.ini", "", "", // empty means unset
         {"./reg.ini", "/home/u/.local/share/tessaline/registry.ini", "/usr/local/share/tessaline/registry.ini",
          "/usr/share/tessaline/registry.ini"}},
        {nullptr, "/dh", "relative:/s::/s", // relative entries ignored, duplicates once
         {"/dh/tessaline/registry.ini", "/s/tessaline/registry.ini"}},
        {"/dh/tessaline/registry.ini", "/dh", "/s", {"/dh/tessaline/registry.ini", "/s/tessaline/registry.ini"}},
    };
    RegistryEnvironment saved;
    for (const auto& c : cases) {
        RegistryEnvironment::Set("HOME", "/home/u");
        RegistryEnvironment::Set("TESSALINE_REGISTRY", c.registry);
        RegistryEnvironment::Set("XDG_DATA_HOME", c.dataHome);
        RegistryEnvironment::Set("XDG_DATA_DIRS", c.dataDirs);
        EXPECT_EQ(GetRegistrySearchPath(), c.files) << (c.registry ? c.registry : "-") << " "
                                                     << (c.dataDirs ? c.dataDirs : "-");
        EXPECT_EQ(GetRegistryPath(), c.files.front());
    }
}

TEST_F(RegistryTest, LookUpTakesTheFirstEntryFound)
{
    // Four registries, each with its own library for the class (or none);
    // the look-up takes the first that names it.
    const std::string explicitFile = (m_dir / "explicit.ini").string();
    const std::string user = (m_dir / "home").string();
    const std::string system1 = (m_dir / "sys1").string(), system2 = (m_dir / "sys2").string();
    struct Case {
        std::vector<const char*> holders; // which registries hold the class: e, u, 1, 2
        const char* library;             // the library found ("" none)
    };
    const Case cases[] = {
        {{"e", "u", "1", "2"}, "e"}, {{"u", "1", "2"}, "u"}, {{"1", "2"}, "1"},
        {{"2"}, "2"},                {{"e", "2"}, "e"},      {{}, ""},
    };
    RegistryEnvironment saved;
    setenv("XDG_DATA_HOME", user.c_str(), 1);
    setenv("XDG_DATA_DIRS", (system1 + ":" + system2).c_str(), 1);
    for (const auto& c : cases) {
        fs::remove_all(m_dir);
        for (const char* holder : c.holders) {
            const std::string name = holder;
            const std::string file = name == "e"   ? explicitFile
                                     : name == "u" ? SystemRegistryPath(user)
                                     : name == "1" ? SystemRegistryPath(system1)
                                                   : SystemRegistryPath(system2);
            setenv("TESSALINE_REGISTRY", file.c_str(), 1);
            ASSERT_EQ(RegisterClassObject(Registration(name)), S_OK);
        }
        setenv("TESSALINE_REGISTRY", explicitFile.c_str(), 1);
        CLSID found{};
        const std::string expected = c.library;
        EXPECT_EQ(CLSIDFromProgID("Probe.Object.1", found), expected.empty() ? REGDB_E_CLASSNOTREG : S_OK)
            << c.holders.size();
        EXPECT_EQ(GetInprocServer(kClass), expected) << c.holders.size();
    }

    // The first entry wins even when it is malformed.
    fs::remove_all(m_dir);
    setenv("TESSALINE_REGISTRY", SystemRegistryPath(system2).c_str(), 1);
    ASSERT_EQ(RegisterClassObject(Registration("2")), S_OK);
    {
        CProfile bad(SystemRegistryPath(user));
        bad.Set("ProgID\\Probe.Object.1", "CLSID", "not a class id");
        ASSERT_TRUE(bad.Save());
    }
    setenv("TESSALINE_REGISTRY", explicitFile.c_str(), 1);
    CLSID found{};
    EXPECT_EQ(CLSIDFromProgID("Probe.Object.1", found), CO_E_CLASSSTRING);

    // A class missing everywhere names every file looked in.
    std::shared_ptr<IUnknown> object;
    std::string why;
    EXPECT_EQ(CoCreateInstance("Nowhere.Object.1", object, &why), REGDB_E_CLASSNOTREG);
    EXPECT_NE(why.find(SystemRegistryPath(system1)), std::string::npos) << why;
    EXPECT_NE(why.find(SystemRegistryPath(system2)), std::string::npos) << why;
}

TEST_F(RegistryTest, ModulePathNamesALibraryByItsMajorVersion)
{
    // zlib's file is libz.so.1.2.x; its major version link is libz.so.1.
    const std::string zlib = ModulePath(reinterpret_cast<const void*>(&zlibVersion));
    EXPECT_EQ(fs::path(zlib).filename(), "libz.so.1");
    EXPECT_TRUE(fs::exists(zlib));
    // A program is named by its own file.
    EXPECT_EQ(ModulePath(reinterpret_cast<const void*>(&GetRegistryPath)).empty(), false);
    static const int here = 0;
    EXPECT_EQ(fs::path(ModulePath(&here)), fs::canonical("/proc/self/exe"));
}

} // namespace

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

} // namespace

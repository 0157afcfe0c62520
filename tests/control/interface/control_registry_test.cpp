#include "control_host.h"

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

#include "platform/com/registry.h"
#include "platform/profile/profile.h"

namespace fs = std::filesystem;

namespace {

class ControlRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("tessaline-ctlreg-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        m_registry = (m_dir / "registry.ini").string();
        setenv("TESSALINE_REGISTRY", m_registry.c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("TESSALINE_REGISTRY");
        fs::remove_all(m_dir);
    }
    static std::string Library() { return ModulePath(reinterpret_cast<const void*>(&DllRegisterServer)); }
    static int Run(const std::string& args)
    {
        const std::string command = std::string(TESSALINE_BINARY_DIR) + "/tessaline-regsvr " + args + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path m_dir;
    std::string m_registry;
};

TEST_F(ControlRegistry, RegistrationWritesTheClassAndItsTypeLibrary)
{
    ASSERT_EQ(DllRegisterServer(), S_OK);
    const CProfile reg(m_registry);
    const std::string cls = "CLSID\\" + StringFromGUID(CLSID_Barcode);
    EXPECT_EQ(reg.GetString("ProgID\\BARCODE.BarcodeCtrl.1", "CLSID", ""), StringFromGUID(CLSID_Barcode));
    EXPECT_EQ(reg.GetString(cls, "ProgID", ""), "BARCODE.BarcodeCtrl.1");
    EXPECT_EQ(reg.GetString(cls, "UserType", ""), "Tessaline");
    EXPECT_EQ(reg.GetString(cls, "InprocServer32", ""), Library());
    EXPECT_EQ(reg.GetString(cls, "ThreadingModel", ""), "Apartment");
    EXPECT_EQ(reg.GetString(cls, "Insertable", ""), "1");
    // Activate when visible, inside-out, set client site first, cannot
    // link inside, recompose on resize.
    EXPECT_EQ(reg.GetInt(cls, "MiscStatus", 0), 0x20000 | 0x100 | 0x80 | 0x10 | 0x1);
    EXPECT_EQ(reg.GetString(cls, "TypeLib", ""), StringFromGUID(LIBID_BARCODELib));
    const std::string lib = "TypeLib\\" + StringFromGUID(LIBID_BARCODELib);
    EXPECT_EQ(reg.GetString(lib, "Name", ""), "BARCODELib");
    EXPECT_EQ(reg.GetString(lib, "Version", ""), "1.0");

    ASSERT_EQ(DllUnregisterServer(), S_OK);
    const CProfile after(m_registry);
    EXPECT_TRUE(after.Sections().empty());
}

TEST_F(ControlRegistry, CreationByProgramIdLoadsTheRegisteredLibrary)
{
    ASSERT_EQ(DllRegisterServer(), S_OK);
    HRESULT hr = E_FAIL;
    std::string why;
    auto disp = CreateObject<IDispatch>(kBarcodeProgId, &hr, &why);
    ASSERT_EQ(hr, S_OK) << why;
    ASSERT_NE(disp, nullptr);
    auto control = std::dynamic_pointer_cast<IOleControl>(disp);
    auto events = std::dynamic_pointer_cast<IEventSource>(disp);
    ASSERT_NE(control, nullptr);
    ASSERT_NE(events, nullptr);
    auto site = std::make_shared<CTestSite>();
    control->SetClientSite(site);
    ASSERT_EQ(control->InitNew(), S_OK);

    // A host that re-enters the control from its event handler.
    std::vector<std::string> log;
    IDispatch* host = disp.get(); // a sink holding the control would keep it alive forever
    const InterfaceDesc& info = events->GetEventInfo();
    events->Advise([&log, host, &info](DISPID id, const std::vector<Variant>& args) {
        log.push_back(FormatEvent(info, id, args));
        if (id == eventidTextChange)
            host->PutProperty(dispidType, Variant(CODEMSI));
    });
    disp->PutProperty("Text", Variant("4711"));
    EXPECT_EQ(log, (std::vector<std::string>{"TextChange(4711)", "TypeChange(20)"}));
    EXPECT_EQ(disp->GetProperty(dispidTypeName), Variant("MSI"));

    // By class id as well.
    std::shared_ptr<IUnknown> other;
    EXPECT_EQ(CoCreateInstance(StringFromGUID(CLSID_Barcode), other), S_OK);
    EXPECT_NE(other, nullptr);
    EXPECT_NE(other, std::shared_ptr<IUnknown>(disp)); // a new instance
}

TEST_F(ControlRegistry, AfterUnregisteringCreationFailsClearly)
{
    ASSERT_EQ(DllRegisterServer(), S_OK);
    ASSERT_EQ(DllUnregisterServer(), S_OK);
    HRESULT hr = S_OK;
    std::string why;
    auto disp = CreateObject<IDispatch>(kBarcodeProgId, &hr, &why);
    EXPECT_EQ(disp, nullptr);
    EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);
    EXPECT_NE(why.find("BARCODE.BarcodeCtrl.1 is not registered"), std::string::npos) << why;
}

TEST_F(ControlRegistry, RegistrationFailureReturnsTheTypeLibraryStatus)
{
    fs::create_directories(m_dir);
    { CProfile blocker((m_dir / "file").string()); blocker.Set("a", "b", "c"); ASSERT_TRUE(blocker.Save()); }
    setenv("TESSALINE_REGISTRY", (m_dir / "file/registry.ini").c_str(), 1);
    EXPECT_EQ(DllRegisterServer(), int32_t(0x80040200));
}

TEST_F(ControlRegistry, ClassObjectAnswersOnlyForItsClassAndFactory)
{
    void* pv = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(&LIBID_BARCODELib, &IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(DllGetClassObject(&CLSID_Barcode, &IID_IDispatch, &pv), E_NOINTERFACE);
    EXPECT_EQ(DllGetClassObject(&CLSID_Barcode, &IID_IClassFactory, nullptr), E_POINTER);
    ASSERT_EQ(DllGetClassObject(&CLSID_Barcode, &IID_IClassFactory, &pv), S_OK);
    std::shared_ptr<IUnknown> object;
    ASSERT_EQ(static_cast<IClassFactory*>(pv)->CreateInstance(object), S_OK);
    EXPECT_NE(std::dynamic_pointer_cast<CBarcodeCtrl>(object), nullptr);
}

TEST_F(ControlRegistry, RegsvrProgramRegistersAndUnregisters)
{
    EXPECT_EQ(Run(Library()), 0);
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(kBarcodeProgId, clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_Barcode);
    EXPECT_EQ(Run("-u " + Library()), 0);
    EXPECT_EQ(CLSIDFromProgID(kBarcodeProgId, clsid), REGDB_E_CLASSNOTREG);

    EXPECT_EQ(Run((m_dir / "missing.so").string()), 1);
    EXPECT_EQ(Run(""), 2);
    EXPECT_EQ(Run("-x " + Library()), 2);
}

TEST_F(ControlRegistry, RegsvrWritesAndEmptiesTheSystemRegistryOfAPrefix)
{
    const fs::path prefix = m_dir / "prefix";
    const fs::path system = prefix / "share/tessaline/registry.ini";
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    const std::string savedDirs = dirs ? dirs : "";
    setenv("XDG_DATA_DIRS", (prefix / "share").c_str(), 1);

    ASSERT_EQ(Run("--prefix " + prefix.string() + " " + Library()), 0);
    EXPECT_FALSE(fs::exists(m_registry)); // not the user's file
    const CProfile reg(system.string());
    const std::string library = reg.GetString("CLSID\\" + StringFromGUID(CLSID_Barcode), "InprocServer32", "");
    // Named by the major version, so that an upgrade keeps the entry.
    EXPECT_EQ(fs::path(library).filename(), "libtessaline.so.0");
    EXPECT_EQ(fs::canonical(library), fs::canonical(Library()));
    // Hosts find it after their own registry.
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromProgID(kBarcodeProgId, clsid), S_OK);

    EXPECT_EQ(Run("-u --prefix=" + prefix.string() + " " + Library()), 0);
    EXPECT_FALSE(fs::exists(system));
    EXPECT_FALSE(fs::exists(system.parent_path()));
    EXPECT_EQ(CLSIDFromProgID(kBarcodeProgId, clsid), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(Run("--prefix relative " + Library()), 2);

    if (dirs)
        setenv("XDG_DATA_DIRS", savedDirs.c_str(), 1);
    else
        unsetenv("XDG_DATA_DIRS");
}

} // namespace

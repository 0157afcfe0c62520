// The component registry file and creation through dlopen.
#include "platform/com/registry.h"

#include <cctype>
#include <cstdlib>
#include <dlfcn.h>
#include <limits.h>
#include <map>
#include <mutex>

#include "platform/com/variant.h"
#include "platform/profile/profile.h"

namespace {

std::string ClassSection(const CLSID& clsid) { return "CLSID\\" + StringFromGUID(clsid); }
std::string ProgIdSection(const std::string& progId) { return "ProgID\\" + progId; }
std::string TypeLibSection(const GUID& libid) { return "TypeLib\\" + StringFromGUID(libid); }

} // namespace

std::string GetRegistryPath()
{
    if (const char* path = std::getenv("TESSALINE_REGISTRY"); path && *path) {
        const std::string p = path;
        // A bare name means the working directory here, not the profile
        // directory.
        return p.find('/') == std::string::npos ? "./" + p : p;
    }
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/share";
    else
        base = "./.local/share";
    return base + "/tessaline/registry.ini";
}

HRESULT RegisterClassObject(const ClassRegistration& reg)
{
    CProfile registry(GetRegistryPath());
    const std::string section = ClassSection(reg.clsid);
    // A new registration replaces what an earlier one left.
    registry.DeleteSection(section);
    registry.Set(section, "ProgID", reg.progId);
    registry.Set(section, "UserType", reg.userType);
    registry.Set(section, "InprocServer32", reg.library);
    registry.Set(section, "ThreadingModel", reg.threadingModel);
    if (reg.insertable)
        registry.Set(section, "Insertable", "1");
    registry.Set(section, "MiscStatus", std::to_string(reg.miscStatus));
    if (reg.toolboxBitmap)
        registry.Set(section, "ToolboxBitmap32", reg.library + "," + std::to_string(reg.toolboxBitmap));
    if (reg.typeLib != GUID{})
        registry.Set(section, "TypeLib", StringFromGUID(reg.typeLib));
    registry.Set(section, "Version", reg.version);
    registry.DeleteSection(ProgIdSection(reg.progId));
    registry.Set(ProgIdSection(reg.progId), "CLSID", StringFromGUID(reg.clsid));
    return registry.Save() ? S_OK : E_FAIL;
}

HRESULT UnregisterClassObject(const CLSID& clsid)
{
    CProfile registry(GetRegistryPath());
    if (!registry.IsLoaded())
        return S_OK; // nothing registered anywhere
    const std::string section = ClassSection(clsid);
    const std::string progId = registry.GetString(section, "ProgID", "");
    bool changed = registry.DeleteSection(section);
    // Every program id that names this class goes with it.
    for (const auto& name : registry.Sections()) {
        std::string prefix = name.substr(0, 7);
        for (char& c : prefix)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        if (prefix != "progid\\")
            continue;
        const auto id = GUIDFromString(registry.GetString(name, "CLSID", ""));
        if (id && *id == clsid)
            changed = registry.DeleteSection(name) || changed;
    }
    if (!progId.empty())
        changed = registry.DeleteSection(ProgIdSection(progId)) || changed;
    if (!changed)
        return S_OK;
    return registry.Save() ? S_OK : E_FAIL;
}

HRESULT RegisterTypeLibrary(const TypeLibRegistration& reg)
{
    CProfile registry(GetRegistryPath());
    const std::string section = TypeLibSection(reg.libid);
    registry.DeleteSection(section);
    registry.Set(section, "Version", std::to_string(reg.majorVersion) + "." + std::to_string(reg.minorVersion));
    registry.Set(section, "Name", reg.name);
    registry.Set(section, "Path", reg.path);
    return registry.Save() ? S_OK : E_FAIL;
}

HRESULT UnregisterTypeLibrary(const GUID& libid)
{
    CProfile registry(GetRegistryPath());
    if (!registry.IsLoaded() || !registry.DeleteSection(TypeLibSection(libid)))
        return S_OK;
    return registry.Save() ? S_OK : E_FAIL;
}

HRESULT CLSIDFromProgID(const std::string& progId, CLSID& clsid)
{
    const CProfile registry(GetRegistryPath());
    const auto text = registry.Get(ProgIdSection(progId), "CLSID");
    if (!text)
        return REGDB_E_CLASSNOTREG;
    const auto id = GUIDFromString(*text);
    if (!id)
        return CO_E_CLASSSTRING;
    clsid = *id;
    return S_OK;
}

std::string GetInprocServer(const CLSID& clsid)
{
    return CProfile(GetRegistryPath()).GetString(ClassSection(clsid), "InprocServer32", "");
}

HRESULT CoCreateInstance(const std::string& progId, std::shared_ptr<IUnknown>& object, std::string* error)
{
    object.reset();
    auto fail = [&](HRESULT hr, const std::string& why) {
        if (error)
            *error = why;
        return hr;
    };

    CLSID clsid;
    if (const auto braced = GUIDFromString(progId); braced && progId.front() == '{') {
        clsid = *braced;
    } else if (const HRESULT hr = CLSIDFromProgID(progId, clsid); FAILED(hr)) {
        return fail(hr, "the class " + progId + " is not registered in " + GetRegistryPath());
    }
    const std::string library = GetInprocServer(clsid);
    if (library.empty())
        return fail(REGDB_E_CLASSNOTREG, "the class " + progId + " has no registered library in " + GetRegistryPath());

    // One handle per library path; creation happens on the user-interface
    // thread, but the lock keeps a stray second thread harmless.
    static std::mutex mutex;
    static std::map<std::string, void*> loaded;
    void* handle = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto& entry = loaded[library];
        if (!entry)
            entry = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        handle = entry;
        if (!handle) {
            const char* why = dlerror();
            loaded.erase(library);
            return fail(CO_E_DLLNOTFOUND, "the library " + library + " of " + progId + " cannot be loaded" +
                                              (why ? std::string(": ") + why : std::string()));
        }
    }
    const auto getClassObject = reinterpret_cast<PFN_DllGetClassObject>(dlsym(handle, "DllGetClassObject"));
    if (!getClassObject)
        return fail(CO_E_ERRORINDLL, "the library " + library + " has no DllGetClassObject");
    void* pv = nullptr;
    HRESULT hr = getClassObject(&clsid, &IID_IClassFactory, &pv);
    if (FAILED(hr) || !pv)
        return fail(FAILED(hr) ? hr : E_FAIL, "the library " + library + " offers no factory for " + progId);
    hr = static_cast<IClassFactory*>(pv)->CreateInstance(object);
    if (FAILED(hr))
        return fail(hr, "the factory of " + progId + " failed: " + DescribeStatus(hr));
    return S_OK;
}

std::string ModulePath(const void* address)
{
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname)
        return {};
    char resolved[PATH_MAX];
    if (realpath(info.dli_fname, resolved))
        return resolved;
    return info.dli_fname;
}

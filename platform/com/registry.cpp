// The component registry file and creation through dlopen.
#include "platform/com/registry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dlfcn.h>
#include <limits.h>
#include <map>
#include <mutex>
#include <optional>

#include "platform/com/variant.h"
#include "platform/profile/profile.h"

namespace {

std::string ClassSection(const CLSID& clsid) { return "CLSID\\" + StringFromGUID(clsid); }
std::string ProgIdSection(const std::string& progId) { return "ProgID\\" + progId; }
std::string TypeLibSection(const GUID& libid) { return "TypeLib\\" + StringFromGUID(libid); }

} // namespace

namespace {

std::string UserRegistryPath()
{
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/share";
    else
        base = "./.local/share";
    return base + "/tessaline/registry.ini";
}

std::optional<std::string> ExplicitRegistryPath()
{
    const char* path = std::getenv("TESSALINE_REGISTRY");
    if (!path || !*path)
        return std::nullopt;
    const std::string p = path;
    // A bare name means the working directory here, not the profile
    // directory.
    return p.find('/') == std::string::npos ? "./" + p : p;
}

// The first registry file of the chain that holds `key` in `section`.
std::optional<std::string> LookUp(const std::string& section, const std::string& key)
{
    for (const std::string& file : GetRegistrySearchPath()) {
        const CProfile registry(file);
        if (!registry.IsLoaded())
            continue;
        if (auto value = registry.Get(section, key))
            return value;
    }
    return std::nullopt;
}

std::string SearchPathText()
{
    std::string text;
    for (const std::string& file : GetRegistrySearchPath())
        text += (text.empty() ? "" : ", ") + file;
    return text;
}

} // namespace

std::string GetRegistryPath()
{
    if (auto path = ExplicitRegistryPath())
        return *path;
    return UserRegistryPath();
}

std::string SystemRegistryPath(const std::string& dataDir)
{
    std::string dir = dataDir;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir + "/tessaline/registry.ini";
}

std::vector<std::string> GetRegistrySearchPath()
{
    std::vector<std::string> files;
    auto add = [&files](const std::string& file) {
        if (std::find(files.begin(), files.end(), file) == files.end())
            files.push_back(file);
    };
    if (auto path = ExplicitRegistryPath())
        add(*path);
    add(UserRegistryPath());
    // XDG Base Directory Specification: an unset or empty XDG_DATA_DIRS
    // means /usr/local/share/:/usr/share/; relative entries are ignored.
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    size_t start = 0;
    while (start <= list.size()) {
        const size_t end = std::min(list.find(':', start), list.size());
        const std::string dir = list.substr(start, end - start);
        if (!dir.empty() && dir.front() == '/')
            add(SystemRegistryPath(dir));
        start = end + 1;
    }
    return files;
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
    const auto text = LookUp(ProgIdSection(progId), "CLSID");
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
    return LookUp(ClassSection(clsid), "InprocServer32").value_or("");
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
        return fail(hr, "the class " + progId + " is not registered in " + SearchPathText());
    }
    const std::string library = GetInprocServer(clsid);
    if (library.empty())
        return fail(REGDB_E_CLASSNOTREG, "the class " + progId + " has no registered library in " + SearchPathText());

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
    if (!realpath(info.dli_fname, resolved))
        return info.dli_fname;
    const std::string file = resolved;
    // ".../libname.so.MAJOR.MINOR.PATCH": the major version link
    // ".../libname.so.MAJOR", when it leads here.
    const size_t slash = file.rfind('/');
    const size_t so = file.find(".so.", slash == std::string::npos ? 0 : slash);
    if (so == std::string::npos)
        return file;
    const size_t major = so + 4;
    const size_t end = file.find('.', major);
    if (end == std::string::npos)
        return file; // already the major version's name
    const std::string link = file.substr(0, end);
    char target[PATH_MAX];
    if (realpath(link.c_str(), target) && file == target)
        return link;
    return file;
}

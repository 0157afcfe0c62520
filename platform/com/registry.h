// Class factories, the component registry and creation by program id.
//
// The registry is a chain of INI files, looked up in this order, the first
// entry found winning:
//   $TESSALINE_REGISTRY (when set),
//   the user's ${XDG_DATA_HOME:-~/.local/share}/tessaline/registry.ini,
//   the system's DIR/tessaline/registry.ini for each DIR of
//   ${XDG_DATA_DIRS:-/usr/local/share:/usr/share}.
// Registration writes the first of the first two (tessaline-regsvr
// --system points $TESSALINE_REGISTRY at a system file). Layout:
//
//   [ProgID\BARCODE.BarcodeCtrl.1]      CLSID={...}
//   [CLSID\{...}]                       ProgID, UserType, InprocServer32
//                                       (library path), ThreadingModel,
//                                       Insertable, MiscStatus,
//                                       ToolboxBitmap32, TypeLib, Version
//   [TypeLib\{...}]                     Version, Name, Path
//
// A component library exports the C entry points DllRegisterServer,
// DllUnregisterServer and DllGetClassObject (see PFN_* below). A host
// creates an object by program id: registry look-up, dlopen of the
// library, its class factory, a new instance.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com/com.h"

class IClassFactory {
public:
    virtual ~IClassFactory() = default;
    virtual HRESULT CreateInstance(std::shared_ptr<IUnknown>& object) = 0;
};

// The factory of one class: a new T for every instance.
template <class T>
class CClassFactory : public IClassFactory {
public:
    HRESULT CreateInstance(std::shared_ptr<IUnknown>& object) override
    {
        try {
            object = std::make_shared<T>();
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
};

// C entry points of a component library. DllGetClassObject stores in *ppv
// an IClassFactory* that lives as long as the library is loaded (the
// caller does not delete it); iid must be IID_IClassFactory.
extern "C" {
typedef HRESULT (*PFN_DllGetClassObject)(const CLSID* clsid, const IID* iid, void** ppv);
typedef HRESULT (*PFN_DllRegisterServer)();
typedef HRESULT (*PFN_DllUnregisterServer)();
}

// The registry file that registration writes (see above).
std::string GetRegistryPath();
// Every registry file in look-up order (see above), without duplicates;
// files that do not exist are listed too.
std::vector<std::string> GetRegistrySearchPath();
// The system registry under a data directory ("/usr/share" gives
// "/usr/share/tessaline/registry.ini").
std::string SystemRegistryPath(const std::string& dataDir);

// A class as registration writes it.
struct ClassRegistration {
    CLSID clsid;
    std::string progId;
    std::string userType;
    std::string library; // absolute path of the shared library (see ModulePath)
    std::string threadingModel = "Apartment";
    bool insertable = false;
    uint32_t miscStatus = 0;
    int toolboxBitmap = 0; // resource id; 0: none
    GUID typeLib{};
    std::string version = "1.0";
};

struct TypeLibRegistration {
    GUID libid;
    std::string name;
    uint16_t majorVersion = 1;
    uint16_t minorVersion = 0;
    std::string path; // the library holding the type library
};

// Each returns S_OK, or E_FAIL when the registry file cannot be written.
HRESULT RegisterClassObject(const ClassRegistration& reg);
HRESULT UnregisterClassObject(const CLSID& clsid);
HRESULT RegisterTypeLibrary(const TypeLibRegistration& reg);
HRESULT UnregisterTypeLibrary(const GUID& libid);

// The class registered under a program id (case-insensitive);
// REGDB_E_CLASSNOTREG when there is none, CO_E_CLASSSTRING when the
// entry is malformed.
HRESULT CLSIDFromProgID(const std::string& progId, CLSID& clsid);
// The library registered for a class, or "" when none.
std::string GetInprocServer(const CLSID& clsid);

// Creates an object by program id (or by a braced class id). On failure
// `object` stays empty and `error`, when given, says why in a sentence:
//   REGDB_E_CLASSNOTREG  not registered (or registered without library)
//   CO_E_DLLNOTFOUND     the library cannot be loaded
//   CO_E_ERRORINDLL      the library has no DllGetClassObject
//   and the library's own failure status.
// Libraries stay loaded for the life of the process.
HRESULT CoCreateInstance(const std::string& progId, std::shared_ptr<IUnknown>& object, std::string* error = nullptr);

template <class I>
std::shared_ptr<I> CreateObject(const std::string& progId, HRESULT* status = nullptr, std::string* error = nullptr)
{
    std::shared_ptr<IUnknown> object;
    HRESULT hr = CoCreateInstance(progId, object, error);
    auto result = std::dynamic_pointer_cast<I>(object);
    if (SUCCEEDED(hr) && !result) {
        hr = E_NOINTERFACE;
        if (error)
            *error = progId + " does not offer the requested interface";
    }
    if (status)
        *status = hr;
    return result;
}

// The absolute path of the shared library (or program) that contains
// `address`; "" when unknown. A versioned library is named by its major
// version link when that link leads to the same file
// (".../libtessaline.so.0", not ".../libtessaline.so.0.1.0" nor the
// development link ".../libtessaline.so"), so that registrations outlive
// upgrades of the library.
std::string ModulePath(const void* address);

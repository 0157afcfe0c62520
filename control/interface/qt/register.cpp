// Self-registration and class objects of the Qt library's property pages.
//
// The library exports the same entry points as the control library, so
// tessaline-regsvr registers it the same way.
#include "control/interface/qt/barcodeproppage.h"
#include "platform/com/registry.h"

extern "C" {
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();
HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** ppv);
}

namespace {

struct PageClass {
    const CLSID& clsid;
    const char* progId;
    const char* userType;
    IClassFactory& (*factory)();
};

template <class T>
IClassFactory& FactoryOf()
{
    static CClassFactory<T> factory;
    return factory;
}

const PageClass kPages[] = {
    {CLSID_BarcodePropPage, kBarcodePropPageProgId, "Tessaline Property Page", &FactoryOf<CBarcodePropPage>},
    {CLSID_BarcodePropPageLayout, kBarcodePropPageLayoutProgId, "Tessaline Layout Property Page",
     &FactoryOf<CBarcodePropPageLayout>},
};

// An address inside this library that no other library can stand in for
// (the exported entry points share their names with the control
// library's).
void Anchor() {}

} // namespace

extern "C" HRESULT DllRegisterServer()
{
    const std::string library = ModulePath(reinterpret_cast<const void*>(&Anchor));
    if (library.empty())
        return SELFREG_E_CLASS;
    for (const PageClass& page : kPages) {
        ClassRegistration reg;
        reg.clsid = page.clsid;
        reg.progId = page.progId;
        reg.userType = page.userType;
        reg.library = library;
        reg.threadingModel = "Apartment";
        if (FAILED(RegisterClassObject(reg)))
            return SELFREG_E_CLASS;
    }
    return S_OK;
}

extern "C" HRESULT DllUnregisterServer()
{
    HRESULT result = S_OK;
    for (const PageClass& page : kPages)
        if (FAILED(UnregisterClassObject(page.clsid)))
            result = SELFREG_E_CLASS;
    return result;
}

extern "C" HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!clsid || !iid)
        return E_INVALIDARG;
    if (!(*iid == IID_IClassFactory) && !(*iid == IID_IUnknown))
        return E_NOINTERFACE;
    for (const PageClass& page : kPages) {
        if (*clsid == page.clsid) {
            *ppv = &page.factory();
            return S_OK;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

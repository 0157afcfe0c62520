// Self-registration of the control library and its class object.
#include "control/interface/barcodectrl.h"
#include "platform/com/registry.h"

namespace {

// Miscellaneous status of the control: activate when visible, inside-out,
// set client site first, cannot link inside, recompose on resize.
constexpr uint32_t OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr uint32_t OLEMISC_CANTLINKINSIDE = 0x10;
constexpr uint32_t OLEMISC_INSIDEOUT = 0x80;
constexpr uint32_t OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr uint32_t OLEMISC_SETCLIENTSITEFIRST = 0x20000;
constexpr uint32_t kMiscStatus = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT | OLEMISC_SETCLIENTSITEFIRST |
                                 OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
constexpr int kToolboxBitmap = 1;

// A function of this library alone: the exported entry points have the same
// names in every component library, and in a process that loaded another
// one first their addresses may resolve into it.
void Anchor() {}

std::string ThisLibrary() { return ModulePath(reinterpret_cast<const void*>(&Anchor)); }

} // namespace

extern "C" HRESULT DllRegisterServer()
{
    const std::string library = ThisLibrary();
    if (library.empty())
        return SELFREG_E_TYPELIB;
    const TypeLibDesc& lib = BarcodeTypeLib();
    if (FAILED(RegisterTypeLibrary({lib.libid, lib.name, lib.majorVersion, lib.minorVersion, library})))
        return SELFREG_E_TYPELIB;
    ClassRegistration reg;
    reg.clsid = CLSID_Barcode;
    reg.progId = kBarcodeProgId;
    reg.userType = kBarcodeUserType;
    reg.library = library;
    reg.threadingModel = "Apartment";
    reg.insertable = true;
    reg.miscStatus = kMiscStatus;
    reg.toolboxBitmap = kToolboxBitmap;
    reg.typeLib = lib.libid;
    reg.version = "1.0";
    if (FAILED(RegisterClassObject(reg)))
        return SELFREG_E_CLASS;
    return S_OK;
}

extern "C" HRESULT DllUnregisterServer()
{
    if (FAILED(UnregisterTypeLibrary(BarcodeTypeLib().libid)))
        return SELFREG_E_TYPELIB;
    if (FAILED(UnregisterClassObject(CLSID_Barcode)))
        return SELFREG_E_CLASS;
    return S_OK;
}

extern "C" HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!clsid || !iid)
        return E_INVALIDARG;
    if (!(*clsid == CLSID_Barcode))
        return CLASS_E_CLASSNOTAVAILABLE;
    if (!(*iid == IID_IClassFactory) && !(*iid == IID_IUnknown))
        return E_NOINTERFACE;
    static CClassFactory<CBarcodeCtrl> factory;
    *ppv = static_cast<IClassFactory*>(&factory);
    return S_OK;
}

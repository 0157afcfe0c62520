// Component model basics: status codes, class and interface identities,
// and the root of every component object.
//
// Objects are shared: a host holds std::shared_ptr<IUnknown> (or a derived
// interface) and releases the object by dropping its last reference.
// Interfaces are reached with std::dynamic_pointer_cast (QueryInterface).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

using HRESULT = int32_t;
using DISPID = int32_t;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Status codes of the platform, with their values.
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = int32_t(0x80004001);
constexpr HRESULT E_NOINTERFACE = int32_t(0x80004002);
constexpr HRESULT E_POINTER = int32_t(0x80004003);
constexpr HRESULT E_FAIL = int32_t(0x80004005);
constexpr HRESULT E_UNEXPECTED = int32_t(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = int32_t(0x8007000E);
constexpr HRESULT E_INVALIDARG = int32_t(0x80070057);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = int32_t(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = int32_t(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = int32_t(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = int32_t(0x80020006);
constexpr HRESULT DISP_E_EXCEPTION = int32_t(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = int32_t(0x8002000A);
constexpr HRESULT DISP_E_BADPARAMCOUNT = int32_t(0x8002000E);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = int32_t(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = int32_t(0x80040154);
constexpr HRESULT SELFREG_E_TYPELIB = int32_t(0x80040200);
constexpr HRESULT SELFREG_E_CLASS = int32_t(0x80040201);
constexpr HRESULT CO_E_DLLNOTFOUND = int32_t(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = int32_t(0x800401F9);
constexpr HRESULT CO_E_CLASSSTRING = int32_t(0x800401F3);
// Control errors (the platform's standard control error numbers).
constexpr HRESULT CTL_E_INVALIDPROPERTYVALUE = int32_t(0x800A017C); // 380
constexpr HRESULT CTL_E_SETNOTSUPPORTED = int32_t(0x800A017F);      // 383
constexpr HRESULT CTL_E_GETNOTSUPPORTED = int32_t(0x800A018A);      // 394

// A 128-bit class, interface or library identity.
struct GUID {
    uint32_t data1 = 0;
    uint16_t data2 = 0, data3 = 0;
    uint8_t data4[8] = {};
    bool operator==(const GUID&) const = default;
};
using CLSID = GUID;
using IID = GUID;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex.
std::string StringFromGUID(const GUID& g);
// Parses the braced form (braces optional, any case); nullopt when malformed.
std::optional<GUID> GUIDFromString(const std::string& s);

// The root of every component object.
class IUnknown {
public:
    virtual ~IUnknown() = default;
};

// Well-known interface identities.
extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;
extern const IID IID_IDispatch;

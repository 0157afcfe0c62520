// The Tessaline control as hosts see it: its program id, class and library
// identities, dispatch ids of its members and events, the symbology
// constants, its type library and the library's C entry points.
//
// Hosts create the control by program id (CoCreateInstance in
// platform/com/registry.h) and use it through IDispatch, IEventSource and
// IOleControl. Strings cross the dispatch interface as UTF-8.
#pragma once

#include "platform/com/dispatch.h"

constexpr const char* kBarcodeProgId = "BARCODE.BarcodeCtrl.1";
constexpr const char* kBarcodeUserType = "Tessaline";
constexpr const char* kBarcodeVersion = "5.13";

extern const CLSID CLSID_Barcode;
extern const GUID LIBID_BARCODELib;
extern const IID DIID__DBarcode;
extern const IID DIID__DBarcodeEvents;

// Dispatch ids of _DBarcode (besides the stock DISPID_VALUE and
// DISPID_TEXT for Text, DISPID_FORECOLOR, DISPID_BACKCOLOR and
// DISPID_ABOUTBOX).
enum BarcodeDispId : DISPID {
    dispidAutoType = 1,
    dispidType = 2,
    dispidTypeName = 3,
    dispidIsValid = 4,
    dispidChecksum = 5,
    dispidFont = 6,
    dispidShowText = 7,
    dispidPicture = 8,
    dispidBorderwidth = 9,
    dispidBorderheight = 10,
    dispidNotchHeightInPercent = 11,
    dispidMaxBorderwidth = 12,
    dispidMaxBorderheight = 13,
    dispidIsSizeOk = 14,
    dispidRotate = 15,
    dispidCountTypesSupported = 16,
    dispidVersion = 17,
    dispidCopyToClipboard = 18,
    dispidCreatePictureBySize = 19,
    dispidCopyToClipboardBySize = 20,
    dispidSetDemoText = 21,
    dispidSaveAsPNG = 22,
    dispidSaveAsPNGBySize = 23,
    dispidBinaryWriteAsPNGBySize = 24,
    dispidBinaryWriteAsPNG = 25,
};

// Dispatch ids of _DBarcodeEvents.
enum BarcodeEventId : DISPID {
    eventidTypeChange = 1,     // (long BarcodeType)
    eventidTextChange = 2,     // (BSTR Text)
    eventidClickIn = 3,        // (long x, long y)
    eventidAutoTypeChange = 4, // (BOOL AutoType)
    eventidShowTextChange = 5, // (BOOL ShowText)
};

// The symbology type ids, as the type browser names them.
enum TypeConstants : int32_t {
    CODEISBN = 0,         // ISBN
    CODEEAN99 = 16,       // EAN 99
    CODEEAN13 = 1,        // EAN 13
    CODEEAN14 = 29,       // EAN 14
    CODEEAN8 = 2,         // EAN 8
    CODEEAN5 = 3,         // EAN 5
    CODEEAN2 = 4,         // EAN 2
    CODEUPCA = 5,         // UPC A
    CODEUPCE = 17,        // UPC E
    CODE39 = 6,           // Code 39
    CODE39CHECKSUM = 26,  // Code 39 Checksum
    CODE39E = 10,         // Code 39 Extended
    CODE39ECHECKSUM = 27, // Code 39 Extended Checksum
    CODE25 = 9,           // Code 25
    CODE25I = 7,          // Code 25 Interleaved
    CODABAR = 8,          // Codabar
    CODECODE128A = 11,    // Code 128 A
    CODECODE128B = 12,    // Code 128 B
    CODECODE128C = 13,    // Code 128 C
    CODECODE128 = 14,     // Code 128
    CODEEAN128AI = 28,    // EAN/UCC 128 AI
    CODEEAN128 = 15,      // EAN/UCC 128
    CODEIDENTCODE = 24,   // Identcode
    CODELEITCODE = 25,    // Leitcode
    CODEPOSTNET = 18,     // PostNet
    CODEROYALMAIL = 19,   // Royal Mail
    CODEMSI = 20,         // MSI
    CODE93 = 21,          // Code 93
    CODE93E = 22,         // Code 93 Extended
    CODEPZN = 23,         // PZN
    CODEITF14 = 30,       // ITF 14
    CODEEAN18 = 31,       // EAN 18
    CODESSCC18 = 32,      // SSCC 18
    CODENONE = 99,        // None
};

// The type library BARCODELib 1.0: _DBarcode, _DBarcodeEvents,
// TypeConstants and the class Barcode.
const TypeLibDesc& BarcodeTypeLib();

// Self-registration and the class object (see platform/com/registry.h).
extern "C" {
HRESULT DllRegisterServer();
HRESULT DllUnregisterServer();
HRESULT DllGetClassObject(const CLSID* clsid, const IID* iid, void** ppv);
}

// The control's type library: members with their dispatch ids, types and
// parameter names, the events, and the symbology constants.
#include "control/interface/barcodelib.h"

// {CE9D1D38-0357-4FFF-9BCD-6C61C0E55E56}
const CLSID CLSID_Barcode = {0xCE9D1D38, 0x0357, 0x4FFF, {0x9B, 0xCD, 0x6C, 0x61, 0xC0, 0xE5, 0x5E, 0x56}};
// {50ADCDA8-BDEE-4603-AD81-E8AAE531D8B5}
const GUID LIBID_BARCODELib = {0x50ADCDA8, 0xBDEE, 0x4603, {0xAD, 0x81, 0xE8, 0xAA, 0xE5, 0x31, 0xD8, 0xB5}};
// {235E1B55-6B10-414F-9AA3-13BA3064BE8E}
const IID DIID__DBarcode = {0x235E1B55, 0x6B10, 0x414F, {0x9A, 0xA3, 0x13, 0xBA, 0x30, 0x64, 0xBE, 0x8E}};
// {B014B917-9EEE-4596-9CA9-3B154F3C8ACD}
const IID DIID__DBarcodeEvents = {0xB014B917, 0x9EEE, 0x4596, {0x9C, 0xA9, 0x3B, 0x15, 0x4F, 0x3C, 0x8A, 0xCD}};

namespace {

using enum ValueType;
constexpr auto Prop = MemberKind::Property;
constexpr auto ReadOnly = MemberKind::ReadOnlyProperty;
constexpr auto Method = MemberKind::Method;

constexpr ParamDesc kSize[] = {{"Width", Long}, {"Height", Long}};
constexpr ParamDesc kPath[] = {{"path", String}};
constexpr ParamDesc kPathSize[] = {{"path", String}, {"Width", Long}, {"Height", Long}};

constexpr MemberDesc kMembers[] = {
    {dispidAutoType, "AutoType", Prop, Bool},
    {dispidType, "Type", Prop, Long},
    {dispidTypeName, "TypeName", Prop, String},
    {dispidIsValid, "IsValid", ReadOnly, Bool},
    {dispidChecksum, "Checksum", ReadOnly, Long},
    {dispidFont, "Font", Prop, Font},
    {dispidShowText, "ShowText", Prop, Bool},
    {dispidPicture, "Picture", Prop, Picture},
    {dispidBorderwidth, "Borderwidth", Prop, Short},
    {dispidBorderheight, "Borderheight", Prop, Short},
    {dispidNotchHeightInPercent, "NotchHeightInPercent", Prop, Short},
    {dispidMaxBorderwidth, "MaxBorderwidth", ReadOnly, Short},
    {dispidMaxBorderheight, "MaxBorderheight", ReadOnly, Short},
    {dispidIsSizeOk, "IsSizeOk", ReadOnly, Bool},
    {dispidRotate, "Rotate", Prop, Short},
    {dispidCountTypesSupported, "CountTypesSupported", ReadOnly, Long},
    {dispidVersion, "version", ReadOnly, String},
    {dispidCopyToClipboard, "CopyToClipboard", Method, Bool},
    {dispidCreatePictureBySize, "CreatePictureBySize", Method, Bool, kSize},
    {dispidCopyToClipboardBySize, "CopyToClipboardBySize", Method, Bool, kSize},
    {dispidSetDemoText, "SetDemoText", Method, Void},
    {dispidSaveAsPNG, "SaveAsPNG", Method, Short, kPath},
    {dispidSaveAsPNGBySize, "SaveAsPNGBySize", Method, Short, kPathSize},
    {dispidBinaryWriteAsPNGBySize, "BinaryWriteAsPNGBySize", Method, Variant, kSize},
    {dispidBinaryWriteAsPNG, "BinaryWriteAsPNG", Method, Variant},
    {DISPID_VALUE, "Text", Prop, String},
    {DISPID_FORECOLOR, "ForeColor", Prop, Color},
    {DISPID_BACKCOLOR, "BackColor", Prop, Color},
    {DISPID_TEXT, "Text", Prop, String},
    {DISPID_ABOUTBOX, "AboutBox", Method, Void},
};

constexpr ParamDesc kTypeChange[] = {{"BarcodeType", Long}};
constexpr ParamDesc kTextChange[] = {{"Text", String}};
constexpr ParamDesc kClickIn[] = {{"x", Long}, {"y", Long}};
constexpr ParamDesc kAutoTypeChange[] = {{"AutoType", Bool}};
constexpr ParamDesc kShowTextChange[] = {{"ShowText", Bool}};

constexpr MemberDesc kEvents[] = {
    {eventidTypeChange, "TypeChange", Method, Void, kTypeChange},
    {eventidTextChange, "TextChange", Method, Void, kTextChange},
    {eventidClickIn, "ClickIn", Method, Void, kClickIn},
    {eventidAutoTypeChange, "AutoTypeChange", Method, Void, kAutoTypeChange},
    {eventidShowTextChange, "ShowTextChange", Method, Void, kShowTextChange},
};

constexpr EnumConstant kTypeConstants[] = {
    {"CODEISBN", CODEISBN, "ISBN"},
    {"CODEEAN99", CODEEAN99, "EAN 99"},
    {"CODEEAN13", CODEEAN13, "EAN 13"},
    {"CODEEAN14", CODEEAN14, "EAN 14"},
    {"CODEEAN8", CODEEAN8, "EAN 8"},
    {"CODEEAN5", CODEEAN5, "EAN 5"},
    {"CODEEAN2", CODEEAN2, "EAN 2"},
    {"CODEUPCA", CODEUPCA, "UPC A"},
    {"CODEUPCE", CODEUPCE, "UPC E"},
    {"CODE39", CODE39, "Code 39"},
    {"CODE39CHECKSUM", CODE39CHECKSUM, "Code 39 Checksum"},
    {"CODE39E", CODE39E, "Code 39 Extended"},
    {"CODE39ECHECKSUM", CODE39ECHECKSUM, "Code 39 Extended Checksum"},
    {"CODE25", CODE25, "Code 25"},
    {"CODE25I", CODE25I, "Code 25 Interleaved"},
    {"CODABAR", CODABAR, "Codabar"},
    {"CODECODE128A", CODECODE128A, "Code 128 A"},
    {"CODECODE128B", CODECODE128B, "Code 128 B"},
    {"CODECODE128C", CODECODE128C, "Code 128 C"},
    {"CODECODE128", CODECODE128, "Code 128"},
    {"CODEEAN128AI", CODEEAN128AI, "EAN/UCC 128 AI"},
    {"CODEEAN128", CODEEAN128, "EAN/UCC 128"},
    {"CODEIDENTCODE", CODEIDENTCODE, "Identcode"},
    {"CODELEITCODE", CODELEITCODE, "Leitcode"},
    {"CODEPOSTNET", CODEPOSTNET, "PostNet"},
    {"CODEROYALMAIL", CODEROYALMAIL, "Royal Mail"},
    {"CODEMSI", CODEMSI, "MSI"},
    {"CODE93", CODE93, "Code 93"},
    {"CODE93E", CODE93E, "Code 93 Extended"},
    {"CODEPZN", CODEPZN, "PZN"},
    {"CODEITF14", CODEITF14, "ITF 14"},
    {"CODEEAN18", CODEEAN18, "EAN 18"},
    {"CODESSCC18", CODESSCC18, "SSCC 18"},
    {"CODENONE", CODENONE, "None"},
};

constexpr EnumDesc kEnums[] = {{"TypeConstants", kTypeConstants}};

} // namespace

const TypeLibDesc& BarcodeTypeLib()
{
    static const InterfaceDesc dispatch{"_DBarcode", DIID__DBarcode, "Dispatch interface for Tessaline", kMembers};
    static const InterfaceDesc events{"_DBarcodeEvents", DIID__DBarcodeEvents, "Event interface for Tessaline",
                                      kEvents};
    static const TypeLibDesc lib{"BARCODELib", LIBID_BARCODELib, 1, 0, &dispatch, &events, kEnums, "Barcode",
                                 CLSID_Barcode};
    return lib;
}

// Variant coercion, GUID text forms and the dispatch error.
#include "platform/com/variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

std::string StringFromGUID(const GUID& g)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.data1, g.data2,
                  g.data3, g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6],
                  g.data4[7]);
    return buf;
}

std::optional<GUID> GUIDFromString(const std::string& text)
{
    std::string s = text;
    if (s.size() == 38 && s.front() == '{' && s.back() == '}')
        s = s.substr(1, 36);
    if (s.size() != 36)
        return std::nullopt;
    uint8_t bytes[16];
    int n = 0;
    for (size_t i = 0; i < s.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (s[i] != '-')
                return std::nullopt;
            ++i;
            continue;
        }
        auto hex = [](char c) {
            return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        };
        const int hi = hex(s[i]), lo = hex(s[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes[n++] = uint8_t(hi * 16 + lo);
        i += 2;
    }
    GUID g;
    g.data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    g.data2 = uint16_t(bytes[4] << 8 | bytes[5]);
    g.data3 = uint16_t(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i)
        g.data4[i] = bytes[8 + i];
    return g;
}

std::string DescribeStatus(HRESULT status)
{
    switch (status) {
    case CTL_E_INVALIDPROPERTYVALUE: return "Invalid property value";
    case CTL_E_SETNOTSUPPORTED: return "Property is read-only";
    case CTL_E_GETNOTSUPPORTED: return "Property is write-only";
    case DISP_E_MEMBERNOTFOUND: return "Member not found";
    case DISP_E_PARAMNOTFOUND: return "Parameter not found";
    case DISP_E_TYPEMISMATCH: return "Type mismatch";
    case DISP_E_UNKNOWNNAME: return "Unknown name";
    case DISP_E_EXCEPTION: return "Exception occurred";
    case DISP_E_OVERFLOW: return "Out of present range";
    case DISP_E_BADPARAMCOUNT: return "Invalid number of parameters";
    case REGDB_E_CLASSNOTREG: return "Class not registered";
    case CO_E_DLLNOTFOUND: return "Library not found";
    case CO_E_ERRORINDLL: return "Error in the library";
    case E_OUTOFMEMORY: return "Out of memory";
    default: {
        char buf[32];
        std::snprintf(buf, sizeof buf, "Error 0x%08X", uint32_t(status));
        return buf;
    }
    }
}

DispatchError::DispatchError(HRESULT status, std::string description, uint32_t helpContext, uint16_t code,
                             int argIndex)
    : std::runtime_error(description.empty() ? DescribeStatus(status) : description), m_status(status),
      m_code(code), m_description(std::move(description)), m_helpContext(helpContext), m_argIndex(argIndex)
{
}

LOGFONT ToLogFont(const FontObject& font, int dpi)
{
    LOGFONT lf;
    lf.lfFaceName = font.name;
    lf.lfHeight = PointsToHeight(font.size, dpi);
    lf.lfWeight = font.weight;
    lf.lfItalic = font.italic;
    lf.lfUnderline = font.underline;
    lf.lfStrikeOut = font.strikethrough;
    lf.lfCharSet = BYTE(font.charset);
    return lf;
}

FontObject FromLogFont(const LOGFONT& lf, int dpi)
{
    FontObject f;
    f.name = lf.lfFaceName;
    // A positive height is a cell height: taken as the character height,
    // the nearest a logical font without metrics can say.
    f.size = std::round(std::abs(double(lf.lfHeight)) * 72.0 / dpi * 100.0) / 100.0;
    f.weight = int16_t(lf.lfWeight);
    f.italic = lf.lfItalic != 0;
    f.underline = lf.lfUnderline != 0;
    f.strikethrough = lf.lfStrikeOut != 0;
    f.charset = lf.lfCharSet;
    return f;
}

const char* ValueTypeName(ValueType type)
{
    switch (type) {
    case ValueType::Void: return "void";
    case ValueType::Bool: return "BOOL";
    case ValueType::Short: return "short";
    case ValueType::Long: return "long";
    case ValueType::Color: return "OLE_COLOR";
    case ValueType::String: return "BSTR";
    case ValueType::Font: return "IFontDisp*";
    case ValueType::Picture: return "IPictureDisp*";
    case ValueType::ByteArray: return "SAFEARRAY(unsigned char)";
    case ValueType::Dispatch: return "IDispatch*";
    case ValueType::Variant: return "VARIANT";
    }
    return "?";
}

ValueType Variant::Type() const
{
    static constexpr ValueType kTypes[] = {ValueType::Void,   ValueType::Bool,    ValueType::Short,
                                           ValueType::Long,   ValueType::String,  ValueType::Font,
                                           ValueType::Picture, ValueType::ByteArray, ValueType::Dispatch};
    return kTypes[m_value.index()];
}

uint16_t Variant::Vt() const
{
    switch (Type()) {
    case ValueType::Bool: return VT_BOOL;
    case ValueType::Short: return VT_I2;
    case ValueType::Long: return VT_I4;
    case ValueType::String: return VT_BSTR;
    case ValueType::Font:
    case ValueType::Picture:
    case ValueType::Dispatch: return VT_DISPATCH;
    case ValueType::ByteArray: return VT_ARRAY | VT_UI1;
    default: return VT_EMPTY;
    }
}

namespace {

[[noreturn]] void Mismatch() { throw DispatchError(DISP_E_TYPEMISMATCH); }

// A whole decimal number with optional blanks around it and a sign.
int64_t ParseNumber(const std::string& s)
{
    size_t i = 0, e = s.size();
    while (i < e && s[i] == ' ')
        ++i;
    while (e > i && s[e - 1] == ' ')
        --e;
    bool negative = false;
    if (i < e && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    if (i == e)
        Mismatch();
    int64_t n = 0;
    for (; i < e; ++i) {
        if (s[i] < '0' || s[i] > '9')
            Mismatch();
        n = n * 10 + (s[i] - '0');
        if (n > int64_t(1) << 40)
            throw DispatchError(DISP_E_OVERFLOW);
    }
    return negative ? -n : n;
}

bool EqualsNoCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

} // namespace

bool Variant::ToBool() const
{
    switch (Type()) {
    case ValueType::Void: return false;
    case ValueType::Bool: return std::get<bool>(m_value);
    case ValueType::Short: return std::get<int16_t>(m_value) != 0;
    case ValueType::Long: return std::get<int32_t>(m_value) != 0;
    case ValueType::String: {
        const auto& s = std::get<std::string>(m_value);
        if (EqualsNoCase(s, "true"))
            return true;
        if (EqualsNoCase(s, "false"))
            return false;
        return ParseNumber(s) != 0;
    }
    default: Mismatch();
    }
}

int32_t Variant::ToLong() const
{
    int64_t n = 0;
    switch (Type()) {
    case ValueType::Void: return 0;
    case ValueType::Bool: return std::get<bool>(m_value) ? -1 : 0; // the platform's true
    case ValueType::Short: return std::get<int16_t>(m_value);
    case ValueType::Long: return std::get<int32_t>(m_value);
    case ValueType::String: n = ParseNumber(std::get<std::string>(m_value)); break;
    default: Mismatch();
    }
    // Colours above 0x7FFFFFFF are written as unsigned numbers.
    if (n < INT32_MIN || n > int64_t(UINT32_MAX))
        throw DispatchError(DISP_E_OVERFLOW);
    return int32_t(uint32_t(n));
}

int16_t Variant::ToShort() const
{
    int64_t n = 0;
    if (Type() == ValueType::String)
        n = ParseNumber(std::get<std::string>(m_value));
    else
        n = ToLong();
    if (n < INT16_MIN || n > INT16_MAX)
        throw DispatchError(DISP_E_OVERFLOW);
    return int16_t(n);
}

std::string Variant::ToString() const
{
    switch (Type()) {
    case ValueType::Void: return {};
    case ValueType::Bool: return std::get<bool>(m_value) ? "True" : "False";
    case ValueType::Short: return std::to_string(std::get<int16_t>(m_value));
    case ValueType::Long: return std::to_string(std::get<int32_t>(m_value));
    case ValueType::String: return std::get<std::string>(m_value);
    default: Mismatch();
    }
}

const FontObject& Variant::ToFont() const
{
    if (Type() != ValueType::Font)
        Mismatch();
    return std::get<FontObject>(m_value);
}

PicturePtr Variant::ToPicture() const
{
    if (IsEmpty())
        return nullptr;
    if (Type() != ValueType::Picture)
        Mismatch();
    return std::get<PicturePtr>(m_value);
}

const std::vector<uint8_t>& Variant::ToBytes() const
{
    static const std::vector<uint8_t> kNone;
    if (IsEmpty())
        return kNone;
    if (Type() != ValueType::ByteArray)
        Mismatch();
    return std::get<std::vector<uint8_t>>(m_value);
}

std::shared_ptr<IDispatch> Variant::ToDispatch() const
{
    if (IsEmpty())
        return nullptr;
    if (Type() != ValueType::Dispatch)
        Mismatch();
    return std::get<std::shared_ptr<IDispatch>>(m_value);
}

Variant Variant::ChangeType(ValueType type) const
{
    switch (type) {
    case ValueType::Void: return Variant();
    case ValueType::Bool: return ToBool();
    case ValueType::Short: return ToShort();
    case ValueType::Long:
    case ValueType::Color: return ToLong();
    case ValueType::String: return ToString();
    case ValueType::Font: return IsEmpty() ? Variant() : Variant(ToFont());
    case ValueType::Picture: return ToPicture();
    case ValueType::ByteArray: return ToBytes();
    case ValueType::Dispatch: return ToDispatch();
    case ValueType::Variant: return *this;
    }
    Mismatch();
}

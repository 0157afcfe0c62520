// Variant: the one value type of the dispatch interface, of events and of
// the property bag.
//
// A variant is empty, a boolean, a 16- or 32-bit integer, a UTF-8 string, a
// font object, a picture object (a bitmap), a one-dimensional byte array or
// a dispatch interface. Colours travel as 32-bit integers (0x00BBGGRR, or
// 0x80000000 | index for a system colour).
//
// The To... accessors convert like the platform's variant coercion and
// throw DispatchError (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW) when the value
// cannot be converted; that error then reaches the caller of Invoke.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "platform/com/com.h"
#include "platform/gdi/gdi.h"

class IDispatch;

// The error path of the dispatch interface: a status code, and for
// DISP_E_EXCEPTION the exception's own code, description and help context.
class DispatchError : public std::runtime_error {
public:
    explicit DispatchError(HRESULT status, std::string description = {}, uint32_t helpContext = 0,
                           uint16_t code = 0, int argIndex = -1);
    HRESULT Status() const { return m_status; }
    uint16_t Code() const { return m_code; }
    const std::string& Description() const { return m_description; }
    uint32_t HelpContext() const { return m_helpContext; }
    // The argument at fault (a type mismatch), or -1.
    int ArgIndex() const { return m_argIndex; }

private:
    HRESULT m_status;
    uint16_t m_code;
    std::string m_description;
    uint32_t m_helpContext;
    int m_argIndex;
};

// The text the platform shows for a status without a description.
std::string DescribeStatus(HRESULT status);

// The platform's font object: what a host sees of a font property.
struct FontObject {
    std::string name = "Arial"; // face name, UTF-8
    double size = 12;           // points
    int16_t weight = FW_NORMAL;
    int16_t charset = ANSI_CHARSET;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    bool Bold() const { return weight >= FW_BOLD; }
    bool operator==(const FontObject&) const = default;
};

// The logical font for a surface of `dpi` (the character height of `size`
// points) and back.
LOGFONT ToLogFont(const FontObject& font, int dpi = 96);
FontObject FromLogFont(const LOGFONT& font, int dpi = 96);

// The platform's picture object of type bitmap: top-down rows of pixels,
// each 0x00RRGGBB.
struct PictureObject {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};
using PicturePtr = std::shared_ptr<const PictureObject>;

// Value types of variants and of the members of a type library.
enum class ValueType : uint8_t {
    Void,      // empty; as a member type: no value
    Bool,
    Short,     // 16-bit
    Long,      // 32-bit
    Color,     // a Long holding a colour (type library only)
    String,    // UTF-8
    Font,
    Picture,
    ByteArray,
    Dispatch,
    Variant,   // any (type library only)
};
const char* ValueTypeName(ValueType type);

// The platform's variant type numbers.
enum : uint16_t {
    VT_EMPTY = 0,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_BOOL = 11,
    VT_UI1 = 17,
    VT_ARRAY = 0x2000,
};

class Variant {
public:
    Variant() = default;
    Variant(bool b) : m_value(b) {}
    Variant(int16_t n) : m_value(n) {}
    Variant(int32_t n) : m_value(n) {}
    Variant(const char* s) : m_value(std::string(s ? s : "")) {}
    Variant(std::string s) : m_value(std::move(s)) {}
    Variant(FontObject f) : m_value(std::move(f)) {}
    Variant(PicturePtr p) : m_value(std::move(p)) {}
    Variant(std::vector<uint8_t> bytes) : m_value(std::move(bytes)) {}
    Variant(std::shared_ptr<IDispatch> d) : m_value(std::move(d)) {}

    // The stored type (never Color or Variant).
    ValueType Type() const;
    // The platform's type number: VT_BOOL, VT_I2, VT_I4, VT_BSTR,
    // VT_DISPATCH (font, picture, dispatch), VT_ARRAY | VT_UI1 (0x2011).
    uint16_t Vt() const;
    bool IsEmpty() const { return m_value.index() == 0; }

    // Conversions (see above). Empty converts to false, 0 and "".
    bool ToBool() const;
    int16_t ToShort() const;
    int32_t ToLong() const;
    std::string ToString() const;
    // A font, picture, byte array or dispatch interface held as such;
    // anything else is a type mismatch. An empty variant gives an empty
    // picture, array or interface.
    const FontObject& ToFont() const;
    PicturePtr ToPicture() const;
    const std::vector<uint8_t>& ToBytes() const;
    std::shared_ptr<IDispatch> ToDispatch() const;

    // This value converted to `type` (Color as Long, Variant unchanged);
    // throws DispatchError like the accessors.
    Variant ChangeType(ValueType type) const;

    bool operator==(const Variant& other) const { return m_value == other.m_value; }

private:
    std::variant<std::monostate, bool, int16_t, int32_t, std::string, FontObject, PicturePtr,
                 std::vector<uint8_t>, std::shared_ptr<IDispatch>>
        m_value;
};

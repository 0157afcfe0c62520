// The dispatch interface: members found by name (GetIDsOfNames) and called
// by dispatch id (Invoke) to get or put a property or call a method, and
// the type library that describes them.
//
// Arguments are passed in their declared order (first parameter first).
// Every failure of Invoke is a thrown DispatchError:
//   DISP_E_MEMBERNOTFOUND   no member with that id, or the wrong kind of call
//   DISP_E_BADPARAMCOUNT    too many or too few arguments
//   DISP_E_TYPEMISMATCH     an argument that cannot be converted (ArgIndex)
//   DISP_E_OVERFLOW         a number out of the parameter's range
//   CTL_E_SETNOTSUPPORTED   a write to a read-only property
//   and whatever the object raises itself (CTL_E_INVALIDPROPERTYVALUE,
//   DISP_E_EXCEPTION with its code, description and help context).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/variant.h"

// Invoke flags.
enum : uint16_t {
    DISPATCH_METHOD = 1,
    DISPATCH_PROPERTYGET = 2,
    DISPATCH_PROPERTYPUT = 4,
    DISPATCH_PROPERTYPUTREF = 8,
};

// Reserved and stock dispatch ids.
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_BACKCOLOR = -501;
constexpr DISPID DISPID_FORECOLOR = -513;
constexpr DISPID DISPID_TEXT = -517;
constexpr DISPID DISPID_ABOUTBOX = -552;

// --- type library ----------------------------------------------------------

enum class MemberKind : uint8_t { Property, ReadOnlyProperty, Method };

struct ParamDesc {
    const char* name;
    ValueType type;
};

struct MemberDesc {
    DISPID id;
    const char* name;
    MemberKind kind;
    ValueType type; // property type, or the method's result (Void: none)
    std::span<const ParamDesc> params = {};

    bool IsProperty() const { return kind != MemberKind::Method; }
};

struct InterfaceDesc {
    const char* name;
    IID iid;
    const char* description;
    std::span<const MemberDesc> members;

    const MemberDesc* Find(DISPID id) const;
    // Case-insensitive, as the platform looks names up. The default-value
    // entry (DISPID_VALUE) is found by id only: its name belongs to the
    // member it stands for.
    const MemberDesc* Find(std::string_view name) const;
};

struct EnumConstant {
    const char* name;
    int32_t value;
    const char* description;
};

struct EnumDesc {
    const char* name;
    std::span<const EnumConstant> constants;
};

struct TypeLibDesc {
    const char* name;
    GUID libid;
    uint16_t majorVersion;
    uint16_t minorVersion;
    const InterfaceDesc* dispatch; // the default interface of the class
    const InterfaceDesc* events;   // its default source interface
    std::span<const EnumDesc> enums;
    const char* coclass;
    CLSID clsid;
};

// --- the interface -----------------------------------------------------------

class IDispatch : public virtual IUnknown {
public:
    // The description of this interface's members.
    virtual const InterfaceDesc& GetTypeInfo() const = 0;

    // names[0] is a member name, the others names of its parameters. Fills
    // `ids` with the member's dispatch id and the parameters' positions;
    // an unknown name gets DISPID_UNKNOWN and the result DISP_E_UNKNOWNNAME.
    virtual HRESULT GetIDsOfNames(const std::vector<std::string>& names, std::vector<DISPID>& ids) const;
    // The dispatch id of one member, DISPID_UNKNOWN when there is none.
    DISPID GetIDOfName(std::string_view name) const;

    // Gets, puts or calls member `id` (see the top of this file).
    virtual Variant Invoke(DISPID id, uint16_t flags, const std::vector<Variant>& args = {}) = 0;

    // Conveniences over Invoke, by id or by name (an unknown name throws
    // DispatchError with DISP_E_UNKNOWNNAME).
    Variant GetProperty(DISPID id) { return Invoke(id, DISPATCH_PROPERTYGET); }
    void PutProperty(DISPID id, const Variant& value) { Invoke(id, DISPATCH_PROPERTYPUT, {value}); }
    Variant Call(DISPID id, const std::vector<Variant>& args = {}) { return Invoke(id, DISPATCH_METHOD, args); }
    Variant GetProperty(std::string_view name) { return GetProperty(IdOrThrow(name)); }
    void PutProperty(std::string_view name, const Variant& value) { PutProperty(IdOrThrow(name), value); }
    Variant Call(std::string_view name, const std::vector<Variant>& args = {}) { return Call(IdOrThrow(name), args); }

private:
    DISPID IdOrThrow(std::string_view name) const;
};

// A dispatch implementation driven by the type library: it checks the kind
// of call, the argument count and the argument types against the member's
// description, converts the arguments to the declared types, refuses
// writes to read-only properties, and hands the rest to the three hooks.
class CDispatchImpl : public IDispatch {
public:
    Variant Invoke(DISPID id, uint16_t flags, const std::vector<Variant>& args = {}) override;

protected:
    virtual Variant InvokeGet(const MemberDesc& member) = 0;
    // `value` is already converted to the property's type.
    virtual void InvokePut(const MemberDesc& member, const Variant& value) = 0;
    // `args` are converted to the parameter types, one per parameter.
    virtual Variant InvokeMethod(const MemberDesc& member, const std::vector<Variant>& args) = 0;
};

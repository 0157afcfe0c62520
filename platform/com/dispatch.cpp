// Name look-up and the checked Invoke of the dispatch interface.
#include "platform/com/dispatch.h"

#include <cctype>

namespace {

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

Variant Convert(const Variant& value, ValueType type, int argIndex)
{
    try {
        return value.ChangeType(type);
    } catch (const DispatchError& e) {
        throw DispatchError(e.Status(), {}, 0, 0, argIndex);
    }
}

} // namespace

const MemberDesc* InterfaceDesc::Find(DISPID id) const
{
    for (const auto& m : members)
        if (m.id == id)
            return &m;
    return nullptr;
}

const MemberDesc* InterfaceDesc::Find(std::string_view name) const
{
    for (const auto& m : members)
        if (m.id != DISPID_VALUE && SameName(m.name, name))
            return &m;
    return nullptr;
}

HRESULT IDispatch::GetIDsOfNames(const std::vector<std::string>& names, std::vector<DISPID>& ids) const
{
    ids.assign(names.size(), DISPID_UNKNOWN);
    if (names.empty())
        return E_INVALIDARG;
    const MemberDesc* m = GetTypeInfo().Find(names[0]);
    if (!m)
        return DISP_E_UNKNOWNNAME;
    ids[0] = m->id;
    HRESULT hr = S_OK;
    for (size_t i = 1; i < names.size(); ++i) {
        for (size_t p = 0; p < m->params.size(); ++p)
            if (SameName(m->params[p].name, names[i]))
                ids[i] = DISPID(p);
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

DISPID IDispatch::GetIDOfName(std::string_view name) const
{
    const MemberDesc* m = GetTypeInfo().Find(name);
    return m ? m->id : DISPID_UNKNOWN;
}

DISPID IDispatch::IdOrThrow(std::string_view name) const
{
    const DISPID id = GetIDOfName(name);
    if (id == DISPID_UNKNOWN)
        throw DispatchError(DISP_E_UNKNOWNNAME, "Unknown name: " + std::string(name));
    return id;
}

Variant CDispatchImpl::Invoke(DISPID id, uint16_t flags, const std::vector<Variant>& args)
{
    const MemberDesc* m = GetTypeInfo().Find(id);
    if (!m)
        throw DispatchError(DISP_E_MEMBERNOTFOUND);

    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (!m->IsProperty())
            throw DispatchError(DISP_E_MEMBERNOTFOUND);
        if (args.size() != 1)
            throw DispatchError(DISP_E_BADPARAMCOUNT);
        if (m->kind == MemberKind::ReadOnlyProperty)
            throw DispatchError(CTL_E_SETNOTSUPPORTED);
        InvokePut(*m, Convert(args[0], m->type, 0));
        return Variant();
    }
    if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)))
        throw DispatchError(DISP_E_MEMBERNOTFOUND);
    if (m->IsProperty()) {
        // A property called like a method without arguments reads it.
        if (!args.empty())
            throw DispatchError(DISP_E_BADPARAMCOUNT);
        return InvokeGet(*m);
    }
    if (args.size() != m->params.size())
        throw DispatchError(DISP_E_BADPARAMCOUNT);
    std::vector<Variant> converted;
    converted.reserve(args.size());
    for (size_t i = 0; i < args.size(); ++i)
        converted.push_back(Convert(args[i], m->params[i].type, int(i)));
    return InvokeMethod(*m, converted);
}

// Property bag and property exchange.
#include "platform/com/propbag.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

template <class T, class Get>
bool ExchangeAs(CPropExchange* px, const std::string& name, ValueType type, T& value, const T& defaultValue,
                Get get)
{
    Variant v = value;
    const bool found = px->Exchange(name, type, v, Variant(defaultValue));
    if (px->IsLoading())
        value = get(v);
    return found;
}

} // namespace

void CPropertyBag::Write(const std::string& name, const Variant& value)
{
    for (auto& item : m_items)
        if (SameName(item.first, name)) {
            item.second = value;
            return;
        }
    m_items.emplace_back(name, value);
}

bool CPropertyBag::Read(const std::string& name, Variant& value) const
{
    for (const auto& item : m_items)
        if (SameName(item.first, name)) {
            value = item.second;
            return true;
        }
    return false;
}

bool CPropertyBag::Remove(const std::string& name)
{
    const auto it = std::find_if(m_items.begin(), m_items.end(), [&](const auto& i) { return SameName(i.first, name); });
    if (it == m_items.end())
        return false;
    m_items.erase(it);
    return true;
}

bool CPropExchange::Exchange(const std::string& name, ValueType type, Variant& value, const Variant& defaultValue)
{
    switch (m_mode) {
    case Save:
        if (m_bag)
            m_bag->Write(name, value);
        return true;
    case Reset:
        value = defaultValue;
        return true;
    case Load:
        break;
    }
    Variant stored;
    if (m_bag && m_bag->Read(name, stored) && !stored.IsEmpty()) {
        try {
            value = stored.ChangeType(type);
            return true;
        } catch (const DispatchError&) {
        }
    }
    value = defaultValue;
    m_allFound = false;
    return false;
}

bool PX_Bool(CPropExchange* px, const std::string& name, BOOL& value, BOOL defaultValue)
{
    Variant v = value != FALSE;
    const bool found = px->Exchange(name, ValueType::Bool, v, Variant(defaultValue != FALSE));
    if (px->IsLoading())
        value = v.ToBool() ? TRUE : FALSE;
    return found;
}

bool PX_Short(CPropExchange* px, const std::string& name, int16_t& value, int16_t defaultValue)
{
    return ExchangeAs(px, name, ValueType::Short, value, defaultValue, [](const Variant& v) { return v.ToShort(); });
}

bool PX_Long(CPropExchange* px, const std::string& name, int32_t& value, int32_t defaultValue)
{
    return ExchangeAs(px, name, ValueType::Long, value, defaultValue, [](const Variant& v) { return v.ToLong(); });
}

bool PX_Color(CPropExchange* px, const std::string& name, uint32_t& value, uint32_t defaultValue)
{
    int32_t v = int32_t(value);
    const bool found = PX_Long(px, name, v, int32_t(defaultValue));
    value = uint32_t(v);
    return found;
}

bool PX_String(CPropExchange* px, const std::string& name, std::string& value, const std::string& defaultValue)
{
    return ExchangeAs(px, name, ValueType::String, value, defaultValue, [](const Variant& v) { return v.ToString(); });
}

bool PX_Font(CPropExchange* px, const std::string& name, FontObject& value, const FontObject& defaultValue)
{
    return ExchangeAs(px, name, ValueType::Font, value, defaultValue, [](const Variant& v) { return v.ToFont(); });
}

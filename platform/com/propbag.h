// The property bag (the container's storage of a control's persisted
// properties: an ordered list of named values) and the property exchange
// through which a control loads, saves and resets them with one routine.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/com/variant.h"

class CPropertyBag {
public:
    // Replaces the value of that name (names compare case-insensitively)
    // in place, or appends it.
    void Write(const std::string& name, const Variant& value);
    // False, and `value` untouched, when there is no such name.
    bool Read(const std::string& name, Variant& value) const;
    bool Remove(const std::string& name);

    const std::vector<std::pair<std::string, Variant>>& Items() const { return m_items; }
    size_t Size() const { return m_items.size(); }
    void Clear() { m_items.clear(); }

private:
    std::vector<std::pair<std::string, Variant>> m_items;
};

// One pass over a control's persisted properties.
//   Save:  every value is written to the bag, in exchange order;
//   Load:  every value is read from the bag, converted to its type; a
//          value that is absent or cannot be converted takes its default;
//   Reset: every value takes its default.
class CPropExchange {
public:
    enum Mode { Save, Load, Reset };
    CPropExchange(Mode mode, CPropertyBag* bag) : m_mode(mode), m_bag(bag) {}

    Mode GetMode() const { return m_mode; }
    bool IsLoading() const { return m_mode != Save; }
    // Whether every loaded value was found and converted.
    bool AllFound() const { return m_allFound; }

    // Exchanges `value` as `type` (see above); true unless loading fell
    // back to the default.
    bool Exchange(const std::string& name, ValueType type, Variant& value, const Variant& defaultValue);

private:
    Mode m_mode;
    CPropertyBag* m_bag;
    bool m_allFound = true;
};

// Typed exchanges (the platform's PX_ functions).
bool PX_Bool(CPropExchange* px, const std::string& name, BOOL& value, BOOL defaultValue);
bool PX_Short(CPropExchange* px, const std::string& name, int16_t& value, int16_t defaultValue);
bool PX_Long(CPropExchange* px, const std::string& name, int32_t& value, int32_t defaultValue);
bool PX_Color(CPropExchange* px, const std::string& name, uint32_t& value, uint32_t defaultValue);
bool PX_String(CPropExchange* px, const std::string& name, std::string& value, const std::string& defaultValue);
bool PX_Font(CPropExchange* px, const std::string& name, FontObject& value, const FontObject& defaultValue);

// The symbology catalogue: type ids, display names and sample texts, the
// tolerant type-name parser, the factory behind a type change and the
// automatic type detection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "control/symbologies/symbologies.h"

constexpr int32_t kTypeCount = 32; // what CountTypesSupported reports
constexpr int32_t kInvalidPropertyValue = int32_t(0x800A017C);

// The rows of the type list (control/engine/typelist.h) in id order, 0 to
// 32 and then 99.
const TypeInfo* TypeInfos();
size_t TypeInfoCount();
const TypeInfo* FindTypeInfo(int32_t id);

// A new symbol object of the type's class; nullptr for an id that is not
// in the catalogue.
SymbolPtr CreateSymbol(int32_t type);
// The alias table behind TypeName writes: the id an upper-cased name
// selects, or -1 when it is not in the table (34 for the PDF 417 names,
// which are no symbology here).
int32_t LookupTypeAlias(const std::string& upperName);
// ANSI (Windows-1252) upper-casing, as the type-name parser compares.
std::string AnsiUpper(const std::string& s);

// What a type change asks of the control that owns the symbol object.
class ISymbolHost {
public:
    virtual ~ISymbolHost() = default;
    // Raises the invalid-property-value error to the caller; does not
    // return (throws the dispatch error).
    [[noreturn]] virtual void ThrowError(int32_t status, const std::string& description,
                                         uint32_t helpContext) = 0;
    virtual void InvalidateControl() = 0;   // repaint, background erased
    virtual void SetModifiedFlag() = 0;
    virtual bool AmbientUserMode() const = 0;
    virtual void BoundPropertyChanged(int32_t dispid) = 0;
    virtual void FireTypeChange(int32_t type) = 0;
};

// The control's symbol object and the state a type change hands to it.
class CSymbolSlot {
public:
    explicit CSymbolSlot(ISymbolHost& host) : m_host(host) {}

    void SetType(int32_t type);
    void ParseTypeName(const std::string& name); // Windows-1252
    void DetectType();
    int32_t GetType();           // asks the symbol object and stores the answer
    std::string GetTypeName();   // likewise

    CGenericBarcode* Symbol() const { return m_symbol.get(); }
    // Hands the symbol object over (for a user without a control).
    SymbolPtr Release() { return std::move(m_symbol); }

    // State handed to every new symbol object, in this order.
    std::string m_text;
    BOOL m_showText = TRUE;
    int16_t m_notchHeightInPercent = 25;
    int16_t m_rotate = 0;
    BOOL m_autoType = FALSE;
    // Stored type number and name.
    int32_t m_type = 1;
    std::string m_typeName = "EAN 13";

private:
    ISymbolHost& m_host;
    SymbolPtr m_symbol;
};

// Type names and the text conversion at the control's boundary.
// - ParseTypeName with any Windows-1252 bytes: a name of the alias table
//   selects its type (the PDF 417 names raise the invalid-value error and
//   leave the type alone), any other name changes nothing;
// - AnsiUpper keeps the length and is idempotent;
// - Utf8ToCp1252 / Cp1252ToUtf8: every byte string survives the way out and
//   back in; UTF-8 that came out is well formed; a malformed sequence never
//   grows the text;
// - the control's TypeName and Text properties with any UTF-8 bytes (and
//   automatic type detection on or off) leave a usable control whose Text
//   reads back as the conversion says.
#include <memory>
#include <string>

#include "control/engine/catalogue.h"
#include "control/interface/barcodectrl.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

class CRecordingHost : public ISymbolHost {
public:
    struct Refused {
        int32_t status;
    };
    [[noreturn]] void ThrowError(int32_t status, const std::string&, uint32_t) override { throw Refused{status}; }
    void InvalidateControl() override {}
    void SetModifiedFlag() override {}
    bool AmbientUserMode() const override { return true; }
    void BoundPropertyChanged(int32_t) override {}
    void FireTypeChange(int32_t) override {}
};

// Well-formed UTF-8: shortest forms, no surrogates, nothing past U+10FFFF.
bool IsUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t n;
        char32_t c;
        if (b < 0x80) { ++i; continue; }
        if (b >= 0xC2 && b <= 0xDF) n = 1, c = b & 0x1F;
        else if (b >= 0xE0 && b <= 0xEF) n = 2, c = b & 0x0F;
        else if (b >= 0xF0 && b <= 0xF4) n = 3, c = b & 0x07;
        else return false;
        if (i + n >= s.size()) return false;
        for (size_t k = 1; k <= n; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            c = c << 6 | (t & 0x3F);
        }
        if ((n == 2 && c < 0x800) || (n == 3 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

void CheckConversions(const std::string& bytes)
{
    const std::string utf8 = Cp1252ToUtf8(bytes);
    FUZZ_CHECK(IsUtf8(utf8), "Cp1252ToUtf8(\"%s\") is not UTF-8", Printable(bytes).c_str());
    FUZZ_CHECK(Utf8ToCp1252(utf8) == bytes, "\"%s\" does not survive the round trip", Printable(bytes).c_str());

    const std::string cp = Utf8ToCp1252(bytes);
    FUZZ_CHECK(cp.size() <= bytes.size(), "Utf8ToCp1252(\"%s\") grew", Printable(bytes).c_str());
    if (IsUtf8(bytes)) {
        // Well-formed input: one byte per character, and every character
        // that Windows-1252 has comes back.
        const std::string back = Cp1252ToUtf8(cp);
        FUZZ_CHECK(IsUtf8(back), "no UTF-8 back for \"%s\"", Printable(bytes).c_str());
        FUZZ_CHECK(Utf8ToCp1252(back) == cp, "\"%s\" changes on a second pass", Printable(bytes).c_str());
    }
}

void CheckTypeName(const std::string& name, bool autoType, const std::string& text)
{
    const std::string upper = AnsiUpper(name);
    FUZZ_CHECK(upper.size() == name.size() && AnsiUpper(upper) == upper, "AnsiUpper(\"%s\") = \"%s\"",
               Printable(name).c_str(), Printable(upper).c_str());

    CRecordingHost host;
    CSymbolSlot slot(host);
    slot.m_text = text;
    slot.m_autoType = autoType ? TRUE : FALSE;
    slot.SetType(1);
    const int32_t before = slot.GetType();
    const int32_t alias = LookupTypeAlias(upper);
    bool refused = false;
    try {
        slot.ParseTypeName(name);
    } catch (const CRecordingHost::Refused& r) {
        refused = true;
        FUZZ_CHECK(r.status == kInvalidPropertyValue, "status %d", r.status);
    }
    FUZZ_CHECK(slot.Symbol() != nullptr, "no symbol after \"%s\"", Printable(name).c_str());
    const int32_t after = slot.GetType();
    FUZZ_CHECK(FindTypeInfo(after) != nullptr, "type %d after \"%s\"", after, Printable(name).c_str());
    if (alias < 0) {
        FUZZ_CHECK(!refused && after == before, "\"%s\" is no name but changed the type from %d to %d",
                   Printable(name).c_str(), before, after);
    } else if (FindTypeInfo(alias) == nullptr) {
        FUZZ_CHECK(refused && after == before, "\"%s\" names no type but gave %d", Printable(name).c_str(), after);
    } else if (!autoType) {
        FUZZ_CHECK(after == alias, "\"%s\" selects %d, got %d", Printable(name).c_str(), alias, after);
    }
    FUZZ_CHECK(slot.GetTypeName() == FindTypeInfo(after)->name, "type %d is called \"%s\"", after,
               slot.GetTypeName().c_str());
}

// The control's own property paths, with UTF-8 from outside.
void CheckControl(const std::string& name, const std::string& text, bool autoType)
{
    static const std::shared_ptr<CBarcodeCtrl> control = [] {
        auto c = std::make_shared<CBarcodeCtrl>();
        c->InitNew();
        return c;
    }();
    control->SetAutoType(FALSE);
    control->SetType(1);
    control->SetAutoType(autoType ? TRUE : FALSE);
    try {
        control->SetTypeName(name);
    } catch (const DispatchError& e) {
        FUZZ_CHECK(e.Status() == kInvalidPropertyValue, "status %d", int(e.Status()));
    }
    control->SetText(text);
    const std::string back = control->GetText();
    FUZZ_CHECK(back == Cp1252ToUtf8(Utf8ToCp1252(text)), "Text \"%s\" reads back as \"%s\"", Printable(text).c_str(),
               Printable(back).c_str());
    FUZZ_CHECK(IsUtf8(control->GetTypeName()), "TypeName is not UTF-8");
    (void)control->GetIsValid();
    (void)control->GetChecksum();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CFuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const std::string name = in.Field('\0');
    const std::string text = in.Rest();
    CheckConversions(name);
    CheckConversions(text);
    CheckTypeName(name, flags & 1, text);
    CheckControl(name, text, flags & 2);
    return 0;
}

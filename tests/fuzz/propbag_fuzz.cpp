// The control loaded from a property bag of arbitrary names and values
// (values read from storage bypass the property setters), then queried,
// drawn on the metafile and raster surfaces and saved.
// - loading never fails to leave a usable control: a catalogue type, a
//   right-angle rotation, UTF-8 texts;
// - what a loaded control saves loads into a control that saves the same.
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "control/engine/catalogue.h"
#include "control/interface/barcodectrl.h"
#include "platform/gdi/metafile.h"
#include "platform/gdi/raster.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr const char* kNames[] = {"Type",        "TypeName",     "Text",     "AutoType",
                                  "Font",        "ShowText",     "Borderwidth", "Borderheight",
                                  "NotchHeightInPercent", "Rotate", "_Version", "_ExtentX",
                                  "_ExtentY",    "ForeColor",    "BackColor"};

std::string ReadName(CFuzzInput& in)
{
    const uint8_t b = in.Byte();
    if (b >= 0xF0) return in.Field('\0');
    std::string name = kNames[b % std::size(kNames)];
    // Stored names compare without regard to case.
    if (b & 0x80)
        for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

double ReadDouble(CFuzzInput& in)
{
    const uint8_t b = in.Byte();
    if (b < 0xC0) return b / 4.0;
    uint64_t bits = uint64_t(in.Dword()) | uint64_t(in.Dword()) << 32;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

Variant ReadValue(CFuzzInput& in)
{
    switch (in.Byte() % 9) {
    case 0: return Variant();
    case 1: return Variant(in.Bool());
    case 2: return Variant(in.Short());
    case 3: {
        const uint8_t b = in.Byte();
        return Variant(b < 0xC0 ? int32_t(b) - 64 : in.Long());
    }
    case 4: return Variant(in.Field('\0'));
    case 5: {
        FontObject f;
        f.name = in.Field('\0');
        f.size = ReadDouble(in);
        f.weight = in.Short();
        f.charset = in.Short();
        const uint8_t flags = in.Byte();
        f.italic = flags & 1;
        f.underline = flags & 2;
        f.strikethrough = flags & 4;
        return Variant(f);
    }
    case 6: {
        auto p = std::make_shared<PictureObject>();
        p->width = in.Byte();
        p->height = in.Byte();
        p->pixels.resize(in.Byte());
        return Variant(PicturePtr(p));
    }
    case 7: {
        const std::string bytes = in.Bytes(in.Byte());
        return Variant(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    default: return Variant(std::shared_ptr<IDispatch>());
    }
}

std::shared_ptr<CBarcodeCtrl> Loaded(const CPropertyBag& bag)
{
    auto control = std::make_shared<CBarcodeCtrl>();
    const HRESULT hr = control->Load(bag);
    FUZZ_CHECK(hr == S_OK || hr == kInvalidPropertyValue, "Load gave 0x%08X", uint32_t(hr));
    return control;
}

// Bags compare value by value; a font size that is not a number never
// equals itself, so sizes compare by their bits.
bool SameBag(const CPropertyBag& a, const CPropertyBag& b)
{
    if (a.Size() != b.Size()) return false;
    for (size_t i = 0; i < a.Size(); ++i) {
        const auto& [an, av] = a.Items()[i];
        const auto& [bn, bv] = b.Items()[i];
        if (an != bn) return false;
        if (av.Type() == ValueType::Font && bv.Type() == ValueType::Font) {
            FontObject af = av.ToFont(), bf = bv.ToFont();
            if (std::memcmp(&af.size, &bf.size, sizeof af.size) != 0) return false;
            af.size = bf.size = 0;
            if (!(af == bf)) return false;
        } else if (!(av == bv)) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CFuzzInput in(data, size);
    CPropertyBag bag;
    while (in.Left() > 0 && bag.Size() < 32) {
        const std::string name = ReadName(in);
        bag.Write(name, ReadValue(in));
    }

    const auto control = Loaded(bag);
    const int32_t type = control->GetType();
    FUZZ_CHECK(FindTypeInfo(type) != nullptr, "loaded type %d", type);
    const int16_t rotate = control->GetRotate();
    FUZZ_CHECK(rotate == 0 || rotate == 90 || rotate == 180 || rotate == 270, "loaded rotation %d", rotate);
    (void)control->GetText();
    (void)control->GetTypeName();
    (void)control->GetIsValid();
    (void)control->GetChecksum();
    (void)control->GetMaxBorderwidth();
    (void)control->GetMaxBorderheight();

    // The loaded extent on the metafile, a small area on pixels.
    const SIZE extent = control->GetExtent();
    CMetaFileDC meta(extent.cx, extent.cy);
    control->DrawBarcode(&meta, RECT{0, 0, extent.cx, extent.cy}, RECT{0, 0, extent.cx, extent.cy});
    (void)meta.ToSvg();
    CRasterDC raster(160, 90);
    control->DrawBarcode(&raster, RECT{0, 0, 160, 90}, RECT{0, 0, 160, 90});
    (void)control->GetIsSizeOk();

    CPropertyBag saved;
    control->Save(saved);
    const auto again = Loaded(saved);
    CPropertyBag savedAgain;
    again->Save(savedAgain);
    FUZZ_CHECK(SameBag(saved, savedAgain), "a saved control does not load to the same state");
    return 0;
}

#include <gtest/gtest.h>

#include "control/engine/barcode.h"
#include "platform/gdi/metafile.h"

namespace {

class CProbe : public CGenericBarcode {
public:
    using CGenericBarcode::FillStrip;
    void Place(RECT r, int16_t rotate) { m_rect = r; m_rotate = rotate; }
};

struct StripCase {
    int16_t rotate;
    RECT expected;
};

TEST(Primitives, FillStripAtEachRotation)
{
    // A bar of width 4 at offset 10 in the rectangle (100, 50)-(300, 150).
    const StripCase cases[] = {
        {0, {110, 50, 114, 150}},
        {90, {100, 60, 300, 64}},
        {180, {285, 50, 289, 150}}, // one unit further left than the mirror image
        {270, {100, 135, 300, 139}},
    };
    for (const auto& c : cases) {
        CProbe probe;
        probe.SetRotate(c.rotate);
        CMetaFileDC dc;
        probe.FillStrip(&dc, RECT{100, 50, 300, 150}, 10, 4);
        ASSERT_EQ(dc.Records().size(), 1u);
        EXPECT_EQ(dc.Records()[0].rect, c.expected) << "rotation " << c.rotate;
    }
}

} // namespace

// The paint sequence shared by the control's window and every image output.
#include "control/engine/renderer.h"

LOGFONT PaintState::DefaultBarcodeFont()
{
    LOGFONT f;
    f.lfFaceName = "Arial";
    f.lfHeight = PointsToHeight(18, 96);
    f.lfWeight = FW_BOLD;
    return f;
}

int32_t EscapementForRotation(int16_t rotate)
{
    switch (rotate) {
    case 90: return 2700;
    case 180: return 1800;
    case 270: return 900;
    default: return 0;
    }
}

void DrawBarcode(CDC* dc, const RECT& bounds, CGenericBarcode& symbol, const PaintState& state)
{
    symbol.SetShowText(state.showText);
    symbol.SetNotchHeightInPercent(state.notchHeightInPercent);
    symbol.SetRotate(state.rotate);

    const CBrush brush{BS_SOLID, state.foreColor};
    const CPen pen{PS_SOLID, 0, state.foreColor};
    dc->SetTextColor(state.foreColor);
    dc->SetBkMode(TRANSPARENT);
    dc->FillRect(bounds, CBrush{BS_SOLID, state.backColor});
    const CBrush oldBrush = dc->SelectObject(brush);
    const CPen oldPen = dc->SelectObject(pen);

    LOGFONT font = state.font;
    font.lfEscapement = font.lfOrientation = EscapementForRotation(state.rotate);
    const CFont oldFont = dc->SelectObject(font);

    // Without text no font is needed: loading the font configuration is
    // most of what a first symbol costs.
    TEXTMETRIC tm{};
    if (state.showText) dc->GetTextMetrics(tm);
    symbol.SetTextHeight(state.showText ? tm.tmHeight : 0);

    RECT r = bounds;
    r.left += state.borderWidth;
    r.right -= state.borderWidth;
    r.top += state.borderHeight;
    r.bottom -= state.borderHeight;
    symbol.Paint(dc, r);

    dc->SelectObject(oldFont);
    dc->SelectObject(oldPen);
    dc->SelectObject(oldBrush);
}

// The metafile surface: records every drawing call with the state it
// depends on, replays the recording onto any other surface and serialises
// it to SVG. Tests use it to assert exact geometry.
#pragma once

#include <vector>

#include "platform/gdi/gdi.h"

struct MetaRecord {
    enum Kind { FillRect, Rectangle, TextOut };
    Kind kind = FillRect;
    RECT rect{};          // FillRect, Rectangle
    CBrush brush{};       // FillRect: the brush given; Rectangle: the current brush
    CPen pen{};           // Rectangle: the current pen
    POINT pt{};           // TextOut: reference point
    std::string text;     // TextOut: Windows-1252
    CFont font{};         // TextOut: the current font
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    UINT align = 0;
};

class CMetaFileDC : public CDC {
public:
    // width/height: the recording frame in device units; dpi: what
    // GetDeviceCaps reports; attribDC false: a surface without attribute
    // context.
    explicit CMetaFileDC(int width = 0, int height = 0, int dpi = 96, bool attribDC = true);

    void FillRect(const RECT& r, const CBrush& brush) override;
    BOOL Rectangle(int left, int top, int right, int bottom) override;
    using CDC::Rectangle;
    BOOL TextOut(int x, int y, const std::string& text) override;
    int GetDeviceCaps(int index) const override;
    bool HasAttribDC() const override { return m_attribDC; }

    const std::vector<MetaRecord>& Records() const { return m_records; }
    void Clear() { m_records.clear(); }
    // Draws every record onto another surface, with the recorded state.
    void Replay(CDC& target) const;
    // The recording as an SVG document of the frame's size.
    std::string ToSvg() const;

    // Description kept with the recording (application and picture name).
    std::string m_description;

private:
    std::vector<MetaRecord> m_records;
    int m_width, m_height, m_dpi;
    bool m_attribDC;
};

// The recording surface.
#include "platform/gdi/metafile.h"

CMetaFileDC::CMetaFileDC(int width, int height, int dpi, bool attribDC)
    : m_width(width), m_height(height), m_dpi(dpi), m_attribDC(attribDC)
{
}

void CMetaFileDC::FillRect(const RECT& r, const CBrush& brush)
{
    MetaRecord rec;
    rec.kind = MetaRecord::FillRect;
    rec.rect = r;
    rec.brush = brush;
    m_records.push_back(std::move(rec));
}

BOOL CMetaFileDC::Rectangle(int left, int top, int right, int bottom)
{
    MetaRecord rec;
    rec.kind = MetaRecord::Rectangle;
    rec.rect = {left, top, right, bottom};
    rec.brush = m_brush;
    rec.pen = m_pen;
    m_records.push_back(std::move(rec));
    return TRUE;
}

BOOL CMetaFileDC::TextOut(int x, int y, const std::string& text)
{
    MetaRecord rec;
    rec.kind = MetaRecord::TextOut;
    rec.pt = {x, y};
    rec.text = text;
    rec.font = m_font;
    rec.textColor = m_textColor;
    rec.bkColor = m_bkColor;
    rec.bkMode = m_bkMode;
    rec.align = m_textAlign;
    m_records.push_back(std::move(rec));
    return TRUE;
}

int CMetaFileDC::GetDeviceCaps(int index) const
{
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return m_dpi;
    case HORZRES: return m_width;
    case VERTRES: return m_height;
    case BITSPIXEL: return 32;
    default: return 0;
    }
}

void CMetaFileDC::Replay(CDC& target) const
{
    const CPen oldPen = target.SelectObject(target.GetCurrentPen());
    const CBrush oldBrush = target.SelectObject(target.GetCurrentBrush());
    const CFont oldFont = target.SelectObject(target.GetCurrentFont());
    for (const MetaRecord& rec : m_records) {
        switch (rec.kind) {
        case MetaRecord::FillRect: target.FillRect(rec.rect, rec.brush); break;
        case MetaRecord::Rectangle:
            target.SelectObject(rec.pen);
            target.SelectObject(rec.brush);
            target.Rectangle(rec.rect);
            break;
        case MetaRecord::TextOut:
            target.SelectObject(rec.font);
            target.SetTextColor(rec.textColor);
            target.SetBkColor(rec.bkColor);
            target.SetBkMode(rec.bkMode);
            target.SetTextAlign(rec.align);
            target.TextOut(rec.pt.x, rec.pt.y, rec.text);
            break;
        }
    }
    target.SelectObject(oldPen);
    target.SelectObject(oldBrush);
    target.SelectObject(oldFont);
}

std::string CMetaFileDC::ToSvg() const
{
    // Placeholder until the vector surfaces land.
    return std::string();
}

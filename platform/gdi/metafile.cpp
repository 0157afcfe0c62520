// The recording surface.
#include "platform/gdi/metafile.h"

#include <algorithm>
#include <cstdio>

#include "platform/gdi/font.h"

namespace {

std::string Color(COLORREF c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

// Text for XML character data and attribute values. Control characters
// have no place in XML 1.0 and become '?'.
std::string Xml(const std::string& utf8)
{
    std::string out;
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += (static_cast<unsigned char>(c) < 0x20 && c != '\t') ? '?' : c;
        }
    }
    return out;
}

void Rect(std::string& svg, int l, int t, int r, int b, COLORREF c)
{
    if (r <= l || b <= t) return;
    svg += "<rect x=\"" + std::to_string(l) + "\" y=\"" + std::to_string(t) + "\" width=\"" +
           std::to_string(r - l) + "\" height=\"" + std::to_string(b - t) + "\" fill=\"" + Color(c) + "\"/>\n";
}

// The same pixels a raster surface covers for the record.
void RectangleSvg(std::string& svg, const MetaRecord& rec)
{
    RECT r = rec.rect;
    if (r.right < r.left) std::swap(r.left, r.right);
    if (r.bottom < r.top) std::swap(r.top, r.bottom);
    const bool pen = rec.pen.style != PS_NULL;
    if (rec.brush.style != BS_NULL)
        Rect(svg, r.left, r.top, pen ? r.right : r.right - 1, pen ? r.bottom : r.bottom - 1, rec.brush.color);
    if (pen && !(rec.brush.style != BS_NULL && rec.brush.color == rec.pen.color)) {
        const int w = std::max(1, rec.pen.width);
        Rect(svg, r.left, r.top, r.right, std::min(r.bottom, r.top + w), rec.pen.color);
        Rect(svg, r.left, std::max(r.top, r.bottom - w), r.right, r.bottom, rec.pen.color);
        Rect(svg, r.left, r.top, std::min(r.right, r.left + w), r.bottom, rec.pen.color);
        Rect(svg, std::max(r.left, r.right - w), r.top, r.right, r.bottom, rec.pen.color);
    }
}

// Text as a text element in its turned frame, stretched to the advance
// widths the layout used, with its background cell and lines as rectangles.
void TextSvg(std::string& svg, const MetaRecord& rec)
{
    if (rec.text.empty()) return;
    const TextLayout L = LayoutText(rec.font, rec.align, rec.pt.x, rec.pt.y, rec.text);
    const int x = rec.pt.x, y = rec.pt.y;
    const double degrees = (rec.font.lfEscapement % 3600) / 10.0;
    char rotate[96] = "";
    if (degrees != 0) std::snprintf(rotate, sizeof rotate, " transform=\"rotate(%g %d %d)\"", -degrees, x, y);
    svg += std::string("<g") + rotate + ">\n";
    if (rec.bkMode == OPAQUE) Rect(svg, x + L.left, y + L.top, x + L.left + L.width, y + L.top + L.height, rec.bkColor);

    std::string family;
    family.append(1, '\'').append(Xml(rec.font.lfFaceName)).append(1, '\'');
    const std::string resolved = GetResolvedFamily(rec.font);
    if (!resolved.empty() && resolved != rec.font.lfFaceName) family.append(", '").append(Xml(resolved)).append(1, '\'');
    char attrs[160];
    std::snprintf(attrs, sizeof attrs, " font-size=\"%gpx\" font-weight=\"%d\"%s", L.ppem,
                  rec.font.lfWeight <= 0 ? FW_NORMAL : rec.font.lfWeight, rec.font.lfItalic ? " font-style=\"italic\"" : "");
    svg += "<text x=\"" + std::to_string(x + L.left) + "\" y=\"" + std::to_string(y + L.baseline) +
           "\" font-family=\"" + family + ", sans-serif\"" + attrs + " fill=\"" + Color(rec.textColor) + "\"";
    if (L.width > 0) svg += " textLength=\"" + std::to_string(L.width) + "\" lengthAdjust=\"spacingAndGlyphs\"";
    svg += " xml:space=\"preserve\">" + Xml(Cp1252ToUtf8(rec.text)) + "</text>\n";

    const int l = x + L.left, r = x + L.left + L.width;
    if (L.underlineSize) Rect(svg, l, y + L.underlineTop, r, y + L.underlineTop + L.underlineSize, rec.textColor);
    if (L.strikeSize) Rect(svg, l, y + L.strikeTop, r, y + L.strikeTop + L.strikeSize, rec.textColor);
    svg += "</g>\n";
}

} // namespace

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
    return SurfaceDeviceCaps(index, m_dpi, m_width, m_height);
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
    const std::string w = std::to_string(std::max(0, m_width)), h = std::to_string(std::max(0, m_height));
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + w + "\" height=\"" + h +
                      "\" viewBox=\"0 0 " + w + " " + h + "\" shape-rendering=\"crispEdges\">\n";
    // The description holds its parts separated by NULs.
    std::string title;
    for (size_t start = 0; start < m_description.size();) {
        size_t end = m_description.find('\0', start);
        if (end == std::string::npos) end = m_description.size();
        if (end > start) title += (title.empty() ? "" : " - ") + m_description.substr(start, end - start);
        start = end + 1;
    }
    if (!title.empty()) svg += "<title>" + Xml(title) + "</title>\n";
    for (const MetaRecord& rec : m_records) {
        switch (rec.kind) {
        case MetaRecord::FillRect:
            if (rec.brush.style != BS_NULL) Rect(svg, rec.rect.left, rec.rect.top, rec.rect.right, rec.rect.bottom, rec.brush.color);
            break;
        case MetaRecord::Rectangle: RectangleSvg(svg, rec); break;
        case MetaRecord::TextOut: TextSvg(svg, rec); break;
        }
    }
    return svg + "</svg>\n";
}

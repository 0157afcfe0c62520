// ISBN: a ten-digit book number printed as an EAN 13 symbol with the
// "978" prefix, and the number, headed "ISBN ", on a line above the bars.
#include "control/symbologies/ean_upc.h"
#include "control/symbologies/symbologies.h"

namespace {

// --- tables ------------------------------------------------------------------

constexpr int kIsbnWeights[9] = {10, 9, 8, 7, 6, 5, 4, 3, 2};
// Indexed by 11 - (weighted sum mod 11).
constexpr const char kIsbnCheckChars[] = "0123456789X0";
const std::string kBookland = "978";

// --- validation and check character -----------------------------------------

std::string WithoutHyphens(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != '-') out += c;
    return out;
}

// The book number: hyphens removed, and the "978" prefix dropped when the
// rest still holds at least nine characters.
std::string NormalizeIsbn(const std::string& text)
{
    std::string n = WithoutHyphens(text);
    if (n.starts_with(kBookland) && n.size() >= 12) n.erase(0, 3);
    return n;
}

// The first nine characters (at most) of the book number are digits.
bool IsbnDigitsOk(const std::string& book) { return AllDigits(book.substr(0, 9)); }

// Check character of the first nine digits of the book number.
char IsbnCheckChar(const std::string& book)
{
    int sum = 0;
    for (size_t i = 0; i < 9 && i < book.size(); ++i) sum += (book[i] - '0') * kIsbnWeights[i];
    return kIsbnCheckChars[11 - (sum % 11 + 11) % 11];
}

// "978", the nine book digits and a placeholder for the EAN check digit,
// which the EAN 13 drawing computes itself.
std::string MakeEanText(const std::string& book) { return kBookland + book.substr(0, 9) + "0"; }

// The line above the bars: the number as typed, without the prefix, with
// runs of hyphens printed as one and the check character added when the
// text leaves it out.
std::string IsbnLine(const std::string& typed)
{
    const std::string plain = WithoutHyphens(typed);
    std::string number = typed;
    if (plain.starts_with(kBookland) && plain.size() >= 12) {
        // Drop the typed prefix up to its third digit (hyphens between the
        // prefix digits go with it), so that the line shows the number the
        // bars carry.
        size_t digits = 0, cut = 0;
        while (digits < 3)
            if (number[cut++] != '-') ++digits;
        number.erase(0, cut);
    }
    std::string line = "ISBN " + number;
    for (size_t p = line.find("--"); p != std::string::npos; p = line.find("--")) line.erase(p, 1);
    if (plain.size() == 9 || plain.size() == 12) line += IsbnCheckChar(NormalizeIsbn(typed));
    return line;
}

// --- the symbol --------------------------------------------------------------

class CIsbnBarcode : public CGenericBarcode {
public:
    BOOL IsValid() const override
    {
        const std::string book = NormalizeIsbn(m_text);
        if (book.size() == 9) return IsbnDigitsOk(book);
        return book.size() == 10 && IsbnDigitsOk(book) && book[9] == IsbnCheckChar(book);
    }
    int32_t GetType() const override { return kTypeIsbn; }
    std::string GetTypeName() const override { return TypeNameOf(kTypeIsbn); }
    std::string GetDemoText() const override { return DemoTextOf(kTypeIsbn); }
    int32_t GetChecksum() const override
    {
        if (m_eanMode) return Ean13CheckDigit(m_text);
        if (!IsValid()) return -2;
        const char c = IsbnCheckChar(NormalizeIsbn(m_text));
        return c == 'X' ? 10 : c - '0';
    }

    // The EAN 13 symbol of "978" and the nine book digits.
    BOOL Encode(SymbolRuns& runs) const override
    {
        runs.Clear();
        if (m_eanMode) return EncodeEan13Symbol(m_text, runs);
        return IsValid() && EncodeEan13Symbol(MakeEanText(NormalizeIsbn(m_text)), runs);
    }

    // The EAN 13 symbol below the band of the ISBN line; the object's text
    // and rectangle are its own again afterwards.
    BOOL Draw(CDC* dc) override
    {
        const std::string line = IsbnLine(m_text);
        const std::string old = SetText(MakeEanText(NormalizeIsbn(m_text)));
        const RECT saved = m_rect;
        ShrinkForAddOnText(m_rect, m_textHeight);
        m_eanMode = 1;
        const BOOL ok = Encode(m_runs) && DrawEan13Symbol(*this, dc) ? TRUE : FALSE;
        if (ok) {
            const UINT oldAlign = dc->SetTextAlign(TA_TOP | TA_CENTER);
            DrawTextAt(dc, m_rect, GetSymbolWidth() / 2, line, TRUE, FALSE);
            dc->SetTextAlign(oldAlign);
        }
        m_rect = saved;
        m_eanMode = 0;
        SetText(old);
        return ok;
    }

private:
    int m_eanMode = 0; // 1 while Draw runs the EAN 13 drawing
};

} // namespace

SymbolPtr CreateIsbnBarcode() { return std::make_unique<CIsbnBarcode>(); }

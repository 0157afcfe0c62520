// The symbol model: one barcode, its text and presentation state, and the
// rotation-aware drawing primitives through which every symbology draws.
//
// Texts are Windows-1252 byte strings. Failures are values: IsValid false,
// Draw false, GetChecksum -1 (no check value) or -2 (malformed text), and
// the "text error" / "size error" texts painted into the symbol area.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "control/engine/typelist.h"
#include "platform/gdi/gdi.h"

// How far across the bars a dark element reaches. Most bars fill the bar
// area; guard bars (and UPC A's outer digits) reach into the text band by
// the notch share; the postal codes stand their bars on parts of a
// physical height.
enum class BarSpan : uint8_t {
    Full,      // the bar area (the postal codes: their full bar)
    Guard,     // into the text band by the notch share
    Half,      // PostNet's half bar
    Ascender,  // Royal Mail: upper part and tracker
    Descender, // Royal Mail: tracker and lower part
    Tracker,   // Royal Mail: the middle part only
};
constexpr size_t kBarSpanCount = 6;

// One dark element of a symbol: where it starts and how wide it is, in
// modules from the symbol's first module, and how far it reaches across.
struct BarRun {
    int32_t start = 0;
    int32_t width = 0;
    BarSpan span = BarSpan::Full;
};

// A symbol as its encoding gives it, before anything is drawn: the modules
// its bar axis is divided into (light ones included, quiet zones not) and
// its dark elements in drawing order. For the postal codes a module is one
// bar position of the physical pitch.
struct SymbolRuns {
    int32_t modules = 0;
    std::vector<BarRun> bars;

    void Clear() { modules = 0; bars.clear(); }
    void Add(int32_t start, int32_t width, BarSpan span = BarSpan::Full) { bars.push_back({start, width, span}); }
    // Appends the elements of a width pattern from module `start` (each
    // digit d an element of d modules, dark and light in turn, a dark one
    // first unless darkFirst is false); returns the pattern's width.
    int32_t AddWidths(int32_t start, const char* widths, bool darkFirst = true, BarSpan span = BarSpan::Full);
};

// Where a symbol's runs were laid on the device in the last paint: the
// rectangle each span's bars reach across (all share the start edge of the
// bar axis), the offset of module 0 from that edge, the width of a module,
// and how much narrower than its modules a dark element is drawn (postal
// bars stand at a pitch wider than the bar).
struct RunPlacement {
    std::array<RECT, kBarSpanCount> spans{};
    int32_t origin = 0;
    int32_t unit = 0;
    int32_t trim = 0;

    const RECT& Span(BarSpan s) const { return spans[size_t(s)]; }
    void SetAll(const RECT& r) { spans.fill(r); }
};

class CGenericBarcode {
public:
    CGenericBarcode() = default;
    virtual ~CGenericBarcode() = default;
    CGenericBarcode(const CGenericBarcode&) = delete;
    CGenericBarcode& operator=(const CGenericBarcode&) = delete;

    // --- virtual operations, in slot order -------------------------------
    virtual BOOL IsValid() const { return FALSE; }
    virtual int32_t GetType() const { return -1; }
    virtual std::string GetTypeName() const { return "Generic"; }
    virtual std::string GetDisplayText() const { return m_text; }
    virtual std::string GetDemoText() const { return std::string(); }
    virtual int32_t GetChecksum() const { return -1; }
    // Draws the symbol into m_rect; true when it fitted. Called by Paint
    // only for a valid text in an area that passed the minimum height.
    virtual BOOL Draw(CDC* dc) { (void)dc; return TRUE; }
    // The symbol's modules for its current text, independent of any
    // surface; false (and empty runs) when the text cannot be encoded or
    // the symbol draws no bars.
    virtual BOOL Encode(SymbolRuns& runs) const { runs.Clear(); return FALSE; }

    // --- state -----------------------------------------------------------
    std::string SetText(const std::string& text) { std::string old = m_text; m_text = text; return old; }
    const std::string& GetText() const { return m_text; }
    void SetShowText(BOOL show) { m_showText = show; }
    BOOL GetShowText() const { return m_showText; }
    void SetNotchHeightInPercent(int16_t percent) { m_notchHeightInPercent = percent; }
    int16_t GetNotchHeightInPercent() const { return m_notchHeightInPercent; }
    void SetRotate(int16_t degrees) { m_rotate = degrees; }
    int16_t GetRotate() const { return m_rotate; }
    void SetTextHeight(int32_t h) { m_textHeight = h; }
    int32_t GetTextHeight() const { return m_textHeight; }
    void SetSymbolWidth(int32_t w) { m_symbolWidth = w; }
    int32_t GetSymbolWidth() const { return m_symbolWidth; }
    BOOL IsSizeOk() const { return m_sizeOk; }
    const RECT& GetRect() const { return m_rect; }
    int32_t GetModuleWidth() const { return m_moduleWidth; }
    // The runs the last successful paint drew and where it laid them;
    // empty runs when it drew no bars.
    const SymbolRuns& GetDrawnRuns() const { return m_runs; }
    const RunPlacement& GetRunPlacement() const { return m_placement; }

    // Every character of m_text is a decimal digit (true for "").
    BOOL AllDigits() const;

    // The one drawing entry point: validity and minimum-height checks, the
    // class's Draw, and the error texts. Always returns true.
    BOOL Paint(CDC* dc, const RECT& rect);

    // --- drawing primitives (rotation-aware, see the .cpp) ----------------
    // The one bar primitive: every dark run of m_runs as one strip of its
    // span's rectangle, and the placement kept for GetRunPlacement.
    void DrawRuns(CDC* dc, const RunPlacement& placement);
    int32_t AxisLength(const RECT& r) const;
    void ShrinkForText(RECT& r, int32_t h) const;
    void ShrinkForAddOnText(RECT& r, int32_t h) const;
    void ShrinkFromStart(RECT& r, int32_t d) const;
    void ShrinkFromEnd(RECT& r, int32_t d) const;
    void FillStrip(CDC* dc, const RECT& r, int32_t offset, int32_t width) const;
    void DrawTextAt(CDC* dc, const RECT& r, int32_t offset, const std::string& chars, BOOL above,
                    BOOL force) const;
    void DrawSpreadText(CDC* dc) const;
    void DrawErrorText(CDC* dc, const std::string& message) const;
    // Writes each character of `t` alone at the start of its pitch cell
    // (m_symbolWidth / length) along the text band: the per-character
    // human-readable layout of the pattern and engine families.
    void DrawCharacters(CDC* dc, const std::string& t) const;

protected:
    RECT m_rect{};
    int32_t m_moduleWidth = 3;
    int32_t m_textHeight = 0;
    int16_t m_notchHeightInPercent = 0;
    int16_t m_rotate = 0;
    std::string m_text;
    BOOL m_showText = FALSE;
    BOOL m_sizeOk = FALSE;
    int32_t m_symbolWidth = 0;
    // Encoded by Draw and drawn by DrawRuns; kept so that callers read the
    // geometry of the last paint without scanning what was drawn.
    SymbolRuns m_runs;
    RunPlacement m_placement;
};

// One symbol character of a character table: its key and its element
// widths in modules, alternating dark and light, as the symbology's
// standard prints them. Tables end with key -1; an entry's index is the
// symbol character's value.
struct PatternEntry {
    int key;
    const char* pattern;
};

// The value of the first entry with the key; -1 when the table has none
// (or there is no table).
int FindPatternIndex(const PatternEntry* table, int key);
// The widths of the first entry with the key; nullptr when there is none.
const char* FindPatternWidths(const PatternEntry* table, int key);
// Number of entries before the end key.
int CountPatterns(const PatternEntry* table);
// The width of a pattern in modules: the sum of its digits.
int32_t PatternModules(const char* widths);

// A character without a pattern of its own and the characters drawn in its
// place. Tables end with character -1.
struct ExpansionEntry {
    int character;
    const char* replacement;
};
// The replacement of the first entry for the character; nullptr when there
// is none (or no table).
const char* FindExpansionOf(const ExpansionEntry* table, int character);

// Symbols drawn from per-character width patterns (the Code 39 family).
class CPatternBarcode : public CGenericBarcode {
public:
    // Characters spaced evenly under the bars.
    virtual void DrawText(CDC* dc);

    int FindPattern(int key) const;
    int PatternModules(int key) const;
    const char* FindExpansion(int character) const;

protected:
    const PatternEntry* m_patterns = nullptr;
    const ExpansionEntry* m_expansions = nullptr;
};

// Symbols drawn by the table-driven engine (control/symbologies/engine.cpp).
class CEngineBarcode : public CGenericBarcode {
public:
    BOOL IsValid() const override { return m_text.empty() ? FALSE : TRUE; }
    BOOL Draw(CDC* dc) override;
    BOOL Encode(SymbolRuns& runs) const override;
    virtual void DrawText(CDC* dc);

    BOOL DrawEngineBars(CDC* dc, RECT barRect);
    // The custom drawer of the current engine row; false when it did not fit.
    BOOL DrawCustom(CDC* dc, int32_t moduleWidth, std::string& text, const RECT& barRect);

    // Custom drawers of the engine rows; each lives with its symbology.
    // `text` is the prepared text, which a drawer may rewrite; `moduleWidth`
    // is the width fitted to the module count of the symbol.
    BOOL DrawCode128(CDC* dc, int32_t moduleWidth, std::string& text, RECT r, BOOL leadingFnc1);
    BOOL DrawPostNet(CDC* dc, std::string& text, RECT r);
    BOOL DrawRoyalMail(CDC* dc, std::string& text, RECT r);
    BOOL DrawUpcE(CDC* dc, int32_t moduleWidth, std::string& text, RECT r);

    EngineCode GetEngineCode() const { return m_engineCode; }

protected:
    EngineCode m_engineCode = EngineCode::kNone;
};

// Text helpers shared by several symbologies.
BOOL AllDigits(const std::string& s);
std::string KeepDigits(const std::string& s);

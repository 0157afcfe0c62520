// The symbol model: one barcode, its text and presentation state, and the
// rotation-aware drawing primitives through which every symbology draws.
//
// Texts are Windows-1252 byte strings. Failures are values: IsValid false,
// Draw false, GetChecksum -1 (no check value) or -2 (malformed text), and
// the "text error" / "size error" texts painted into the symbol area.
#pragma once

#include <cstdint>
#include <string>

#include "control/engine/typelist.h"
#include "platform/gdi/gdi.h"

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

    // Every character of m_text is a decimal digit (true for "").
    BOOL AllDigits() const;

    // The one drawing entry point: validity and minimum-height checks, the
    // class's Draw, and the error texts. Always returns true.
    BOOL Paint(CDC* dc, const RECT& rect);

    // --- drawing primitives (rotation-aware, see the .cpp) ----------------
    int32_t AxisLength(const RECT& r) const;
    void ShrinkForText(RECT& r, int32_t h) const;
    void ShrinkForAddOnText(RECT& r, int32_t h) const;
    void ShrinkFromStart(RECT& r, int32_t d) const;
    void ShrinkFromEnd(RECT& r, int32_t d) const;
    void FillStrip(CDC* dc, const RECT& r, int32_t offset, int32_t width) const;
    int32_t DrawBar(CDC* dc, BOOL wide, BOOL draw, int32_t offset) const;
    int32_t DrawModules(CDC* dc, uint16_t pattern, int32_t start, int32_t count, int32_t extension,
                        int32_t totalModules) const;
    void DrawTextAt(CDC* dc, const RECT& r, int32_t offset, const std::string& chars, BOOL above,
                    BOOL force) const;
    void DrawSpreadText(CDC* dc) const;
    void DrawErrorText(CDC* dc, const std::string& message) const;
    // Writes each character of `t` alone at the start of its pitch cell
    // (m_symbolWidth / length) along the text band: the per-character
    // human-readable layout of the pattern and engine families.
    void DrawCharacters(CDC* dc, const std::string& t) const;
    // Draws the elements of a width pattern from `offset`, each digit d an
    // element d x unit wide, dark and light in turn starting with a dark one
    // (a light one when darkFirst is false); returns the pattern's width.
    int32_t DrawWidths(CDC* dc, const RECT& r, int32_t offset, int32_t unit, const char* widths,
                       BOOL darkFirst = TRUE) const;

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
    int32_t DrawPattern(const RECT& r, CDC* dc, int32_t offset, int32_t unit, int key) const;
    int32_t DrawChar(const RECT& r, CDC* dc, int32_t offset, int32_t unit, int character) const;

protected:
    const PatternEntry* m_patterns = nullptr;
    const ExpansionEntry* m_expansions = nullptr;
};

// Symbols drawn by the table-driven engine (control/symbologies/engine.cpp).
class CEngineBarcode : public CGenericBarcode {
public:
    BOOL IsValid() const override { return m_text.empty() ? FALSE : TRUE; }
    BOOL Draw(CDC* dc) override;
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

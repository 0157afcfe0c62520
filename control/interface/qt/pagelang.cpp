#include "control/interface/qt/pagelang.h"

#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

std::optional<TPageLanguage>& HostLanguage()
{
    static std::optional<TPageLanguage> language;
    return language;
}

TPageLanguage LocaleLanguage()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return (value[0] == 'd' || value[0] == 'D') && (value[1] == 'e' || value[1] == 'E') ? TPageLanguage::German
                                                                                                 : TPageLanguage::English;
    }
    return TPageLanguage::English;
}

// Every English text of the pages, the frame and the stock pages, and its
// German form. Mnemonics ('&') are unique within each page in both.
struct PageTextPair {
    const char* english;
    const char* german;
};
constexpr PageTextPair kPageTexts[] = {
    // general page
    {"General", "Allgemein"},
    {"Encoded data:", "Kodierte Daten:"},
    {"&Text:", "&Text:"},
    {"&ShowText (print data as human readable text with barcode)",
     "&ShowText (Daten als Klarschrift mit dem Barcode ausgeben)"},
    {"Barcode symbology used to encode the text/data:", "Barcode-Symbologie zur Kodierung der Daten:"},
    {"T&ype:", "T&yp:"},
    {"Orientation:", "Ausrichtung:"},
    {"&Rotate:", "&Grad:"},
    {"&About...", "Ü&ber..."},
    {"Demo text", "Demotext"},
    // layout page
    {"Layout", "Layout"},
    {"Light Margin top && bottom:  ", "Rand oben && unten:"},
    {"Borderheight:", "Randhöhe:"},
    {"MaxBorderheight:", "Max. Höhe:"},
    {"Light Margin left && right: ", "Rand links && rechts:"},
    {"Borderwidth:", "Randbreite:"},
    {"MaxBorderwidth:", "Max. Breite:"},
    {"NotchHeightInPercent:", "Notch-Höhe in %:"},
    // the layout page's illustration
    {"height", "Höhe"},
    {"width", "Breite"},
    {"notch", "Notch"},
    // frame and stock pages
    {"%1 Properties", "Eigenschaften von %1"},
    {"Font", "Schriftart"},
    {"Colors", "Farben"},
    {"&Property Name:", "&Eigenschaft:"},
    {"&Font:", "&Schriftart:"},
    {"&Size:", "&Größe:"},
    {"&Bold", "&Fett"},
    {"&Italic", "&Kursiv"},
    {"&Underline", "&Unterstrichen"},
    {"Stri&keout", "&Durchgestrichen"},
    {"Color Set:", "Farbpalette:"},
    {"&Value:", "&Wert:"},
    {"Black", "Schwarz"},
    {"Blue", "Blau"},
    {"Cyan", "Cyan"},
    {"Green", "Grün"},
    {"Magenta", "Magenta"},
    {"Red", "Rot"},
    {"Yellow", "Gelb"},
    {"White", "Weiß"},
    {"Dark Blue", "Dunkelblau"},
    {"Dark Cyan", "Dunkelcyan"},
    {"Dark Green", "Dunkelgrün"},
    {"Dark Magenta", "Dunkelmagenta"},
    {"Dark Red", "Dunkelrot"},
    {"Brown", "Braun"},
    {"Dark Gray", "Dunkelgrau"},
    {"Light Gray", "Hellgrau"},
    {"Please enter an integer.", "Bitte geben Sie eine ganze Zahl ein."},
    {"Please enter an integer between %1 and %2.", "Bitte geben Sie eine ganze Zahl zwischen %1 und %2 ein."},
};

} // namespace

void SetPropertyPageLanguage(TPageLanguage language) { HostLanguage() = language; }

void ResetPropertyPageLanguage() { HostLanguage().reset(); }

TPageLanguage PropertyPageLanguage() { return HostLanguage() ? *HostLanguage() : LocaleLanguage(); }

QString PageText(const char* english)
{
    if (PropertyPageLanguage() == TPageLanguage::German)
        for (const PageTextPair& pair : kPageTexts)
            if (std::strcmp(pair.english, english) == 0)
                return QString::fromUtf8(pair.german);
    return QString::fromUtf8(english);
}

QString PageText(const QString& english) { return PageText(english.toUtf8().constData()); }

// The language of the property pages and the property frame: German or
// English. A host that has a language of its own sets it; otherwise it is
// chosen from the locale like the editor's (LC_ALL, LC_MESSAGES, LANG: the
// first one set; German for "de..." locales, English otherwise).
#pragma once

#include <QString>

enum class TPageLanguage { English, German };

// The host's language for every page opened from now on.
void SetPropertyPageLanguage(TPageLanguage language);
// Back to the locale's language (read again at the next use).
void ResetPropertyPageLanguage();
TPageLanguage PropertyPageLanguage();

// A page text in the current language: `english` itself in English, its
// German counterpart from the pages' table in German (`english` when the
// table has none: type names, numbers).
QString PageText(const char* english);
QString PageText(const QString& english);

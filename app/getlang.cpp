#include "app/getlang.h"

#include <cstdlib>

TGetLang::Language TGetLang::s_language = TGetLang::langEnglish;
bool TGetLang::s_determined = false;

TGetLang::Language TGetLang::LanguageOfLocale(const QString& locale)
{
    return locale.startsWith(QLatin1String("de"), Qt::CaseInsensitive) ? langGerman : langEnglish;
}

void TGetLang::Determine()
{
    if (s_determined)
        return;
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            locale = QString::fromLocal8Bit(value);
            break;
        }
    }
    s_language = LanguageOfLocale(locale);
    s_determined = true;
}

void TGetLang::Reset() { s_determined = false; }

QString TGetLang::GetLangText(const char* english, const char* german)
{
    return GetLangText(QString::fromUtf8(english), QString::fromUtf8(german));
}

QString TGetLang::GetLangText(const QString& english, const QString& german)
{
    Determine();
    return s_language == langGerman ? german : english;
}

void TGetLang::SetDeutsch()
{
    s_language = langGerman;
    s_determined = true;
}

void TGetLang::SetEnglisch()
{
    s_language = langEnglish;
    s_determined = true;
}

bool TGetLang::GetEnglish()
{
    Determine();
    return s_language == langEnglish;
}

bool TGetLang::GetDeutsch()
{
    Determine();
    return s_language == langGerman;
}

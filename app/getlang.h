// TGetLang: the application's language, English or German, and the choice
// between the two variants of every text the user sees.
//
// The language is determined once per process from the locale (LC_ALL,
// LC_MESSAGES, LANG: the first one set): German for "de..." locales,
// English otherwise. The menu switches it at run time; it is not stored.
#pragma once

#include <QObject>
#include <QString>

class TGetLang : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool English READ GetEnglish)
    Q_PROPERTY(bool Deutsch READ GetDeutsch)

public:
    enum Language { langEnglish = 0, langGerman = 1 };

    explicit TGetLang(QObject* parent = nullptr) : QObject(parent) {}

    // The English or the German text, by the current language.
    static QString GetLangText(const char* english, const char* german);
    static QString GetLangText(const QString& english, const QString& german);

    static void SetDeutsch();
    static void SetEnglisch();
    static bool GetEnglish();
    static bool GetDeutsch();

    // The language a locale name stands for.
    static Language LanguageOfLocale(const QString& locale);
    // Forgets the language, so the next use determines it again from the
    // environment (a new process in all but name).
    static void Reset();

private:
    static void Determine();
    static Language s_language;
    static bool s_determined;
};

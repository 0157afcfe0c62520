#include "app/fontchoice.h"

#include <QFontDatabase>
#include <QStringList>
#include <climits>
#include <cstdlib>

namespace {

// Words of style names that make a face narrower, wider or otherwise less
// plain than the family's regular face.
constexpr const char* kUnusualWords[] = {"Condensed", "Expanded", "Narrow", "Wide", "Extra", "Semi", "Ultra",
                                         "Demi", "Light", "Thin", "Black", "Heavy", "Medium", "Oblique"};

} // namespace

QString MatchingStyleName(const QString& family, bool bold, bool italic)
{
    QString best;
    int bestScore = INT_MAX;
    const int wantWeight = bold ? QFont::Bold : QFont::Normal;
    for (const QString& style : QFontDatabase::styles(family)) {
        if (QFontDatabase::italic(family, style) != italic)
            continue;
        const int weight = QFontDatabase::weight(family, style);
        if ((weight >= QFont::DemiBold) != bold)
            continue;
        int score = std::abs(weight - wantWeight) * 10;
        for (const char* word : kUnusualWords)
            if (style.contains(QLatin1String(word), Qt::CaseInsensitive))
                score += 1000;
        // Oblique only where a family has no italic; shorter names are plainer.
        score += int(style.size());
        if (score < bestScore) {
            bestScore = score;
            best = style;
        }
    }
    return best;
}

QFont WithMatchingStyle(QFont font)
{
    const QString style = MatchingStyleName(font.family(), font.bold(), font.italic());
    if (!style.isEmpty())
        font.setStyleName(style);
    return font;
}

// The font dialog's starting point: the installed style of a family that
// matches a font's weight and slant, so that confirming the dialog
// unchanged gives back the same font.
#pragma once

#include <QFont>
#include <QString>

// The style of `family` that is bold (or not) and italic (or not) with the
// plainest width and weight: "Book" or "Regular" rather than "Condensed"
// or "Light". Empty when the family has no such style.
QString MatchingStyleName(const QString& family, bool bold, bool italic);

// `font` with the style name of MatchingStyleName set, for QFontDialog.
QFont WithMatchingStyle(QFont font);

#pragma once

#include "QtColor.h"

#include <QString>
#include <array>

// The custom colours of the colour palettes: one table for the whole program, shared by every
// colour button. It is kept in the settings store under the key path "SoftWare" / application
// title / RegKey, as the text values "ColorA" .. "ColorP": upper-case hexadecimal, at least six
// digits ("0000FF" is red; a system colour gives eight).
constexpr int kCustomColorCount = 16;
using TCustomColorTable = std::array<TColor, kCustomColorCount>;

// The shared table (all white until the first load).
TCustomColorTable &CustomColors();

// Fills the table from the store without creating anything there. When the key path does not
// exist every entry becomes white; so does an entry whose value is missing or is not 1 to 8
// hexadecimal digits.
void LoadCustomColors(const QString &regKey);

// Writes all 16 entries, creating the key path when needed. A store that cannot be written is
// left as it is, without a message.
void SaveCustomColors(const QString &regKey);

// "ColorA" for 0 .. "ColorP" for 15.
QString CustomColorValueName(int index);
// The value text of a colour: at least six upper-case hexadecimal digits.
QString CustomColorText(TColor color);
// Reads a value text as a hexadecimal colour; false (Color untouched) unless it is 1 to 8 hex digits.
bool ParseCustomColorText(const QString &text, TColor &color);

#pragma once

#include "StoreTypes.h"

// Turns a table filter into a condition for the engine. The language:
//   condition := term { OR term }          term := factor { AND factor }
//   factor    := NOT factor | ( condition ) | field op value | value op field
//   op        := = <> < > <= >=            value := number | 'text' | "text" | NULL
// Field names are matched against the table's fields in any letter case (a name with blanks is
// written in brackets, [Home club]); a text ending in * compared with = or <> matches every text
// that begins with the rest. Values are converted to the field's kind and bound as parameters:
// no text from the user ever becomes SQL text. Raises EDatabaseError with a message that says
// where the text went wrong.
TSqlCondition ParseFilter(const QString &text, const QList<TFieldInfo> &fields);

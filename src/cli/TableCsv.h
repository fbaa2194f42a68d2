#pragma once

#include "StoreTypes.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

class QIODevice;
class TStoreTableCursor;

namespace Csv {
class TReader;
}

// Whole tables as CSV, streamed record by record through the store's bulk paths: memory stays the
// same whatever the table's or the file's size. Numbers are written with "." and dates as
// YYYY-MM-DD, whatever the user's locale.
namespace Cli {

// Writes a header of the fields' names, then every record of the table in its primary order.
// Every write is checked; a failed one raises EConvertError naming `target`.
void WriteTableCsv(TStoreTableCursor &table, const QList<int> &fields, QIODevice &device, const QString &target);

enum class TImportMode {
    Add,                 // the records are added to those of the table
    ReplaceTheOneRecord, // the table holds one record (the settings): the file's one record replaces it
};

// Stores the records the reader gives (a header naming the fields first) in one transaction.
// Each record is checked as it comes; the first that cannot be stored exactly as written ends the
// import with nothing stored, and EConvertError names its line. Returns how many were stored.
qint64 ImportTableCsv(TStoreTableCursor &table, Csv::TReader &reader, TImportMode mode);

// The value a CSV field stands for in a field of that kind, null for an empty field; raises
// EConvertError "line N: ..." when the text is no such value or does not fit the field. An
// identity must fit in 32 bits, as the program shows it.
QVariant ValueFromCsv(QByteArrayView text, const TFieldInfo &field, bool identity, int line);

// How long a text is in characters (code points, as the field sizes count them).
qsizetype CharacterCount(QStringView text);
// A value for a message: quoted, and cut with an ellipsis when long.
QString Shown(const QString &value);

} // namespace Cli

#pragma once

#include "StoreTypes.h"
#include "TColor.h"

#include <QString>
#include <QStringList>

class QObject;
class TDatabase;

// The three tables of the program, their files, connections and the data folder they live in.
namespace Golf {

// Table file names (one table per file) and the connection each is reached through.
inline const QString kPlayersTable = QStringLiteral("hcap.DB");
inline const QString kClubsTable = QStringLiteral("golfmaster.DB");
inline const QString kSettingsTable = QStringLiteral("refer.db");
inline const QString kPlayersConnection = QStringLiteral("hcap.db");
inline const QString kClubsConnection = QStringLiteral("golfmaster.db");
inline const QString kSettingsConnection = QStringLiteral("refer.db");

// The window colour a new settings table starts with, so that a first start is not black.
constexpr TColor kDefaultWindowColour = TColorFromBits(0x00A2BDBF);

// Players: ID, Descr, Homeclub, S1..S12, C1..C12, D1..D12, CalChcap, Hcap.
QList<TFieldInfo> PlayerFields();
// Clubs: Descr, City, Contact, RATING, ID, Telephone, Fax, Email.
QList<TFieldInfo> ClubFields();
// Settings: colour.
QList<TFieldInfo> SettingsFields();
// The fields of a table by its file name; empty for an unknown name.
QList<TFieldInfo> FieldsOf(const QString &tableName);
// The table file names, in the order they are opened at start.
QStringList TableNames();
// The connection name of a table file.
QString ConnectionOf(const QString &tableName);

// `tallimo` under the user's data location (XDG_DATA_HOME moves it).
QString DefaultDataFolder();
// A server database's URL in place of the folder: makes the schema's missing tables in one
// transaction (two copies at once wait for each other), and the rounds beside the players.
// Creates the folder (owner-only) and every missing table; a new settings table gets its one
// record; then adds what later builds keep beside the tables (UpgradeDataFolder). A file that
// holds anything is never touched here, even when it is no table; one that holds nothing at all
// (left by a start that was killed) is made into its table. Two copies preparing the same folder
// at once both succeed.
void PrepareDataFolder(const QString &folder);

// The server database the user chose to work on (a URL without password), or empty for the
// local data folder. Kept in the user's settings, shared by the window and the command line.
QString RememberedDatabase();
// Remembers a URL, or forgets it with an empty text. A password in the URL is never kept.
void RememberDatabase(const QString &url);

// Opens the tables of the folder ahead, on another thread, for the window's first open of them.
void OpenTablesAhead(const QString &folder);

// The stored parameters of the three connections.
QStringList ConnectionParams(const QString &folder);
// Makes the three named connections, owned by `owner`.
QList<TDatabase *> Connect(QObject *owner, const QString &folder);

} // namespace Golf

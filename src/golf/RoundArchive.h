#pragma once

#include "HandicapIndex.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class TTable;

// Every round a player ever entered, kept in the table `rounds` beside the player table in its
// file, so that the "Enter" action stores the player record and the round in one transaction.
// The player table itself is left exactly as it was: builds that know nothing of rounds keep
// reading and writing the same folder.
namespace Golf {

inline const QString kRoundsTable = QStringLiteral("rounds");

// A round as the user gives it.
struct TRoundInput
{
    QDate Played;
    int Score = 0;            // adjusted gross score, 1..250
    int RatingTenths = 0;     // course rating, 40.0..90.0 (72.0 is 720)
    int Slope = kStandardSlope; // 55..155
    int Pcc = 0;              // -1..3
    std::optional<qint32> Club; // the golfmaster ID it was played at
};

// A round as it is kept.
struct TArchivedRound
{
    qint64 Id = 0;           // also the order of entry
    qint32 Player = 0;
    QDate Played;
    int Score = 0;
    int RatingTenths = 0;
    int Slope = kStandardSlope;
    int Pcc = 0;
    std::optional<qint32> Club;
    QDateTime Entered;       // UTC; invalid for rounds taken over from the twelve-round history
    QString Problem;         // a stored value that could not be read (the round is left out)

    TIndexRound ToIndexRound() const { return {Id, Played, Score, RatingTenths, Slope, Pcc, Problem}; }
};

// The tee a course handicap is given for: course rating, slope and par.
struct TTee
{
    qint32 Club = 0;
    QString ClubName;
    int RatingTenths = 0;
    int Slope = kStandardSlope;
    int Par = 0;
};

// What the archive holds for one player, and what the index makes of it.
struct TPlayerRounds
{
    qint32 Player = 0;
    QList<TArchivedRound> Rounds;   // in order of entry
    // Rounds with values that could not be read (wrong kinds, missing values), one message
    // each; those rounds are kept in Rounds with their Problem and left out of the index.
    QStringList Problems;
    THandicapIndex Index;           // over Rounds
    // The player's home club as a tee: rating 72 - RATING, the club's slope and par; empty when
    // the club is unknown or has no slope or par.
    std::optional<TTee> HomeTee;
    std::optional<int> CourseHandicap; // at HomeTee, when there is one and an index
};

// Raises EConvertError naming the first value that is refused ("Slope 160 is outside 55..155").
void CheckRound(const TRoundInput &round, const QDate &today = QDate::currentDate());

// The rounds of a data folder. Every change is committed and on disk when it returns. An archive
// is used by one thread at a time: its connections to the files take no locks of their own.
class TRoundArchive
{
public:
    // Opens the archive of the folder, or of the server database a URL names (prepared by
    // PrepareDataFolder). Raises EDatabaseError.
    explicit TRoundArchive(const QString &dataFolder);
    ~TRoundArchive();
    TRoundArchive(const TRoundArchive &) = delete;
    TRoundArchive &operator=(const TRoundArchive &) = delete;

    // Whether a player with that ID exists.
    bool HasPlayer(qint32 player);
    // The player's rounds, index, home tee and course handicap.
    TPlayerRounds Load(qint32 player);
    // Checks and stores a new round for an existing player; returns its Id.
    qint64 Add(qint32 player, const TRoundInput &round);
    // Checks and stores new values for a kept round (its place in the order of entry stays).
    void Update(qint64 roundId, const TRoundInput &round);
    void Remove(qint64 roundId);
    // Messages about the archive as a whole: rounds of players that no longer exist.
    QStringList CheckArchive();

private:
    class TFiles;
    class TServer;

    TPlayerRounds LoadFromServer(qint32 player);

    QString m_folder;
    std::unique_ptr<TFiles> m_files;
    std::unique_ptr<TServer> m_server; // instead of m_files when the data live on a server
};

// Adds the round of the "Enter" action for the current record of `players`, which must be in
// the same transaction as the post of that record (the round joins the player table's
// connection). The rating is 72 - r, the slope the home club's (113 without one), PCC 0.
void ArchiveEnteredRound(TTable &players, int score, int enteredRating, const QDate &played);

// Creates `rounds` in the player file of a folder when it is missing, filled from each
// player's twelve-round history, oldest first; adds Slope and Par to the club table when
// missing. Does nothing to a folder that has them. Called by PrepareDataFolder.
void UpgradeDataFolder(const QString &dataFolder);

} // namespace Golf

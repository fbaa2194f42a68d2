#pragma once

#include "RoundArchive.h"

#include <QHash>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QLineEdit;
class QPainter;
class QPrinter;
class QPushButton;
class QTableWidget;

// The Handicap Index of one player: the index in large type with the course handicap at the home
// club, the most recent rounds with the ones that count marked, a sentence on how the number came
// about, and a chart of the index and the differentials over time. Rounds are added, corrected and
// removed here; each change is stored before the window shows it.
//
// The window reads the data folder through its own connection, so it never disturbs a record the
// main window is editing. A round that cannot be read is listed in the window, never fatal.
class HandicapIndexWindow : public QWidget
{
    Q_OBJECT

public:
    // How many of the most recent rounds the table lists.
    static constexpr int kRoundsListed = 20;

    HandicapIndexWindow(const QString &dataFolder, int playerId, QWidget *parent = nullptr);
    ~HandicapIndexWindow() override;

    int PlayerId() const { return m_playerId; }
    // What the window shows now, as last read from the archive.
    const Golf::TPlayerRounds &Shown() const { return m_shown; }
    // Each row of the table is one of these rounds, most recent first.
    qint64 RoundIdAt(int row) const;

    // Reads the archive again and shows what it holds.
    void Reload();
    // Draws the one-page player report onto the printer's page.
    void PrintReport(QPrinter &printer);
    // The same report onto any painter whose units are points, on a page of that size.
    void PaintReport(QPainter &painter, const QSizeF &pageSize);

    // Runs before each change the window stores (the program's copy of the day, before its
    // first change).
    std::function<void()> BeforeWrite;

    // Asks where to save the report when there is no printer; an empty answer cancels. Tests
    // replace it; the window's own asks with a file dialog.
    std::function<QString(QWidget *parent, const QString &suggested)> ChoosePdfFile;

private:
    void BuildParts();
    void ShowIndex();
    void ShowRounds();
    void ShowChart();
    // Rows that could not be read, and kept rounds the index leaves out (with why).
    void ShowProblems(const QStringList &unreadable, const QStringList &leftOut);
    void ReadPlayerAndClubs();

    void SelectRow(int row);
    void ClearEditor();
    // The editor's values, or nothing after the user was told which value is refused.
    std::optional<Golf::TRoundInput> ReadEditor();
    void AddClicked();
    void SaveClicked();
    void DeleteClicked();
    void PrintClicked();

    QString m_dataFolder;
    int m_playerId = 0;
    QString m_playerName;
    QHash<qint32, QString> m_clubNames;
    std::unique_ptr<Golf::TRoundArchive> m_archive;
    QStringList m_openProblems;
    Golf::TPlayerRounds m_shown;
    // The round the editor holds (nothing while a new one is typed).
    std::optional<qint64> m_editedRound;

    QLabel *m_title = nullptr;
    QLabel *m_index = nullptr;
    QLabel *m_courseHandicap = nullptr;
    QLabel *m_explanation = nullptr;
    QLabel *m_problems = nullptr;
    QTableWidget *m_table = nullptr;
    QChartView *m_chartView = nullptr;
    QChart *m_chart = nullptr;
    QLineEdit *m_date = nullptr;
    QComboBox *m_club = nullptr;
    QLineEdit *m_score = nullptr;
    QLineEdit *m_rating = nullptr;
    QLineEdit *m_slope = nullptr;
    QLineEdit *m_pcc = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_new = nullptr;
    QPushButton *m_print = nullptr;
};

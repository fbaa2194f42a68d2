#pragma once

#include <QWidget>

// The Handicap Index of one player: the index, the rounds behind it and its trend, with the
// rounds kept in the player's archive added, corrected and removed in place.
class HandicapIndexWindow : public QWidget
{
    Q_OBJECT

public:
    HandicapIndexWindow(const QString &dataFolder, int playerId, QWidget *parent = nullptr);
    ~HandicapIndexWindow() override;

    int PlayerId() const { return m_playerId; }

private:
    QString m_dataFolder;
    int m_playerId = 0;
};

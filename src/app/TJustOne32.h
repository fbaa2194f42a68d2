#pragma once

#include "TPreviousInstance.h"

#include <QObject>
#include <QString>

// The single-instance guard's component on the main window. Constructing it in the first copy
// makes that copy answer later ones by bringing its window forward (restored when minimised,
// else raised to the top). Constructed in a later copy, it asks the first copy to come forward
// and ends this copy at the first turn of its message loop.
class TJustOne32 : public QObject
{
    Q_OBJECT
    // Text about the component; kept in it, never stored in a layout, without effect.
    Q_PROPERTY(QString About READ About WRITE SetAbout STORED false)

public:
    explicit TJustOne32(QObject *parent = nullptr);

    QString About() const { return m_about; }
    void SetAbout(const QString &about) { m_about = about; }

private:
    QString m_about;
};

#include "HandicapIndexWindow.h"

HandicapIndexWindow::HandicapIndexWindow(const QString &dataFolder, int playerId, QWidget *parent)
    : QWidget(parent, Qt::Window), m_dataFolder(dataFolder), m_playerId(playerId)
{
    setObjectName(QStringLiteral("HandicapIndexWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Handicap Index"));
}

HandicapIndexWindow::~HandicapIndexWindow() = default;

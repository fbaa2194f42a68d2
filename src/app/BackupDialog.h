#pragma once

#include <QDialog>
#include <QString>

class QPushButton;
class QTreeWidget;

// Lists the copies of the tables in the data folder's backups, newest first, with their date and
// the number of players each holds, and lets the user choose one to restore. Choosing checks the
// copy first; a copy that fails the check is refused with the reason and the dialog stays open.
class BackupDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BackupDialog(const QString &dataFolder, QWidget *parent = nullptr);

    // The folder of the chosen copy once the dialog was accepted.
    QString SelectedCopy() const { return m_selected; }

    QTreeWidget *CopyList() const { return m_list; }
    QPushButton *RestoreButton() const { return m_restore; }

    // Reads the list of copies again.
    void Reload();

private:
    void RestoreChosen();

    QString m_dataFolder;
    QString m_selected;
    QTreeWidget *m_list = nullptr;
    QPushButton *m_restore = nullptr;
};

#include "BackupDialog.h"

#include "Backup.h"
#include "Dialogs.h"
#include "Exceptions.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

BackupDialog::BackupDialog(const QString &dataFolder, QWidget *parent) : QDialog(parent), m_dataFolder(dataFolder)
{
    setWindowTitle(QStringLiteral("Restore from a backup"));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("Choose the copy to go back to. The tables as they are now are moved to\n%1, never deleted.")
                                 .arg(QDir::toNativeSeparators(Golf::BackupsFolder(dataFolder))),
                             this);
    layout->addWidget(intro);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("CopyList"));
    m_list->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("Players"), QStringLiteral("Folder")});
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    layout->addWidget(m_list);

    auto *buttons = new QDialogButtonBox(this);
    m_restore = buttons->addButton(QStringLiteral("&Restore"), QDialogButtonBox::AcceptRole);
    m_restore->setObjectName(QStringLiteral("RestoreButton"));
    buttons->addButton(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_restore, &QPushButton::clicked, this, &BackupDialog::RestoreChosen);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &BackupDialog::RestoreChosen);
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { m_restore->setEnabled(m_list->currentItem() != nullptr); });

    resize(520, 320);
    Reload();
}

void BackupDialog::Reload()
{
    m_list->clear();
    const QLocale locale;
    for (const Golf::TBackupCopy &copy : Golf::ListBackups(m_dataFolder)) {
        QString when = locale.toString(copy.Date, QLocale::LongFormat);
        if (copy.Time.isValid())
            when += QStringLiteral(", ") + locale.toString(copy.Time, QLocale::ShortFormat);
        const QString players = copy.Players >= 0 ? QString::number(copy.Players) : QStringLiteral("unreadable");
        auto *item = new QTreeWidgetItem(m_list, {when, players, copy.Name});
        item->setData(0, Qt::UserRole, copy.Folder);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    m_restore->setEnabled(m_list->currentItem() != nullptr);
}

void BackupDialog::RestoreChosen()
{
    const QTreeWidgetItem *item = m_list->currentItem();
    if (!item)
        return;
    const QString folder = item->data(0, Qt::UserRole).toString();
    try {
        Golf::VerifyCopy(folder);
    } catch (const Exception &error) {
        MessageDlg(error.Message(), mtError, {mrOk}, mrOk, mrOk);
        return;
    }
    m_selected = folder;
    accept();
}

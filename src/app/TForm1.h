#pragma once

#include "QtColor.h"
#include "TDBNavigator.h"
#include "TLayout.h"
#include "TLoadable.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QMenu;
class QTimer;
class QToolButton;
class TPgServerProbe;
class TTable;
class TPageControl;
namespace Golf {
class TDailyBackup;
}

// The main window: built from its layout resource, it holds the three tables, their data sources
// and every widget of the six pages, and it carries the handlers that connect them.
class TForm1 : public QWidget, public TLoadable
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ windowTitle WRITE setWindowTitle)
    Q_PROPERTY(int ClientWidth READ width WRITE SetClientWidth)
    Q_PROPERTY(int ClientHeight READ height WRITE SetClientHeight)
    Q_PROPERTY(qint32 Color READ Color WRITE SetColor)
    Q_PROPERTY(TPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(TBorderIcons BorderIcons READ BorderIcons WRITE SetBorderIcons)

public:
    enum TPosition : quint8 { poDesigned, poScreenCenter };
    Q_ENUM(TPosition)
    enum TBorderIcon { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
    Q_DECLARE_FLAGS(TBorderIcons, TBorderIcon)
    Q_FLAG(TBorderIcons)

    // Builds the window from its layout and connects the tables of the data folder; the creation
    // handler (opening the tables) has run when the constructor returns.
    explicit TForm1(const QString &dataFolder, QWidget *parent = nullptr);
    ~TForm1() override;

    // Starts reading and parsing the window's layout on another thread; the next window made
    // takes the result (or its failure). The program calls it before making the application
    // object, whose connection to the display takes long enough to hide the work.
    static void PrepareLayout();

    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    void SetClientWidth(int width) { resize(width, height()); }
    void SetClientHeight(int height) { resize(width(), height); }
    TPosition Position() const { return m_position; }
    void SetPosition(TPosition position) { m_position = position; }
    TBorderIcons BorderIcons() const { return m_borderIcons; }
    void SetBorderIcons(TBorderIcons icons);

    // A part of the window by its layout name (nullptr when there is none of that class). The
    // parts of a page are made when the page is first shown, or first asked for.
    template <class T>
    T *Part(const QString &name) { return qobject_cast<T *>(Part(name)); }
    QObject *Part(const QString &name);

    // The handlers, by their layout names.
    void FormCreate();
    void FormShow();
    void SettleBanner();
    void Image1Click();
    void ktBevelButton1Click();
    void ColorBtn1Click();
    void tbn1Click();
    void DBNavigator1BeforeAction(TDBNavigator::TNavigateBtn button);
    void DBNavigator1Click(TDBNavigator::TNavigateBtn button);
    void DBNavigator2Click();
    void DBGrid5CellClick();
    void DBGrid4CellClick();
    void cb1Click();
    void ktBevelButton2Click();
    void siSpeedButton2Click();

    // Writes what is being edited in every table; false (after showing why) when a post failed.
    bool PostPendingChanges();

    // The windows and actions that stand beside the six pages. Features add their actions to this
    // menu; it drops down from a small button in the tab row, whose face opens the Handicap Index.
    QMenu *ToolsMenu() const { return m_toolsMenu; }
    QToolButton *ToolsButton() const { return m_toolsButton; }
    // Opens (or brings forward) the Handicap Index window of the current player.
    void ShowHandicapIndex();
    // Drops what is being edited and shows the tables as the server holds them now.
    void RefreshFromServer();

    // The Tools menu's "Back up now": what is being edited is written, then the tables are copied.
    void BackUpNow();
    // The Tools menu's "Restore...": the user picks a checked copy, the tables close, the copy
    // takes their place and they open again.
    void RestoreFromBackup();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void BindEvent(QObject *component, const QString &event, const QString &handler);
    void BuildPage(QWidget *page);
    void ConnectTables(const QString &dataFolder);
    TTable *Table(const QString &name);
    // The window's tables (Table1 to Table3) that its layout holds.
    QList<TTable *> Tables();
    QString InputText(const QString &name);
    void SetInputText(const QString &name, const QString &text);
    bool Checked(const QString &name);
    void BuildToolsButton();
    void AddBackupActions();
    // With the data on a server: the title and the status line say where, the tables that
    // could not be opened are opened when the server is back, and what other users store is
    // shown within a second or two.
    void WatchServer();
    void CheckServer();
    void ShowServerState();

    std::unique_ptr<TLayoutLoader> m_loader;
    QHash<QString, QObject *> m_parts;
    QHash<QString, std::function<void(QObject *, const QString &)>> m_binders;
    std::function<void()> m_onCreate;
    std::function<void()> m_onShow;
    TColor m_color = TColorFromBits(0x00A2BDBF);
    TPosition m_position = poDesigned;
    TBorderIcons m_borderIcons = TBorderIcons(biSystemMenu | biMinimize | biMaximize);
    bool m_shownOnce = false;
    QString m_dataFolder;
    QMenu *m_toolsMenu = nullptr;
    QToolButton *m_toolsButton = nullptr;
    QPointer<QWidget> m_indexWindow;
    static constexpr int kServerWatchMilliseconds = 1000;
    static constexpr int kReopenMilliseconds = 3000;
    QTimer *m_serverWatch = nullptr;
    QElapsedTimer m_reopenTried;
    // Whether the server answers, asked in the background before the tables are opened again.
    std::unique_ptr<TPgServerProbe> m_serverProbe;
    bool m_serverReachable = true;
    // The day's copy of the tables before the first change.
    std::unique_ptr<Golf::TDailyBackup> m_dailyBackup;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TForm1::TBorderIcons)

// The classes the window's layout names, each made by its own factory.
const TClassRegistry &WindowClasses();

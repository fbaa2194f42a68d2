#include "TForm1.h"

#include "AppControls.h"
#include "Backup.h"
#include "BackupDialog.h"
#include "DataCheck.h"
#include "HandicapIndexWindow.h"
#include "Dialogs.h"
#include "EnterRound.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "PgEngine.h"
#include "PictureData.h"
#include "Scrolltext.h"
#include "TApplication.h"
#include "TCustomPanel.h"
#include "TSpeedButton.h"
#include "TktBevelButton.h"
#include "TDBGrid.h"
#include "TDBNavigator.h"
#include "TDataSource.h"
#include "TDatabase.h"
#include "TStaticText.h"
#include "TTable.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QTimer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QResource>
#include <QScreen>
#include <QTabBar>
#include <QTextDocument>
#include <QToolButton>

#include <future>
#include <mutex>

// Resources of a static library are registered by hand (outside any namespace).
static void InitLayoutResource()
{
    Q_INIT_RESOURCE(layout);
}

namespace {

const QString kBannerCaption = QStringLiteral("Quarvel's Personal Tallimo  - Lite14");

QString LoadLayoutText()
{
    InitLayoutResource();
    // Stored uncompressed (see layout.qrc): the text is read in place, with no copy to unpack.
    const QResource resource(QStringLiteral(":/layout/TForm1.layout"));
    if (!resource.isValid())
        throw EInvalidOperation(QStringLiteral("The window layout is missing from the program"));
    return QString::fromUtf8(resource.uncompressedData());
}

// The layout read ahead by PrepareLayout, until a window takes it.
std::mutex g_layoutAheadMutex;
std::future<TLayoutObject> g_layoutAhead;

void CollectPictures(const TLayoutObject &object, QList<QByteArray> &pictures)
{
    for (const TLayoutProperty &property : object.Properties)
        if (property.Value.ValueKind == TLayoutValue::Binary)
            pictures << property.Value.Bytes;
    for (const TLayoutObject &child : object.Children)
        CollectPictures(child, pictures);
}

TLayoutObject TakeLayout()
{
    std::future<TLayoutObject> ahead;
    {
        const std::lock_guard<std::mutex> lock(g_layoutAheadMutex);
        ahead = std::move(g_layoutAhead);
    }
    return ahead.valid() ? ahead.get() : ParseLayout(LoadLayoutText());
}

// Assigns a handler that takes no arguments to an event of a component, whatever the event's own
// parameters are (the Sender, a button, a column).
template <class T, class Event>
bool Assign(QObject *component, Event T::*member, const std::function<void()> &handler)
{
    auto *typed = dynamic_cast<T *>(component);
    if (!typed)
        return false;
    typed->*member = [handler](auto &&...) { handler(); };
    return true;
}

} // namespace

TForm1::TForm1(const QString &dataFolder, QWidget *parent) : QWidget(parent), m_dataFolder(dataFolder)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto notify = [this](void (TForm1::*handler)()) {
        return [this, handler](QObject *component, const QString &event) {
            // A failure ends the handler and is reported there: it never unwinds through the
            // delivery of the event that ran it.
            const std::function<void()> call = [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); };
            if (component == this && event == QLatin1String("OnCreate")) {
                m_onCreate = call;
                return;
            }
            if (component == this && event == QLatin1String("OnShow")) {
                m_onShow = call;
                return;
            }
            if (event == QLatin1String("OnClick")
                && (Assign(component, &TPageControl::OnClick, call) || Assign(component, &TImage::OnClick, call)
                    || Assign(component, &TCheckBox::OnClick, call) || Assign(component, &TSpeedButton::OnClick, call)
                    || Assign(component, &TktBevelButton::OnClick, call) || Assign(component, &TCustomPanel::OnClick, call)
                    || Assign(component, &TDBNavigator::OnClick, call)))
                return;
            if (event == QLatin1String("OnCellClick") && Assign(component, &TDBGrid::OnCellClick, call))
                return;
            throw EInvalidOperation(QStringLiteral("%1 of %2 cannot run a handler").arg(event, component->objectName()));
        };
    };
    // The player navigator's handlers take the button.
    auto withButton = [this](void (TForm1::*handler)(TDBNavigator::TNavigateBtn)) {
        return [this, handler](QObject *component, const QString &event) {
            auto *navigator = qobject_cast<TDBNavigator *>(component);
            if (!navigator)
                throw EInvalidOperation(QStringLiteral("%1 of %2 cannot run a navigator's handler").arg(event, component->objectName()));
            auto call = [this, handler](QObject *, TDBNavigator::TNavigateBtn button) { (this->*handler)(button); };
            if (event == QLatin1String("BeforeAction"))
                navigator->BeforeAction = call;
            else if (event == QLatin1String("OnClick"))
                navigator->OnClick = call;
            else
                throw EInvalidOperation(QStringLiteral("%1 of %2 cannot run a navigator's handler").arg(event, component->objectName()));
        };
    };
    m_binders = {
        {QStringLiteral("DBNavigator1BeforeAction"), withButton(&TForm1::DBNavigator1BeforeAction)},
        {QStringLiteral("DBNavigator1Click"), withButton(&TForm1::DBNavigator1Click)},
        {QStringLiteral("FormCreate"), notify(&TForm1::FormCreate)},
        {QStringLiteral("FormShow"), notify(&TForm1::FormShow)},
        {QStringLiteral("Image1Click"), notify(&TForm1::Image1Click)},
        {QStringLiteral("ktBevelButton1Click"), notify(&TForm1::ktBevelButton1Click)},
        {QStringLiteral("ColorBtn1Click"), notify(&TForm1::ColorBtn1Click)},
        {QStringLiteral("tbn1Click"), notify(&TForm1::tbn1Click)},
        {QStringLiteral("DBNavigator2Click"), notify(&TForm1::DBNavigator2Click)},
        {QStringLiteral("DBGrid5CellClick"), notify(&TForm1::DBGrid5CellClick)},
        {QStringLiteral("DBGrid4CellClick"), notify(&TForm1::DBGrid4CellClick)},
        {QStringLiteral("cb1Click"), notify(&TForm1::cb1Click)},
        {QStringLiteral("ktBevelButton2Click"), notify(&TForm1::ktBevelButton2Click)},
        {QStringLiteral("siSpeedButton2Click"), notify(&TForm1::siSpeedButton2Click)},
    };

    m_loader = std::make_unique<TLayoutLoader>(WindowClasses());
    m_loader->SetEventBinder([this](QObject *component, const QString &event, const QString &handler) {
        BindEvent(component, event, handler);
    });
    // Only the page shown at start is made with the window; the others are made when they are
    // first shown, which keeps the start short.
    m_loader->SetDeferral([](const TLayoutObject &object) {
        if (object.ClassName != QLatin1String("TTabSheet"))
            return false;
        for (const TLayoutProperty &property : object.Properties)
            if (property.Name == QLatin1String("Caption") && property.Value.TextValue == QLatin1String("Control"))
                return false;
        return true;
    });
    m_parts.insert(QStringLiteral("Form1"), this);
    for (QObject *part : m_loader->Load(TakeLayout(), this))
        m_parts.insert(part->objectName(), part);
    if (auto *pages = Part<TPageControl>(QStringLiteral("tbn1")))
        connect(pages, &QTabWidget::currentChanged, this, [this, pages] { BuildPage(pages->currentWidget()); });

    BuildToolsButton();
    if (!IsServerLocation(dataFolder))
        AddBackupActions();
    ConnectTables(dataFolder);
    if (m_onCreate)
        RunGuarded(m_onCreate);
    if (IsServerLocation(dataFolder))
        WatchServer();
}

void TForm1::PrepareLayout()
{
    const std::lock_guard<std::mutex> lock(g_layoutAheadMutex);
    if (!g_layoutAhead.valid())
        g_layoutAhead = std::async(std::launch::async, [] {
            TLayoutObject layout = ParseLayout(LoadLayoutText());
            QList<QByteArray> pictures;
            CollectPictures(layout, pictures);
            DecodePicturesAhead(pictures);
            return layout;
        });
}

TForm1::~TForm1()
{
    // The tables close before the widgets that show them go.
    for (TTable *table : Tables())
        table->Close();
}

QObject *TForm1::Part(const QString &name)
{
    if (QObject *part = m_parts.value(name))
        return part;
    if (QWidget *page = m_loader ? m_loader->DeferredContainerOf(name) : nullptr) {
        BuildPage(page);
        return m_parts.value(name);
    }
    return nullptr;
}

void TForm1::BuildPage(QWidget *page)
{
    if (!page)
        return;
    const QList<QObject *> made = m_loader->LoadDeferred(page);
    for (QObject *part : made)
        m_parts.insert(part->objectName(), part);
    // The note on minus scores is laid over the calculated handicap of "Enter Scores"; the
    // handicap stands above it so the result of a round is never hidden.
    if (QObject *result = m_parts.value(QStringLiteral("VornDBText2")); result && made.contains(result))
        static_cast<QWidget *>(result)->raise();
}

void TForm1::BindEvent(QObject *component, const QString &event, const QString &handler)
{
    const auto it = m_binders.constFind(handler);
    if (it == m_binders.constEnd())
        throw EInvalidOperation(QStringLiteral("the window has no handler %1").arg(handler));
    (*it)(component, event);
}

void TForm1::ConnectTables(const QString &dataFolder)
{
    // The connections carry the stored parameters; the data folder is this user's.
    for (const QString &name : {QStringLiteral("Database1"), QStringLiteral("Database2"), QStringLiteral("Database3")}) {
        auto *database = Part<TDatabase>(name);
        if (!database)
            continue;
        if (IsServerLocation(dataFolder)) {
            // A server that cannot be reached now is told of once, when the tables open.
            database->SetDriverName(LocationDriver(dataFolder));
            database->SetParams(LocationParams(dataFolder));
            try {
                database->Open();
            } catch (const EDatabaseError &) {
            }
            continue;
        }
        QStringList params = database->Params();
        params.prepend(Golf::ConnectionParams(dataFolder).first());
        database->SetParams(params);
        RunGuarded([database] { database->Open(); });
    }
}

void TForm1::BuildToolsButton()
{
    m_toolsMenu = new QMenu(this);
    m_toolsMenu->setObjectName(QStringLiteral("ToolsMenu"));
    auto *index = m_toolsMenu->addAction(QStringLiteral("&Handicap Index..."));
    index->setObjectName(QStringLiteral("HandicapIndexAction"));
    index->setIconText(QStringLiteral("Index"));
    index->setToolTip(QStringLiteral("Your Handicap Index, the rounds behind it and its trend"));
    connect(index, &QAction::triggered, this, [this] { RunGuarded([this] { ShowHandicapIndex(); }); });

    // The button sits in the empty end of the tab row, left of the colour button, so that none of
    // the designed parts moves; its face is the Handicap Index, its arrow the whole menu.
    m_toolsButton = new QToolButton(this);
    m_toolsButton->setObjectName(QStringLiteral("ToolsButton"));
    m_toolsButton->setDefaultAction(index);
    m_toolsButton->setMenu(m_toolsMenu);
    m_toolsButton->setPopupMode(QToolButton::MenuButtonPopup);
    m_toolsButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_toolsButton->setCursor(Qt::PointingHandCursor);
    auto *pages = Part<TPageControl>(QStringLiteral("tbn1"));
    if (pages)
        m_toolsButton->setFont(pages->tabBar()->font());
    const auto *colourButton = Part<QWidget>(QStringLiteral("ColorBtn1"));
    const int right = colourButton ? colourButton->x() - 2 : width();
    const int height = colourButton ? colourButton->height() : 22;
    const int buttonWidth = m_toolsButton->sizeHint().width();
    m_toolsButton->setGeometry(right - buttonWidth, 0, buttonWidth, height);
    m_toolsButton->raise();
}

void TForm1::ShowHandicapIndex()
{
    // An edit of the player record in progress is written first, so the window sees the player
    // as the pages show them.
    if (!PostPendingChanges())
        return;
    TTable *players = Table(QStringLiteral("Table3"));
    if (!players || !players->Active() || players->IsEmpty()) {
        MessageDlg(QStringLiteral("There is no player yet: add a player on the \"Control\" page first."), mtInformation, {mrOk}, mrOk,
                   mrOk);
        return;
    }
    const int player = players->FieldByName(QStringLiteral("id"))->AsInteger();
    auto *open = qobject_cast<HandicapIndexWindow *>(m_indexWindow.data());
    if (open && open->PlayerId() == player) {
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    if (open)
        open->close();
    auto *window = new HandicapIndexWindow(m_dataFolder, player, this);
    // Its rounds live in the players' table: the day's copy is made before their first change too.
    if (m_dailyBackup)
        window->BeforeWrite = [this] { m_dailyBackup->BeforeWrite(); };
    m_indexWindow = window;
    window->show();
}

void TForm1::AddBackupActions()
{
    m_dailyBackup = std::make_unique<Golf::TDailyBackup>(m_dataFolder);
    for (const QString &name : {QStringLiteral("Database1"), QStringLiteral("Database2"), QStringLiteral("Database3")})
        m_dailyBackup->Attach(Part<TDatabase>(name));
    // Tables the window's other parts open by the folder itself are covered too.
    m_dailyBackup->AttachFolderConnection();
    if (!m_toolsMenu)
        return;
    m_toolsMenu->addSeparator();
    QAction *backUp = m_toolsMenu->addAction(QStringLiteral("&Back up now"));
    backUp->setObjectName(QStringLiteral("BackUpNowAction"));
    connect(backUp, &QAction::triggered, this, [this] { RunGuarded([this] { BackUpNow(); }); });
    QAction *restore = m_toolsMenu->addAction(QStringLiteral("&Restore..."));
    restore->setObjectName(QStringLiteral("RestoreAction"));
    connect(restore, &QAction::triggered, this, [this] { RunGuarded([this] { RestoreFromBackup(); }); });
}

void TForm1::BackUpNow()
{
    if (!PostPendingChanges())
        return;
    const QString copy = Golf::BackUpNow(m_dataFolder);
    MessageDlg(QStringLiteral("The tables were copied to\n%1").arg(QDir::toNativeSeparators(copy)), mtInformation, {mrOk}, mrOk, mrOk);
}

void TForm1::RestoreFromBackup()
{
    if (!PostPendingChanges())
        return;
    QString copy;
    {
        BackupDialog dialog(m_dataFolder, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        copy = dialog.SelectedCopy();
    }
    const QPointer<TForm1> self(this);
    if (ConfirmBox(QStringLiteral("Put the copy %1 in place of the tables? They are moved to the backups folder first.")
                       .arg(QFileInfo(copy).fileName())) != mrYes || !self)
        return;
    // No window may keep a table of the folder open while the files change under it.
    // (closed and gone now, not at the next turn of the event loop).
    if (m_indexWindow) {
        m_indexWindow->close();
        delete m_indexWindow.data();
    }
    for (TTable *table : Tables())
        table->Close();
    QString replaced;
    QString failure;
    try {
        replaced = Golf::RestoreCopy(m_dataFolder, copy);
    } catch (const Exception &error) {
        failure = error.Message();
    }
    // The tables open again whether or not the restore went through; a copy from an earlier
    // build is brought up to this one's tables first.
    if (!failure.isEmpty())
        MessageDlg(failure, mtError, {mrOk}, mrOk, mrOk);
    else
        RunGuarded([this] { Golf::PrepareDataFolder(m_dataFolder); });
    FormCreate();
    if (!failure.isEmpty())
        return;
    MessageDlg(QStringLiteral("The tables were restored from %1.\nThe replaced files are in\n%2")
                   .arg(QFileInfo(copy).fileName(), QDir::toNativeSeparators(replaced)),
               mtInformation, {mrOk}, mrOk, mrOk);
}

TTable *TForm1::Table(const QString &name)
{
    return Part<TTable>(name);
}

QList<TTable *> TForm1::Tables()
{
    QList<TTable *> tables;
    for (const QString &name : {QStringLiteral("Table1"), QStringLiteral("Table2"), QStringLiteral("Table3")})
        if (TTable *table = Table(name))
            tables << table;
    return tables;
}

QString TForm1::InputText(const QString &name)
{
    auto *edit = Part<QLineEdit>(name);
    return edit ? edit->text() : QString();
}

void TForm1::SetInputText(const QString &name, const QString &text)
{
    if (auto *edit = Part<QLineEdit>(name))
        edit->setText(text);
}

bool TForm1::Checked(const QString &name)
{
    auto *box = Part<TCheckBox>(name);
    return box && box->isChecked();
}

void TForm1::SetColor(TColor color)
{
    m_color = color;
    QPalette colours = palette();
    colours.setColor(QPalette::Window, ToQColor(color));
    setPalette(colours);
    setAutoFillBackground(true);
    if (auto *pages = Part<TPageControl>(QStringLiteral("tbn1"))) {
        for (int i = 0; i < pages->PageCount(); ++i) {
            QWidget *page = pages->Pages(i);
            QPalette pageColours = page->palette();
            pageColours.setColor(QPalette::Window, ToQColor(color));
            page->setPalette(pageColours);
            page->setAutoFillBackground(true);
        }
    }
    update();
}

void TForm1::SetBorderIcons(TBorderIcons icons)
{
    m_borderIcons = icons;
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (icons & biMinimize)
        flags |= Qt::WindowMinimizeButtonHint;
    if (icons & biMaximize)
        flags |= Qt::WindowMaximizeButtonHint;
    if (icons & biHelp)
        flags |= Qt::WindowContextHelpButtonHint;
    if (icons & biSystemMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    if (m_position == poScreenCenter) {
        if (QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    if (m_onShow)
        RunGuarded(m_onShow);
}

void TForm1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    // What another program (the command line, a second window) stored meanwhile is shown when
    // the user comes back; the current records stay.
    for (TTable *table : Tables())
        RunGuarded([table] { table->RefreshIfChangedElsewhere(); });
}

// ---------------------------------------------------------------------------------------------
// Shared database

void TForm1::WatchServer()
{
    setWindowTitle(QStringLiteral("%1 - %2").arg(windowTitle(), ShownLocation(m_dataFolder)));
    if (m_toolsMenu) {
        // A post refused because another user changed the record keeps the edit; this drops it
        // and shows what is stored now.
        QAction *refresh = m_toolsMenu->addAction(QStringLiteral("&Refresh"));
        refresh->setObjectName(QStringLiteral("RefreshAction"));
        refresh->setShortcut(QKeySequence::Refresh);
        refresh->setShortcutContext(Qt::WindowShortcut);
        addAction(refresh);
        connect(refresh, &QAction::triggered, this, [this] { RunGuarded([this] { RefreshFromServer(); }); });
    }
    m_serverWatch = new QTimer(this);
    m_serverWatch->setObjectName(QStringLiteral("ServerWatch"));
    m_serverWatch->setInterval(kServerWatchMilliseconds);
    connect(m_serverWatch, &QTimer::timeout, this, &TForm1::CheckServer);
    m_serverWatch->start();
    ShowServerState();
}

void TForm1::CheckServer()
{
    bool reachable = true;
    bool opened = false;
    bool allActive = true;
    for (TTable *table : Tables())
        allActive = allActive && table->Active();
    if (!allActive) {
        // Opening again is tried every few seconds, not at every look, and only once the server
        // answered: asking is done in the background, as a server that is gone keeps one waiting.
        if (!m_serverProbe) {
            if (m_reopenTried.isValid() && !m_reopenTried.hasExpired(kReopenMilliseconds))
                return;
            m_reopenTried.start();
            m_serverProbe = std::make_unique<TPgServerProbe>(m_dataFolder);
        }
        const std::optional<bool> answered = m_serverProbe->Answered();
        if (!answered)
            return;
        m_serverProbe.reset();
        m_reopenTried.start();
        // The schema is made first when the server was new or down at start.
        reachable = *answered;
        if (reachable) {
            try {
                Golf::PrepareDataFolder(m_dataFolder);
            } catch (const EDatabaseError &) {
                reachable = false;
            }
        }
    }
    for (TTable *table : Tables()) {
        try {
            if (!table->Active() && !reachable)
                continue;
            if (!table->Active()) {
                // Tables the server could not give at start open as soon as it can.
                table->Open();
                opened = true;
            } else {
                // What other users stored is shown; the current record and an edit in progress stay.
                table->RefreshIfChangedElsewhere();
                reachable = table->CheckConnection() && reachable;
            }
        } catch (const EDatabaseError &) {
            reachable = false;
        }
    }
    if (opened && reachable)
        RunGuarded([this] {
            if (TTable *settings = Table(QStringLiteral("Table2")); settings && !settings->IsEmpty())
                SetColor(settings->FieldByName(QStringLiteral("colour"))->AsInteger());
        });
    if (reachable != m_serverReachable) {
        m_serverReachable = reachable;
        ShowServerState();
    }
}

void TForm1::RefreshFromServer()
{
    for (TTable *table : Tables()) {
        if (!table->Active())
            continue;
        if (table->Editing())
            table->Cancel();
        table->Refresh();
    }
}

void TForm1::ShowServerState()
{
    auto *status = Part<TStaticText>(QStringLiteral("StaticText1"));
    if (!status)
        return;
    const QString where = ShownLocation(m_dataFolder);
    status->SetCaption(m_serverReachable
                           ? QStringLiteral("Scores are kept in the shared database %1.").arg(where)
                           : QStringLiteral("The shared database %1 cannot be reached: trying again; what you type is kept.").arg(where));
}

bool TForm1::PostPendingChanges()
{
    for (TTable *table : Tables()) {
        if (!table->Editing())
            continue;
        if (!RunGuarded([table] { table->CheckBrowseMode(); }))
            return false;
    }
    return true;
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // What the user changed is written before the tables close; when that fails the window
    // stays open so nothing is lost.
    if (!PostPendingChanges()) {
        event->ignore();
        return;
    }
    // The windows opened from here end with the program.
    if (m_indexWindow)
        m_indexWindow->close();
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TForm1::FormCreate()
{
    for (TTable *table : Tables()) {
        try {
            table->Open();
        } catch (const EDatabaseError &error) {
            if (IsServerLocation(m_dataFolder)) {
                m_serverReachable = false;
                throw EDatabaseError(QStringLiteral("%1\n\nThe window keeps trying and shows the data as soon as the database "
                                                    "can be reached.").arg(error.Message()));
            }
            throw EDatabaseError(Golf::UnreadableTableMessage(QDir(m_dataFolder).filePath(table->TableName()), error.Message()));
        }
    }
    SetColor(Table(QStringLiteral("Table2"))->FieldByName(QStringLiteral("colour"))->AsInteger());
}

void TForm1::FormShow()
{
    if (auto *pages = Part<TPageControl>(QStringLiteral("tbn1")))
        pages->SetActivePage(Part<TTabSheet>(QStringLiteral("TabSheet1")));
}

void TForm1::SettleBanner()
{
    auto *banner = Part<TScrollText>(QStringLiteral("sct1"));
    if (!banner)
        return;
    banner->SetScrolltype(TCustomScroll::scNone);
    banner->SetAlignment(Tk::taCenter);
    SetAlign(banner, alTop);
    banner->SetAutoSize(true);
    banner->SetCaption(kBannerCaption);
}

void TForm1::Image1Click()
{
    SettleBanner();
}

void TForm1::ktBevelButton1Click()
{
    close();
}

void TForm1::ColorBtn1Click()
{
    const QObject *button = Part(QStringLiteral("ColorBtn1"));
    const TColor colour = button ? TColor(button->property("ActiveColor").toInt()) : clBlack;
    SetColor(colour);
    TTable *settings = Table(QStringLiteral("Table2"));
    settings->Edit();
    settings->FieldByName(QStringLiteral("colour"))->SetAsInteger(colour);
    settings->Post();
}

void TForm1::tbn1Click()
{
    SettleBanner();
    auto *pages = Part<TPageControl>(QStringLiteral("tbn1"));
    const QString caption = pages && pages->ActivePage() ? pages->ActivePage()->Caption() : QString();
    TTable *clubs = Table(QStringLiteral("Table1"));
    // A club being edited is written before the table closes (the post's failure ends the
    // handler with the table as it was).
    if (clubs->Editing())
        clubs->CheckBrowseMode();
    if (caption == QLatin1String("Enter Scores")) {
        clubs->Close();
        clubs->SetIndexFieldNames(QStringLiteral("id"));
        clubs->Open();
        clubs->FindKey(Table(QStringLiteral("Table3"))->FieldByName(QStringLiteral("homeclub"))->AsString());
        if (auto *score = Part<QWidget>(QStringLiteral("EditN1")))
            score->setFocus(Qt::OtherFocusReason);
        SetInputText(QStringLiteral("EditN2"), clubs->FieldByName(QStringLiteral("rating"))->AsString());
        SetInputText(QStringLiteral("EditN3"), DateToStr(Today()));
    } else {
        clubs->Close();
        clubs->SetIndexName(QString());
        clubs->Open();
    }
}

void TForm1::DBNavigator1BeforeAction(TDBNavigator::TNavigateBtn button)
{
    if (button == TDBNavigator::nbEdit)
        Table(QStringLiteral("Table3"))->Edit();
}

void TForm1::DBNavigator1Click(TDBNavigator::TNavigateBtn button)
{
    SettleBanner();
    TTable *players = Table(QStringLiteral("Table3"));
    players->Edit();
    if (button == TDBNavigator::nbPost)
        players->FieldByName(QStringLiteral("homeclub"))->SetAsInteger(Table(QStringLiteral("Table1"))->FieldByName(QStringLiteral("id"))->AsInteger());
}

void TForm1::DBNavigator2Click()
{
    SettleBanner();
}

void TForm1::DBGrid5CellClick()
{
    TTable *clubs = Table(QStringLiteral("Table1"));
    clubs->SetIndexFieldNames(QStringLiteral("id"));
    if (!clubs->Active())
        clubs->Open();
    clubs->FindKey(Table(QStringLiteral("Table3"))->FieldByName(QStringLiteral("homeclub"))->AsString());
}

void TForm1::DBGrid4CellClick()
{
    SetInputText(QStringLiteral("EditN2"), Table(QStringLiteral("Table1"))->FieldByName(QStringLiteral("rating"))->AsString());
}

void TForm1::cb1Click()
{
    TTable *players = Table(QStringLiteral("Table3"));
    players->Edit();
    if (Checked(QStringLiteral("cb1")))
        players->FieldByName(QStringLiteral("hcap"))->SetAsFloat(players->FieldByName(QStringLiteral("calchcap"))->AsFloat());
    players->Post();
}

void TForm1::ktBevelButton2Click()
{
    const Golf::TRoundEntry entry{InputText(QStringLiteral("EditN1")), InputText(QStringLiteral("EditN2")),
                                  InputText(QStringLiteral("EditN3")), Checked(QStringLiteral("cb1"))};
    const Golf::TEnterOutcome outcome = Golf::EnterRound(*Table(QStringLiteral("Table3")), entry);
    if (outcome.Entered()) {
        SetInputText(QStringLiteral("EditN1"), QString());
    } else {
        AlertBeep();
        ShowMessage(outcome.Message());
    }
    // The round joined the archive: an open Handicap Index window shows it at once.
    if (auto *open = qobject_cast<HandicapIndexWindow *>(m_indexWindow.data()))
        open->Reload();
}

void TForm1::siSpeedButton2Click()
{
    auto *chart = Part<TRichEdit>(QStringLiteral("RichEdit1"));
    if (!chart)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("tallimo"));
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        if (MessageDlg(QStringLiteral("No printer is installed. Save the handicap chart as a PDF file instead?"), mtConfirmation,
                       {mrYes, mrNo}, mrYes, mrNo) != mrYes)
            return;
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save the handicap chart"),
                                                          QStringLiteral("tallimo.pdf"), QStringLiteral("PDF files (*.pdf)"));
        if (path.isEmpty())
            return;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
    } else {
        printer.setPrinterName(QPrinterInfo::defaultPrinter().printerName());
    }
    chart->document()->print(&printer);
}

// Not a test: a window with the data grid and both standard navigators over a small club table,
// saved as a picture (datagrid_demo <file.png>) for looking at them.
#include "TDBGrid.h"
#include "TDBNavigator.h"
#include "TDataSource.h"
#include "TTable.h"

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    TTable table;
    table.SetDatabaseName(folder.path());
    table.SetTableName("golfmaster.DB");
    table.CreateTable({{"Descr", ftString, 40, false}, {"City", ftString, 30, false}, {"Contact", ftString, 30, false},
                       {"RATING", ftFloat, 0, false}, {"ID", ftAutoInc, 0, false}});
    table.Open();
    const QList<QStringList> clubs{{"Royal Oak Links", "Pinecrest", "M. Adler", "72"},
                                   {"Harbour View", "Saltwick", "J. Brandt", "71.5"},
                                   {"Heathfield", "Morley", "K. Osei", "70"},
                                   {"Willow Creek", "Ashford", "P. Novak", "73"},
                                   {"Kestrel Downs", "Highmoor", "R. Lind", "69.5"},
                                   {"Stonebridge", "Eastfold", "T. Varga", "72"},
                                   {"Meadowlark", "Greenhill", "S. Ito", "71"}};
    for (const QStringList &club : clubs) {
        table.Insert();
        table.FieldByName("Descr")->SetAsString(club[0]);
        table.FieldByName("City")->SetAsString(club[1]);
        table.FieldByName("Contact")->SetAsString(club[2]);
        table.FieldByName("RATING")->SetAsString(club[3]);
        table.Post();
    }
    table.First();
    TDataSource source;
    source.SetDataSet(&table);

    QWidget window;
    window.resize(640, 330);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, ToQColor(RGBColor(162, 189, 191)));
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    QFont arial("Arial");
    arial.setPixelSize(11);
    window.setFont(arial);

    auto *grid = new TDBGrid(&window);
    grid->setGeometry(4, 4, 632, 139);
    grid->SetFixedColor(RGBColor(176, 189, 162));
    grid->SetTitleFont(arial);
    grid->Columns()->Add("Descr", "Description", Tk::taCenter, 251);
    grid->Columns()->Add("City", QString(), Tk::taCenter, 123);
    grid->Columns()->Add("Contact", QString(), Tk::taCenter, 133);
    grid->Columns()->Add("RATING", QString(), Tk::taCenter, 57);
    grid->Columns()->Add("ID", QString(), Tk::taLeftJustify, 27);
    grid->SetDataSource(&source);

    auto *players = new TDBNavigator(&window);
    players->SetBounds(20, 160, 232, 25);
    players->SetVisibleButtons(TDBNavigator::TButtonSet(0xFF));
    players->SetDataSource(&source);
    auto *clubsNav = new TDBNavigator(&window);
    clubsNav->SetBounds(268, 160, 176, 25);
    clubsNav->SetVisibleButtons(TDBNavigator::SetOf({TDBNavigator::nbFirst, TDBNavigator::nbPrior, TDBNavigator::nbNext, TDBNavigator::nbLast}));
    clubsNav->SetDataSource(&source);
    auto *all = new TDBNavigator(&window);
    all->SetBounds(20, 200, 300, 25);
    all->SetDataSource(&source);

    // A second, lower grid over the same table: three rows, the scroll bar in the middle.
    auto *small = new TDBGrid(&window);
    small->setGeometry(4, 236, 400, 90);
    small->SetFixedColor(RGBColor(176, 189, 162));
    small->SetTitleFont(arial);
    small->Columns()->Add("Descr", "Description", Tk::taCenter, 200);
    small->Columns()->Add("RATING", QString(), Tk::taCenter, 57);
    small->SetDataSource(&source);

    table.Next();
    table.Next();
    table.Edit();
    table.FieldByName("Contact")->SetAsString("K. Osei-Brown");
    window.show();
    app.processEvents();
    const QString file = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("datagrid.png");
    return window.grab().save(file) ? 0 : 1;
}

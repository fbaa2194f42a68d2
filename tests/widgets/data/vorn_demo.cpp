// Not a test: renders the extended record navigator over a club table and a column of bevelled
// data texts over a player table into PNG files for review (vorn_demo <folder>). With a second
// argument "--hold" the score and club pages stay on screen for three seconds, for a screen grab.

#include "FormatSettings.h"
#include "TField.h"
#include "VornDBControls.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

namespace {

QFont Arial(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QWidget *Page(const QString &colour)
{
    auto *page = new QWidget;
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(colour));
    page->setPalette(palette);
    page->setAutoFillBackground(true);
    page->setFont(Arial(13));
    return page;
}

void Save(QWidget *widget, const QString &path, int zoom = 1)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    widget->render(&image);
    if (zoom > 1)
        image = image.scaled(image.size() * zoom);
    image.save(path);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/work/shots");
    QDir().mkpath(out);
    TFormatSettings settings;
    SetFormatSettings(settings);
    QTemporaryDir folder;

    // Clubs and the navigator as the club page places it.
    TTable clubs;
    clubs.SetDatabaseName(folder.path());
    clubs.SetTableName(QStringLiteral("golfmaster.DB"));
    clubs.CreateTable({{"ID", ftAutoInc, 0, false}, {"Descr", ftString, 40, false}, {"RATING", ftFloat, 0, false}});
    clubs.Open();
    for (const char *name : {"Royal Links", "Pine Valley", "Lakeside", "Heathland"}) {
        clubs.Insert();
        clubs.FieldByName("Descr")->SetAsString(QString::fromLatin1(name));
        clubs.FieldByName("RATING")->SetAsFloat(71.5);
        clubs.Post();
    }
    clubs.First();
    TDataSource clubSource;
    clubSource.SetDataSet(&clubs);

    QWidget *clubPage = Page(QStringLiteral("#BFBDA2"));
    clubPage->resize(632, 451);
    auto *navigator = new TVornDBNavigator(clubPage);
    navigator->setObjectName(QStringLiteral("VornDBNavigator1"));
    navigator->SetBounds(0, 419, 632, 32);
    navigator->SetAlign(TVornDBNavigator::alBottom);
    navigator->SetDataSource(&clubSource);
    auto *clubName = new TVornDBText(clubPage);
    clubName->setFont(Arial(13));
    clubName->SetColor(clWhite);
    clubName->Bevel()->SetBevelInner(TVornBevel::bvLowered);
    clubName->Bevel()->SetBevelOuter(TVornBevel::bvNone);
    clubName->setGeometry(268, 368, 82, 20);
    clubName->SetDataSource(&clubSource);
    clubName->SetDataField(QStringLiteral("Descr"));
    clubPage->show();
    QApplication::processEvents();
    Save(clubPage, out + QStringLiteral("/vorn_club_page.png"));
    Save(navigator, out + QStringLiteral("/vorn_navigator_browse_x2.png"), 2);
    clubs.Next();
    clubs.Edit();
    clubs.FieldByName("Descr")->SetAsString(QStringLiteral("Pine Valley & Co"));
    Save(navigator, out + QStringLiteral("/vorn_navigator_editing_x2.png"), 2);
    Save(clubPage, out + QStringLiteral("/vorn_club_page_editing.png"));
    clubs.Cancel();

    // Every glyph, enabled and disabled, on a vertical navigator.
    QWidget *glyphPage = Page(QStringLiteral("#BFBDA2"));
    glyphPage->resize(120, 700);
    auto *all = new TVornDBNavigator(glyphPage);
    all->SetVisibleButtons(TVornNavBtnSet::FromBits(0x1FFFFF));
    all->SetOrientation(TVornDBNavigator::orVertical);
    all->SetDataSource(&clubSource);
    auto *allDisabled = new TVornDBNavigator(glyphPage);
    allDisabled->SetVisibleButtons(TVornNavBtnSet::FromBits(0x1FFFFF));
    allDisabled->SetOrientation(TVornDBNavigator::orVertical);
    allDisabled->SetFlat(true);
    allDisabled->move(50, 0);
    glyphPage->show();
    QApplication::processEvents();
    Save(glyphPage, out + QStringLiteral("/vorn_all_glyphs_x2.png"), 2);

    // The score history as the score page lays it out.
    TTable players;
    players.SetDatabaseName(folder.path());
    players.SetTableName(QStringLiteral("hcap.DB"));
    QList<TFieldInfo> fields{{"ID", ftAutoInc, 0, false}, {"Descr", ftString, 40, false}};
    for (int i = 1; i <= 12; ++i) {
        fields.append({QStringLiteral("S%1").arg(i), ftFloat, 0, false});
        fields.append({QStringLiteral("C%1").arg(i), ftFloat, 0, false});
        fields.append({QStringLiteral("D%1").arg(i), ftDate, 0, false});
    }
    fields.append({"Hcap", ftFloat, 0, false});
    fields.append({"CalChcap", ftFloat, 0, false});
    players.CreateTable(fields);
    players.Open();
    players.Insert();
    players.FieldByName("Descr")->SetAsString(QStringLiteral("Jo Smith"));
    for (int i = 1; i <= 12; ++i) {
        players.FieldByName(QStringLiteral("S%1").arg(i))->SetAsFloat(78 + (i * 7) % 13);
        players.FieldByName(QStringLiteral("C%1").arg(i))->SetAsFloat(70.0 + (i % 4) * 0.5);
        players.FieldByName(QStringLiteral("D%1").arg(i))->SetAsDateTime(46000 - 7 * i);
    }
    players.FieldByName("Hcap")->SetAsFloat(9);
    players.FieldByName("CalChcap")->SetAsFloat(8.6);
    players.Post();
    TDataSource playerSource;
    playerSource.SetDataSet(&players);

    QWidget *scorePage = Page(QStringLiteral("#BFBDA2"));
    scorePage->resize(632, 451);
    auto bind = [&](const QString &field, int left, int top, int width, int height, const QFont &font,
                    Tk::TAlignment alignment = Tk::taLeftJustify) {
        auto *text = new TVornDBText(scorePage);
        text->setFont(font);
        text->SetAlignment(alignment);
        text->Bevel()->SetBevelOuter(TVornBevel::bvNone);
        text->setGeometry(left, top, width, height);
        text->SetDataSource(&playerSource);
        text->SetDataField(field);
        return text;
    };
    for (int i = 1; i <= 12; ++i) {
        bind(QStringLiteral("D%1").arg(i), 156, 32 + 20 * i, i <= 7 ? 80 : 87, 18, Arial(13));
        bind(QStringLiteral("S%1").arg(i), 296, i == 1 ? 56 : 32 + 20 * i, 87, 18, Arial(13));
        bind(QStringLiteral("C%1").arg(i), 412, 36 + 20 * i, 87, 18, Arial(13));
    }
    bind(QStringLiteral("CalChcap"), 368, 368, 113, 21, Arial(16, true));
    bind(QStringLiteral("Hcap"), 368, 388, 113, 21, Arial(16, true));
    TVornDBText *framed = bind(QStringLiteral("CalChcap"), 287, 403, 87, 22, Arial(13, true), Tk::taRightJustify);
    framed->SetTransparent(true);
    framed->SetFontColor(TColorFromBits(0x011EE7));
    framed->Bevel()->SetBevelInner(TVornBevel::bvLowered);
    framed->Bevel()->SetBevelOuter(TVornBevel::bvRaised);
    scorePage->show();
    QApplication::processEvents();
    Save(scorePage, out + QStringLiteral("/vorn_score_texts.png"));
    if (argc > 2 && QByteArray(argv[2]) == "--hold") {
        glyphPage->hide();
        scorePage->move(0, 0);
        clubPage->move(0, 480);
        QTimer::singleShot(3000, &app, &QApplication::quit);
        return app.exec();
    }
    return 0;
}

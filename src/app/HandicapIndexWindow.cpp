#include "HandicapIndexWindow.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "FormatSettings.h"
#include "GolfTables.h"
#include "TApplication.h"
#include "TTable.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QGraphicsLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

enum Column : int { colDate, colClub, colScore, colRating, colSlope, colPcc, colDifferential, colReduction, colCounted, colCount };

const QStringList kColumnTitles = {QStringLiteral("Date"),         QStringLiteral("Club"),      QStringLiteral("Score"),
                                   QStringLiteral("Rating"),       QStringLiteral("Slope"),     QStringLiteral("PCC"),
                                   QStringLiteral("Differential"), QStringLiteral("Reduction"), QStringLiteral("Counted")};

// Tenths as the user writes decimals.
QString UserTenths(qint64 tenths)
{
    QString text = Golf::FormatTenths(tenths);
    text.replace(QLatin1Char('.'), FormatSettings().DecimalSeparator);
    return text;
}

QString UserIndex(std::optional<int> tenths)
{
    QString text = Golf::FormatIndex(tenths);
    if (tenths)
        text.replace(QLatin1Char('.'), FormatSettings().DecimalSeparator);
    return text;
}

QString UserDate(const QDate &date)
{
    return date.isValid() ? DateToStr(FromQDate(date)) : QString();
}

int WholeNumber(const QString &what, const QString &text)
{
    qint32 value = 0;
    if (!TryStrToInt(text.trimmed(), value))
        throw EConvertError(QStringLiteral("%1 '%2' is not a whole number").arg(what, text));
    return value;
}

// A round marker drawn by its series in one pass: a chart of thousands of rounds then costs no
// more than one item, where a marker of its own per point would make thousands.
QImage Marker(const QColor &colour, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
    return image;
}

// Midnight of a day on the chart's time axis (local time, as the axis shows it). The offset from
// UTC is taken once: asking the time zone per round costs a system call each, thousands per chart.
class ChartClock
{
public:
    double Time(const QDate &date) const
    {
        constexpr qint64 kUnixEpochDay = 2440588; // the Julian day of 1 January 1970
        return double((date.toJulianDay() - kUnixEpochDay) * 86400 - m_offsetSeconds) * 1000.0;
    }

private:
    qint64 m_offsetSeconds = QDateTime::currentDateTime().offsetFromUtc();
};

// One cell of the round table: the text, and the row's look when the round counts.
QTableWidgetItem *Cell(const QString &text, bool counted, Qt::Alignment alignment)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    if (counted) {
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
        item->setBackground(QColor(0xd8, 0xee, 0xd0));
    }
    return item;
}

// The texts of a listed round, column by column; shared by the table and the printed report.
QStringList RoundTexts(const Golf::TRoundResult &result, const QString &club)
{
    const Golf::TIndexRound &round = result.Round;
    QStringList texts(colCount);
    texts[colDate] = UserDate(round.Played);
    texts[colClub] = club;
    texts[colScore] = QString::number(round.Score);
    texts[colRating] = UserTenths(round.RatingTenths);
    texts[colSlope] = QString::number(round.Slope);
    texts[colPcc] = QString::number(round.Pcc);
    texts[colDifferential] = result.DifferentialTenths ? UserTenths(*result.DifferentialTenths) : QStringLiteral("left out");
    texts[colReduction] = result.ReductionTenths ? UserTenths(-result.ReductionTenths) : QString();
    texts[colCounted] = result.Counted ? QStringLiteral("yes") : QString();
    return texts;
}

} // namespace

HandicapIndexWindow::HandicapIndexWindow(const QString &dataFolder, int playerId, QWidget *parent)
    : QWidget(parent, Qt::Window), m_dataFolder(dataFolder), m_playerId(playerId)
{
    setObjectName(QStringLiteral("HandicapIndexWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    ChoosePdfFile = [](QWidget *owner, const QString &suggested) {
        return QFileDialog::getSaveFileName(owner, QStringLiteral("Save the player report"), suggested,
                                            QStringLiteral("PDF files (*.pdf)"));
    };
    BuildParts();
    ReadPlayerAndClubs();
    try {
        m_archive = std::make_unique<Golf::TRoundArchive>(m_dataFolder);
    } catch (const std::exception &error) {
        m_openProblems << QString::fromUtf8(error.what());
    }
    Reload();
    ClearEditor();
}

HandicapIndexWindow::~HandicapIndexWindow() = default;

void HandicapIndexWindow::BuildParts()
{
    setWindowTitle(QStringLiteral("Handicap Index"));
    resize(1000, 600);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("PlayerLabel"));
    QFont titleFont = m_title->font();
    titleFont.setPixelSize(QFontInfo(titleFont).pixelSize() * 3 / 2);
    titleFont.setBold(true);
    m_title->setFont(titleFont);

    m_index = new QLabel(this);
    m_index->setObjectName(QStringLiteral("IndexLabel"));
    QFont indexFont = m_index->font();
    indexFont.setPixelSize(44);
    indexFont.setBold(true);
    m_index->setFont(indexFont);
    m_index->setMinimumWidth(130);
    m_index->setAlignment(Qt::AlignCenter);
    auto *indexCaption = new QLabel(QStringLiteral("Handicap Index"), this);
    indexCaption->setAlignment(Qt::AlignCenter);

    m_courseHandicap = new QLabel(this);
    m_courseHandicap->setObjectName(QStringLiteral("CourseHandicapLabel"));
    m_explanation = new QLabel(this);
    m_explanation->setObjectName(QStringLiteral("ExplanationLabel"));
    m_explanation->setWordWrap(true);
    m_problems = new QLabel(this);
    m_problems->setObjectName(QStringLiteral("ProblemsLabel"));
    m_problems->setWordWrap(true);
    m_problems->setStyleSheet(QStringLiteral("QLabel { color: #a01010; }"));
    m_problems->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problems->hide();

    m_table = new QTableWidget(0, colCount, this);
    m_table->setObjectName(QStringLiteral("RoundsTable"));
    m_table->setHorizontalHeaderLabels(kColumnTitles);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(colClub, QHeaderView::Stretch);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetSelectionRange> ranges = m_table->selectedRanges();
        SelectRow(ranges.isEmpty() ? -1 : ranges.first().topRow());
    });

    m_chart = new QChart;
    m_chart->setObjectName(QStringLiteral("IndexChart"));
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_chartView = new QChartView(m_chart, this);
    m_chartView->setObjectName(QStringLiteral("IndexChartView"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumWidth(380);

    auto line = [this](const QString &name) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(name);
        return edit;
    };
    m_date = line(QStringLiteral("DateEdit"));
    m_club = new QComboBox(this);
    m_club->setObjectName(QStringLiteral("ClubBox"));
    m_score = line(QStringLiteral("ScoreEdit"));
    m_rating = line(QStringLiteral("RatingEdit"));
    m_slope = line(QStringLiteral("SlopeEdit"));
    m_pcc = line(QStringLiteral("PccEdit"));
    m_score->setMaximumWidth(60);
    m_rating->setMaximumWidth(60);
    m_slope->setMaximumWidth(60);
    m_pcc->setMaximumWidth(40);
    m_date->setMaximumWidth(100);

    auto button = [this](const QString &name, const QString &text, void (HandicapIndexWindow::*handler)()) {
        auto *made = new QPushButton(text, this);
        made->setObjectName(name);
        made->setAutoDefault(false);
        connect(made, &QPushButton::clicked, this, handler);
        return made;
    };
    m_new = button(QStringLiteral("NewButton"), QStringLiteral("&New"), &HandicapIndexWindow::ClearEditor);
    m_add = button(QStringLiteral("AddButton"), QStringLiteral("&Add round"), &HandicapIndexWindow::AddClicked);
    m_save = button(QStringLiteral("SaveButton"), QStringLiteral("&Save changes"), &HandicapIndexWindow::SaveClicked);
    m_delete = button(QStringLiteral("DeleteButton"), QStringLiteral("&Delete round"), &HandicapIndexWindow::DeleteClicked);
    m_print = button(QStringLiteral("PrintButton"), QStringLiteral("&Print report..."), &HandicapIndexWindow::PrintClicked);
    auto *close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    // Return in any field of the editor stores what it holds, as the button that is enabled would.
    for (QLineEdit *edit : {m_date, m_score, m_rating, m_slope, m_pcc})
        connect(edit, &QLineEdit::returnPressed, this, [this] { m_editedRound ? SaveClicked() : AddClicked(); });

    auto *headline = new QHBoxLayout;
    auto *number = new QVBoxLayout;
    number->setSpacing(0);
    number->addWidget(m_index);
    number->addWidget(indexCaption);
    headline->addLayout(number);
    auto *beside = new QVBoxLayout;
    beside->addWidget(m_title);
    beside->addWidget(m_courseHandicap);
    beside->addWidget(m_explanation);
    headline->addLayout(beside, 1);

    auto *editor = new QHBoxLayout;
    auto labelled = [editor, this](const QString &text, QWidget *field) {
        auto *label = new QLabel(text, this);
        label->setBuddy(field);
        editor->addWidget(label);
        editor->addWidget(field);
    };
    labelled(QStringLiteral("Da&te"), m_date);
    labelled(QStringLiteral("Cl&ub"), m_club);
    labelled(QStringLiteral("Sc&ore"), m_score);
    labelled(QStringLiteral("&Rating"), m_rating);
    labelled(QStringLiteral("S&lope"), m_slope);
    labelled(QStringLiteral("P&CC"), m_pcc);
    editor->addStretch();

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_new);
    buttons->addWidget(m_add);
    buttons->addWidget(m_save);
    buttons->addWidget(m_delete);
    buttons->addStretch();
    buttons->addWidget(m_print);
    buttons->addWidget(close);

    auto *left = new QVBoxLayout;
    left->addWidget(m_table, 1);
    left->addLayout(editor);
    left->addLayout(buttons);
    auto *body = new QHBoxLayout;
    body->addLayout(left, 3);
    body->addWidget(m_chartView, 2);

    auto *whole = new QVBoxLayout(this);
    whole->addLayout(headline);
    whole->addWidget(m_problems);
    whole->addLayout(body, 1);
}

void HandicapIndexWindow::ReadPlayerAndClubs()
{
    m_clubNames.clear();
    m_club->clear();
    m_club->addItem(QStringLiteral("(none)"));
    try {
        TTable players;
        players.SetDatabaseName(m_dataFolder);
        players.SetTableName(Golf::kPlayersTable);
        players.Open();
        if (players.FindKey(QString::number(m_playerId)))
            m_playerName = players.FieldByName(QStringLiteral("Descr"))->AsString();

        TTable clubs;
        clubs.SetDatabaseName(m_dataFolder);
        clubs.SetTableName(Golf::kClubsTable);
        clubs.Open();
        QList<QPair<QString, qint32>> listed;
        for (clubs.First(); !clubs.Eof(); clubs.Next()) {
            const qint32 id = clubs.FieldByName(QStringLiteral("ID"))->AsInteger();
            const QString name = clubs.FieldByName(QStringLiteral("Descr"))->AsString();
            m_clubNames.insert(id, name);
            listed.append({name, id});
        }
        std::stable_sort(listed.begin(), listed.end(), [](const auto &a, const auto &b) {
            return QString::localeAwareCompare(a.first, b.first) < 0;
        });
        for (const auto &[name, id] : listed)
            m_club->addItem(name.isEmpty() ? QStringLiteral("(club %1)").arg(id) : name, id);
    } catch (const std::exception &error) {
        m_openProblems << QString::fromUtf8(error.what());
    }
    const QString who = m_playerName.isEmpty() ? QStringLiteral("Player %1").arg(m_playerId) : m_playerName;
    m_title->setText(who);
    setWindowTitle(QStringLiteral("Handicap Index - %1").arg(who));
}

qint64 HandicapIndexWindow::RoundIdAt(int row) const
{
    const auto &rounds = m_shown.Index.Rounds;
    return row >= 0 && row < std::min<int>(kRoundsListed, rounds.size()) ? rounds[row].Round.Id : 0;
}

void HandicapIndexWindow::Reload()
{
    QStringList problems = m_openProblems;
    m_shown = Golf::TPlayerRounds();
    m_shown.Player = m_playerId;
    if (m_archive) {
        try {
            m_shown = m_archive->Load(m_playerId);
        } catch (const std::exception &error) {
            problems << QString::fromUtf8(error.what());
        }
    }
    problems << m_shown.Problems;
    QStringList leftOut;
    for (const Golf::TRoundResult &result : m_shown.Index.Rounds)
        if (!result.Note.isEmpty() && result.Round.Problem.isEmpty())
            leftOut << QStringLiteral("%1: %2").arg(UserDate(result.Round.Played), result.Note);
    ShowProblems(problems, leftOut);
    ShowIndex();
    ShowRounds();
    ShowChart();
}

void HandicapIndexWindow::ShowProblems(const QStringList &unreadable, const QStringList &leftOut)
{
    constexpr int kListed = 4;
    auto listed = [](const QString &heading, const QStringList &lines) {
        QStringList shown = lines.mid(0, kListed);
        if (lines.size() > kListed)
            shown << QStringLiteral("... and %1 more.").arg(lines.size() - kListed);
        return heading + QLatin1Char('\n') + shown.join(QLatin1Char('\n'));
    };
    QStringList parts;
    if (!unreadable.isEmpty())
        parts << listed(QStringLiteral("Some stored rounds could not be read and are left out:"), unreadable);
    if (!leftOut.isEmpty())
        parts << listed(QStringLiteral("Kept, but left out of the index:"), leftOut);
    m_problems->setText(parts.join(QLatin1Char('\n')));
    m_problems->setVisible(!parts.isEmpty());
}

void HandicapIndexWindow::ShowIndex()
{
    const Golf::THandicapIndex &index = m_shown.Index;
    m_index->setText(UserIndex(index.IndexTenths));
    // The numbers of the sentence in the user's decimals; its full stops stay.
    static const QRegularExpression decimalPoint(QStringLiteral("(?<=\\d)\\.(?=\\d)"));
    QString explanation = Golf::ExplainIndex(index.Breakdown);
    explanation.replace(decimalPoint, QString(FormatSettings().DecimalSeparator));
    m_explanation->setText(explanation);

    QString course;
    if (!m_shown.HomeTee) {
        course = QStringLiteral("No course handicap: the home club has no slope and par.");
    } else {
        const Golf::TTee &tee = *m_shown.HomeTee;
        const QString where = QStringLiteral("%1 (rating %2, slope %3, par %4)")
                                  .arg(tee.ClubName, UserTenths(tee.RatingTenths))
                                  .arg(tee.Slope)
                                  .arg(tee.Par);
        course = m_shown.CourseHandicap ? QStringLiteral("Course handicap %1 at %2").arg(*m_shown.CourseHandicap).arg(where)
                                        : QStringLiteral("No course handicap at %1 until an index is held.").arg(where);
    }
    m_courseHandicap->setText(course);
}

void HandicapIndexWindow::ShowRounds()
{
    const auto &rounds = m_shown.Index.Rounds;
    const int rows = std::min<int>(kRoundsListed, rounds.size());
    const QSignalBlocker quiet(m_table);
    m_table->clearSelection();
    m_table->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const Golf::TRoundResult &result = rounds[row];
        // The club is looked up in the round's own archive entry; the index knows rounds only.
        QString club;
        for (const Golf::TArchivedRound &kept : m_shown.Rounds)
            if (kept.Id == result.Round.Id) {
                if (kept.Club)
                    club = m_clubNames.value(*kept.Club, QStringLiteral("(club %1)").arg(*kept.Club));
                break;
            }
        const QStringList texts = RoundTexts(result, club);
        for (int column = 0; column < colCount; ++column) {
            const Qt::Alignment alignment = column == colDate || column == colClub || column == colCounted ? Qt::AlignLeft : Qt::AlignRight;
            QTableWidgetItem *item = Cell(texts[column], result.Counted, alignment);
            if (!result.Note.isEmpty())
                item->setToolTip(result.Note);
            m_table->setItem(row, column, item);
        }
    }
}

void HandicapIndexWindow::ShowChart()
{
    m_chart->removeAllSeries();
    // A removed axis is handed back to its maker.
    for (QAbstractAxis *axis : m_chart->axes()) {
        m_chart->removeAxis(axis);
        delete axis;
    }

    // The index as it stood after each round, drawn in the order the rounds were played.
    const ChartClock clock;
    QList<Golf::TIndexPoint> history = m_shown.Index.History;
    std::stable_sort(history.begin(), history.end(), [](const auto &a, const auto &b) { return a.Played < b.Played; });
    auto *indexLine = new QLineSeries;
    indexLine->setObjectName(QStringLiteral("IndexSeries"));
    indexLine->setName(QStringLiteral("Handicap Index"));
    QList<QPointF> indexPoints;
    indexPoints.reserve(history.size());
    for (const Golf::TIndexPoint &point : history)
        if (point.IndexTenths)
            indexPoints.append({clock.Time(point.Played), *point.IndexTenths / 10.0});
    indexLine->replace(indexPoints);

    // The rounds as dots: line series drawing only their markers.
    auto dots = [](const QString &objectName, const QString &name, const QColor &colour, int size) {
        auto *series = new QLineSeries;
        series->setObjectName(objectName);
        series->setName(name);
        series->setColor(colour);
        QPen none(colour);
        none.setStyle(Qt::NoPen);
        series->setPen(none);
        series->setPointsVisible(true);
        series->setMarkerSize(size);
        series->setLightMarker(Marker(colour, size));
        return series;
    };
    QLineSeries *differentials = dots(QStringLiteral("DifferentialSeries"), QStringLiteral("Differentials"), QColor(0x7f, 0x9f, 0xc8), 6);
    QLineSeries *counted = dots(QStringLiteral("CountedSeries"), QStringLiteral("Counted"), QColor(0x2e, 0x8b, 0x2e), 9);
    QList<QPointF> all;
    QList<QPointF> used;
    all.reserve(m_shown.Index.Rounds.size());
    for (const Golf::TRoundResult &result : m_shown.Index.Rounds) {
        if (!result.DifferentialTenths)
            continue;
        const QPointF point(clock.Time(result.Round.Played), *result.DifferentialTenths / 10.0);
        all.append(point);
        if (result.Counted)
            used.append(point);
    }
    differentials->replace(all);
    counted->replace(used);

    m_chart->addSeries(differentials);
    m_chart->addSeries(counted);
    m_chart->addSeries(indexLine);
    QPen indexPen(QColor(0xb0, 0x30, 0x20));
    indexPen.setWidthF(2.5);
    indexLine->setPen(indexPen);

    auto *time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("MMM yyyy"));
    time->setTickCount(5);
    auto *values = new QValueAxis;
    values->setLabelFormat(QStringLiteral("%.0f"));
    m_chart->addAxis(time, Qt::AlignBottom);
    m_chart->addAxis(values, Qt::AlignLeft);
    double low = 0;
    double high = 10;
    double first = 0;
    double last = 0;
    bool any = false;
    for (const QList<QPointF> *points : {&all, &indexPoints})
        for (const QPointF &point : *points) {
            if (!any) {
                low = high = point.y();
                first = last = point.x();
                any = true;
            }
            low = std::min(low, point.y());
            high = std::max(high, point.y());
            first = std::min(first, point.x());
            last = std::max(last, point.x());
        }
    if (!any) {
        first = clock.Time(QDate::currentDate().addYears(-1));
        last = clock.Time(QDate::currentDate());
    }
    // A little room around the points, and a span of at least a month along the time axis.
    constexpr double kMonth = 31.0 * 24 * 3600 * 1000;
    if (last - first < kMonth)
        first = last - kMonth;
    time->setRange(QDateTime::fromMSecsSinceEpoch(qint64(first - kMonth / 8)), QDateTime::fromMSecsSinceEpoch(qint64(last + kMonth / 8)));
    values->setRange(std::floor(low) - 1, std::ceil(high) + 1);
    values->applyNiceNumbers();
    for (QAbstractSeries *series : m_chart->series()) {
        series->attachAxis(time);
        series->attachAxis(values);
    }
}

void HandicapIndexWindow::SelectRow(int row)
{
    const qint64 id = RoundIdAt(row);
    const Golf::TArchivedRound *kept = nullptr;
    for (const Golf::TArchivedRound &round : m_shown.Rounds)
        if (round.Id == id)
            kept = &round;
    if (!kept) {
        m_editedRound.reset();
    } else {
        m_editedRound = kept->Id;
        m_date->setText(UserDate(kept->Played));
        m_club->setCurrentIndex(kept->Club ? std::max(0, m_club->findData(*kept->Club)) : 0);
        m_score->setText(QString::number(kept->Score));
        m_rating->setText(UserTenths(kept->RatingTenths));
        m_slope->setText(QString::number(kept->Slope));
        m_pcc->setText(QString::number(kept->Pcc));
    }
    m_save->setEnabled(bool(m_editedRound));
    m_delete->setEnabled(bool(m_editedRound));
}

void HandicapIndexWindow::ClearEditor()
{
    m_table->clearSelection();
    m_editedRound.reset();
    m_date->setText(UserDate(QDate::currentDate()));
    m_club->setCurrentIndex(0);
    if (m_shown.HomeTee) {
        const int home = m_club->findData(m_shown.HomeTee->Club);
        m_club->setCurrentIndex(std::max(0, home));
        m_rating->setText(UserTenths(m_shown.HomeTee->RatingTenths));
        m_slope->setText(QString::number(m_shown.HomeTee->Slope));
    } else {
        m_rating->clear();
        m_slope->setText(QString::number(Golf::kStandardSlope));
    }
    m_score->clear();
    m_pcc->setText(QStringLiteral("0"));
    m_save->setEnabled(false);
    m_delete->setEnabled(false);
}

std::optional<Golf::TRoundInput> HandicapIndexWindow::ReadEditor()
{
    std::optional<Golf::TRoundInput> input;
    RunGuarded([this, &input] {
        Golf::TRoundInput round;
        TDateTime played = 0;
        if (!TryStrToDate(m_date->text().trimmed(), played))
            throw EConvertError(QStringLiteral("Date '%1' is not a date like %2").arg(m_date->text(), UserDate(QDate::currentDate())));
        round.Played = ToQDate(played);
        round.Score = WholeNumber(QStringLiteral("Score"), m_score->text());
        round.RatingTenths = Golf::ParseRatingTenths(m_rating->text().trimmed(), FormatSettings().DecimalSeparator);
        round.Slope = WholeNumber(QStringLiteral("Slope"), m_slope->text());
        round.Pcc = m_pcc->text().trimmed().isEmpty() ? 0 : WholeNumber(QStringLiteral("PCC"), m_pcc->text());
        if (m_club->currentData().isValid())
            round.Club = m_club->currentData().toInt();
        try {
            Golf::CheckRound(round);
        } catch (const EConvertError &refused) {
            // The date is named as the user wrote it.
            QString message = refused.Message();
            message.replace(round.Played.toString(Qt::ISODate), m_date->text().trimmed());
            throw EConvertError(message);
        }
        input = round;
    });
    return input;
}

void HandicapIndexWindow::AddClicked()
{
    const std::optional<Golf::TRoundInput> round = ReadEditor();
    if (!round)
        return;
    if (!RunGuarded([this, &round] {
            if (!m_archive)
                throw EDatabaseError(QStringLiteral("The rounds cannot be stored: %1").arg(m_openProblems.join(QLatin1Char(' '))));
            if (BeforeWrite)
                BeforeWrite();
            m_archive->Add(m_playerId, *round);
        }))
        return;
    Reload();
    ClearEditor();
}

void HandicapIndexWindow::SaveClicked()
{
    if (!m_editedRound)
        return;
    const qint64 id = *m_editedRound;
    const std::optional<Golf::TRoundInput> round = ReadEditor();
    if (!round || !m_archive)
        return;
    if (!RunGuarded([this, id, &round] {
            if (BeforeWrite)
                BeforeWrite();
            m_archive->Update(id, *round);
        }))
        return;
    Reload();
    // The corrected round stays selected while it is listed.
    for (int row = 0; row < m_table->rowCount(); ++row)
        if (RoundIdAt(row) == id) {
            m_table->selectRow(row);
            return;
        }
    ClearEditor();
}

void HandicapIndexWindow::DeleteClicked()
{
    if (!m_editedRound || !m_archive)
        return;
    const qint64 id = *m_editedRound;
    QString what = QStringLiteral("this round");
    for (const Golf::TArchivedRound &round : m_shown.Rounds)
        if (round.Id == id)
            what = QStringLiteral("the round of %1 (score %2)").arg(UserDate(round.Played)).arg(round.Score);
    if (ConfirmBox(QStringLiteral("Delete %1?").arg(what)) != mrYes)
        return;
    if (!RunGuarded([this, id] {
            if (BeforeWrite)
                BeforeWrite();
            m_archive->Remove(id);
        }))
        return;
    Reload();
    ClearEditor();
}

void HandicapIndexWindow::PrintClicked()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("tallimo"));
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        if (MessageDlg(QStringLiteral("No printer is installed. Save the player report as a PDF file instead?"), mtConfirmation,
                       {mrYes, mrNo}, mrYes, mrNo)
            != mrYes)
            return;
        const QPointer<HandicapIndexWindow> self(this);
        const QString path = ChoosePdfFile ? ChoosePdfFile(this, QStringLiteral("tallimo-index.pdf")) : QString();
        if (!self || path.isEmpty())
            return;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
    } else {
        printer.setPrinterName(QPrinterInfo::defaultPrinter().printerName());
    }
    RunGuarded([this, &printer] { PrintReport(printer); });
}

void HandicapIndexWindow::PrintReport(QPrinter &printer)
{
    printer.setFullPage(false);
    QPainter painter;
    if (!painter.begin(&printer))
        throw EInvalidOperation(QStringLiteral("The report could not be printed on %1")
                                    .arg(printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName()));
    // Drawn in points, whatever the printer's resolution.
    const double scale = printer.resolution() / 72.0;
    painter.scale(scale, scale);
    PaintReport(painter, QSizeF(printer.width() / scale, printer.height() / scale));
    painter.end();
}

void HandicapIndexWindow::PaintReport(QPainter &painter, const QSizeF &pageSize)
{
    const QRectF page(QPointF(0, 0), pageSize);
    auto font = [](int size, bool bold = false) {
        QFont made(QStringLiteral("Liberation Sans"));
        made.setPixelSize(size);
        made.setBold(bold);
        return made;
    };
    double y = 0;
    painter.setFont(font(16, true));
    painter.drawText(QRectF(0, y, page.width(), 22), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Handicap Index: %1").arg(m_title->text()));
    painter.setFont(font(9));
    painter.drawText(QRectF(0, y, page.width(), 22), Qt::AlignRight | Qt::AlignVCenter, UserDate(QDate::currentDate()));
    y += 28;
    painter.setFont(font(36, true));
    painter.drawText(QRectF(0, y, 110, 44), Qt::AlignLeft | Qt::AlignVCenter, m_index->text());
    painter.setFont(font(10));
    QRectF used;
    painter.drawText(QRectF(115, y, page.width() - 115, 200), Qt::TextWordWrap, m_courseHandicap->text() + QLatin1Char('\n') + m_explanation->text(),
                     &used);
    y += std::max(48.0, used.height() + 6);
    if (m_problems->isVisible()) {
        painter.setFont(font(8));
        painter.drawText(QRectF(0, y, page.width(), 60), Qt::TextWordWrap, m_problems->text(), &used);
        y += used.height() + 6;
    }

    // The listed rounds, as the table shows them.
    const QList<double> widths = {62, 0, 34, 38, 34, 28, 58, 52, 44};
    double fixed = 0;
    for (double width : widths)
        fixed += width;
    const double clubWidth = std::max(60.0, page.width() - fixed);
    constexpr double kRow = 13;
    auto row = [&](const QStringList &texts, bool bold) {
        painter.setFont(font(8, bold));
        double x = 0;
        for (int column = 0; column < colCount; ++column) {
            const double width = column == colClub ? clubWidth : widths[column];
            const Qt::Alignment alignment = column == colDate || column == colClub || column == colCounted ? Qt::AlignLeft : Qt::AlignRight;
            painter.drawText(QRectF(x + 2, y, width - 4, kRow), alignment | Qt::AlignVCenter,
                             painter.fontMetrics().elidedText(texts.value(column), Qt::ElideRight, int(width - 4)));
            x += width;
        }
        y += kRow;
    };
    row(kColumnTitles, true);
    painter.drawLine(QPointF(0, y), QPointF(page.width(), y));
    const int rows = m_table->rowCount();
    for (int index = 0; index < rows; ++index) {
        QStringList texts;
        for (int column = 0; column < colCount; ++column)
            texts << (m_table->item(index, column) ? m_table->item(index, column)->text() : QString());
        const bool counted = !texts[colCounted].isEmpty();
        if (counted)
            painter.fillRect(QRectF(0, y, page.width(), kRow), QColor(0xe4, 0xf2, 0xde));
        row(texts, counted);
    }
    y += 10;

    // The chart is laid out afresh across the page, then given back its size on screen.
    const QSizeF onScreen = m_chart->size();
    const QSizeF printed(page.width(), std::clamp(page.height() - y, 120.0, 330.0));
    m_chart->resize(printed);
    if (m_chart->layout())
        m_chart->layout()->activate();
    m_chart->scene()->render(&painter, QRectF(QPointF(0, y), printed), QRectF(m_chart->pos(), printed));
    m_chart->resize(onScreen);
}

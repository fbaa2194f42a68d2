#pragma once

// Shared by the data-widget tests: the standard controls' container and pixel helpers, a wider
// container for the data widgets' pages, and a club-like table.

#include "ControlsTestKit.h"
#include "StoreTestSupport.h"
#include "TDataSource.h"

class WideContainer : public Container
{
public:
    WideContainer() : Container(QSize(700, 300)) {}
};

// Clubs with names "Club 1" .. "Club <count>" in primary order, current on the first.
inline std::unique_ptr<TTable> MakeClubs(TableFixture &fixture, int count, const QString &name = QStringLiteral("clubs.DB"))
{
    QList<std::tuple<QString, QVariant, QVariant>> records;
    for (int i = 1; i <= count; ++i)
        records.append({QStringLiteral("Club %1").arg(i), 70.0 + i / 10.0, 18});
    return fixture.MakeTable(name, records);
}

#include "CustomColors.h"

#include "Dialogs.h"

#include <QSettings>
#include <memory>

namespace {

// The settings store's node "SoftWare" / title. On Windows that is the registry of the current
// user itself; elsewhere QSettings keeps it in its user-scope native file for that pair of names.
std::unique_ptr<QSettings> OpenTitleKey()
{
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\SoftWare\\") + ApplicationTitle(),
                                       QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("SoftWare"),
                                       ApplicationTitle());
#endif
}

} // namespace

TCustomColorTable &CustomColors()
{
    static TCustomColorTable table = [] {
        TCustomColorTable white;
        white.fill(clWhite);
        return white;
    }();
    return table;
}

QString CustomColorValueName(int index)
{
    return QStringLiteral("Color") + QChar(u'A' + index);
}

QString CustomColorText(TColor color)
{
    return QStringLiteral("%1").arg(TColorBits(color), 6, 16, QLatin1Char('0')).toUpper();
}

bool ParseCustomColorText(const QString &text, TColor &color)
{
    if (text.isEmpty() || text.size() > 8)
        return false;
    quint32 value = 0;
    for (const QChar c : text) {
        const int digit = QStringLiteral("0123456789ABCDEF").indexOf(c.toUpper());
        if (digit < 0)
            return false;
        value = (value << 4) | quint32(digit);
    }
    color = TColorFromBits(value);
    return true;
}

void LoadCustomColors(const QString &regKey)
{
    TCustomColorTable &table = CustomColors();
    table.fill(clWhite);
    const auto store = OpenTitleKey();
    store->beginGroup(regKey);
    // A key without any value or sub-key is as good as missing: every entry would load white.
    if (store->childKeys().isEmpty())
        return;
    for (int i = 0; i < kCustomColorCount; ++i) {
        const QVariant value = store->value(CustomColorValueName(i));
        if (value.isValid())
            ParseCustomColorText(value.toString(), table[size_t(i)]);
    }
}

void SaveCustomColors(const QString &regKey)
{
    const auto store = OpenTitleKey();
    if (!store->isWritable())
        return;
    store->beginGroup(regKey);
    const TCustomColorTable &table = CustomColors();
    for (int i = 0; i < kCustomColorCount; ++i)
        store->setValue(CustomColorValueName(i), CustomColorText(table[size_t(i)]));
    store->endGroup();
    store->sync();
}

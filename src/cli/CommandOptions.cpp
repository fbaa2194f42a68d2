#include "CommandOptions_p.h"

namespace Cli {

TParsedOptions ParseOptions(const QStringList &arguments, const QStringList &valued, const QStringList &flags, unsigned rules)
{
    TParsedOptions parsed;
    for (int i = 0; i < arguments.size(); ++i) {
        QString name = arguments[i];
        if (!name.startsWith(QLatin1String("--")))
            throw TUsageError(QStringLiteral("unexpected argument '%1'").arg(name));
        QString value;
        bool hasValue = false;
        if (const qsizetype equals = name.indexOf(QLatin1Char('=')); equals > 0) {
            value = name.mid(equals + 1);
            name = name.left(equals);
            hasValue = true;
        }
        name = name.mid(2);
        if (flags.contains(name)) {
            if (hasValue)
                throw TUsageError(QStringLiteral("--%1 takes no value").arg(name));
            parsed.Flags.insert(name);
            continue;
        }
        if (!valued.contains(name))
            throw TUsageError(QStringLiteral("unknown option --%1").arg(name));
        if (!hasValue) {
            if (i + 1 >= arguments.size())
                throw TUsageError(QStringLiteral("--%1 needs a value").arg(name));
            value = arguments[++i];
        }
        if ((rules & orRefuseEmpty) && value.isEmpty())
            throw TUsageError(QStringLiteral("--%1 needs a value").arg(name));
        if ((rules & orRefuseRepeated) && parsed.Values.contains(name))
            throw TUsageError(QStringLiteral("--%1 is given twice").arg(name));
        parsed.Values.insert(name, value);
    }
    return parsed;
}

} // namespace Cli

#pragma once
// The options every command-line companion answers alike, given as the only argument:
// -h/--help prints the tool's help text, -v/--version its name and the program's version.

#include <QString>
#include <QStringList>
#include <optional>

#include "app/build_info.h"

// The text to print on standard output (then exit 0), or nothing when `args` is not one of these.
inline std::optional<QString> StandardOptionText(const QStringList& args, const QString& tool, const char* help)
{
    if (args.size() != 1)
        return std::nullopt;
    if (args[0] == QLatin1String("-h") || args[0] == QLatin1String("--help"))
        return QString::fromUtf8(help);
    if (args[0] == QLatin1String("-v") || args[0] == QLatin1String("--version"))
        return tool + QLatin1Char(' ') + MorvekVersion() + QLatin1Char('\n');
    return std::nullopt;
}

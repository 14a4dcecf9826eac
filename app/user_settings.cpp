#include "app/user_settings.h"

std::unique_ptr<QSettings> UserSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Morvek"),
                                       QStringLiteral("Morvek"));
}

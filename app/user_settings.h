#pragma once
// The program's settings: an ini file in the user's configuration folder ("Morvek/Morvek.ini"),
// for what the program remembers between runs (the recording folder, the debug page's view
// choices, the places of chart windows).

#include <QSettings>
#include <memory>

std::unique_ptr<QSettings> UserSettings();

#include "app/build_info.h"

// The build defines these for this file only (see the top-level CMakeLists.txt); the fallbacks
// serve builds without it.
#ifndef MORVEK_VERSION_STRING
#define MORVEK_VERSION_STRING "0.0.0"
#endif
#ifndef MORVEK_APP_ID
#define MORVEK_APP_ID "io.github.morvek.Morvek"
#endif
#ifndef MORVEK_DOC_FROM_BIN
#define MORVEK_DOC_FROM_BIN "../share/doc/morvek"
#endif
#ifndef MORVEK_INSTALL_DOCDIR
#define MORVEK_INSTALL_DOCDIR "/usr/local/share/doc/morvek"
#endif

QString MorvekVersion() { return QStringLiteral(MORVEK_VERSION_STRING); }
QString MorvekAppId() { return QStringLiteral(MORVEK_APP_ID); }
QString DocFolderFromProgramFolder() { return QString::fromUtf8(MORVEK_DOC_FROM_BIN); }
QString InstalledDocFolder() { return QString::fromUtf8(MORVEK_INSTALL_DOCDIR); }

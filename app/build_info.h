#pragma once
// What the build knows about the program: its version and where an installation puts the
// documentation.

#include <QString>

// The version that --version, the about box and the package show, e.g. "1.1.1.240701": the
// project version and the release tag that the window caption also carries.
QString MorvekVersion();
// The desktop's name for the program (desktop entry, icon, metadata), e.g. "io.github.morvek.Morvek".
QString MorvekAppId();

// The installed documentation folder (<prefix>/share/doc/morvek), relative to the folder of the
// installed program (<prefix>/bin), so that a moved or unpacked installation still finds it.
QString DocFolderFromProgramFolder();
// The same folder as an absolute path under the prefix the build was configured with.
QString InstalledDocFolder();

#pragma once
// Why a file the user named cannot be used, in a short sentence for the second line of a message
// box: the refusal's first line names the file, this one says what is wrong with it.

#include <QString>

// Why a file could not be read, judged from what the file system says about path now: missing, a
// folder, or not readable. Something else (a read error part way, say) gives a general sentence.
// A refusal to write has its reason from the writers' check (FileReplacer::MayWrite) instead.
QString FileOpenProblem(const QString& path);

#pragma once
// Why a file the user named cannot be used, in a short sentence for the second line of a message
// box: the refusal's first line names the file, this one says what is wrong with it.

#include <QString>

// Judged from what the file system says about path now: missing, a folder, not readable, or, by
// the writers' check (FileReplacer::MayWrite), not to be written. Something else (a read error
// part way, say) gives a general sentence.
QString FileOpenProblem(const QString& path);

#pragma once
// Writing a whole file so that it is either completely replaced or left exactly as it was.

#include <QByteArray>
#include <QString>

// Writes data to path through a temporary file in the same folder: the bytes are written,
// flushed and synced to disk, and only then does the temporary file take the target's name.
// A target that carries no write permission at all is refused, even where this user could
// override it: the write protection is the owner's intent. On any failure the temporary file is
// removed, an existing target keeps its old content, and *reason (if given) receives a short
// description for the user. Returns true when the new content is in place.
bool WriteFileAtomically(const QString& path, const QByteArray& data, QString* reason = nullptr);

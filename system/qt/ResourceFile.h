#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Reading a file that came from outside (a command-line option, the cache) without trusting it:
// only a regular file (links followed) is read, only up to a limit, and opening never waits (a
// FIFO in its place is refused rather than waited on). Built-in resources (":/...") are read as
// they are.

namespace storm::qt {

// Enough for every resource file the application reads.
inline constexpr qint64 kResourceFileLimit = 1024 * 1024;

// The file's bytes, or nothing with the reason in `error`.
std::optional<QByteArray> readResourceFile(const QString& path, QString& error, qint64 limit = kResourceFileLimit);

// Whether `path` names a regular file of at most `limit` bytes; the reason in `error` when not.
bool isReadableRegularFile(const QString& path, QString& error, qint64 limit);

}  // namespace storm::qt

#pragma once
// Initialisation files read and written the way the platform's private-profile functions do:
// case-insensitive section and key names, trimmed values, comments and unknown lines kept as
// they are. A write changes only the one line it is about and replaces the file atomically.

#include <QString>

namespace profile {

// The value of key in section, cut to bufferSize - 1 characters; def when the file, the section or
// the key is missing or the file cannot be read.
QString getString(const QString& file, const QString& section, const QString& key,
                  const QString& def, int bufferSize = 1024);

// Sets key in section, creating the file, the section or the key as needed. False when the file
// cannot be read or replaced; the file is then left as it was.
bool writeString(const QString& file, const QString& section, const QString& key, const QString& value);

// The message shown when a write fails.
QString writeErrorText(const QString& file);

} // namespace profile

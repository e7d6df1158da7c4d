#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// Reads and writes one entry of the settings file named by strIniFile. The
// file is opened for each single read or write and never held open.
namespace modIni {

inline QString strIniFile;
// Set for a settings file that is read but never written (see settingsplace.h):
// GetIniValue writes nothing back and SetIniValue fails.
inline bool iniReadOnly = false;

// The entry's value (cut to its first 143 bytes in the file's code page).
// A missing or empty entry writes the default back to the same key and
// returns it; an absent default (std::nullopt) removes an empty entry and
// returns empty text.
QString GetIniValue(
    QString section, QString key, std::optional<QString> defaultValue = std::nullopt);

// The entry's value without writing anything back: empty text for a missing
// or empty entry, std::nullopt when its bytes are not text of the code page.
std::optional<QString> readIniValue(QString section, QString key);

// True when the write succeeded. A failed write leaves the file as it was.
bool SetIniValue(QString section, QString key, QString value);

// Writes the keys and values of one section as one change of the file: a
// write cut short leaves the old file or the whole new one, never some of the
// entries. True when the write succeeded; a failed one leaves the file as it
// was.
bool SetIniValues(QString section, const QList<std::pair<QString, QString>> &entries);

} // namespace modIni

#pragma once

#include <QString>

#include <functional>
#include <optional>

// The process-wide settings and the program's start and end.
namespace modPub {

inline QString strKeyWord;
inline qint32 lngMaxPage = 0;
inline QString strKeyUrl;
inline QString strAppPath;
// The search engine's host as an optional "SearchHost" entry gives it; empty
// text for the built-in host. Read at start-up, never written.
inline QString strSearchHost;

// The program's entry: prepareSettings for the program's own folder, then
// the main window (not blocking).
void Main();
// The start-up sequence up to the main window: the settings file's place
// (settingsplace.h), the settings from that file or, when there is none, the
// defaults, which then create it; and the optional "SearchHost" entry.
void prepareSettings(const std::optional<QString> &programFolder);
void LoadSettings();
void SaveSettings();
void SetDefaultSettings();

// The program folder with exactly one separator at its end.
QString appPathFromFolder(const QString &folder);

// Ends the program at once. Tests replace what it does.
void End();
void setEndHandler(std::function<void()> handler);

} // namespace modPub

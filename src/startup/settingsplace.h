#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Where the settings file lies. TLV.INI beside the program while the user may
// write the program's folder (a portable copy); otherwise, as for a program
// installed where users cannot write, TLV.INI in the user's configuration
// folder for the application.
namespace modPub {

struct SettingsPlace
{
    QString appPath; // the program's folder with its separator; empty when it has no name as text
    QString iniFile; // empty when there is no folder for the settings at all
};

// The place for a program in `folder` (as platform::programFolder gives it).
// Whether the user may write there is read from the permission bits, so the
// superuser is judged like anyone else. A folder whose name
// does not convert to text and back unchanged cannot be used: the per-user
// file is taken and no other folder. The per-user file is made at its first
// use, as a byte-for-byte copy of a TLV.INI beside the program when there is one.
SettingsPlace settingsPlace(const std::optional<QByteArray> &folder);

} // namespace modPub

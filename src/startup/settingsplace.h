#pragma once

#include <QString>

#include <optional>

// Where the settings file lies.
//
// Portable: TLV.INI beside the program, when the program is not an installed
// copy, its folder is the user's (POSIX: owned and writable by the permission
// bits, so the superuser is judged like anyone else; Windows: owned by the
// user or the system's own accounts, or on a drive that keeps no owners), and
// a write there really works.
// Otherwise per-user: TLV.INI in the user's configuration folder for the
// application, made for the user alone; its first start copies the bytes of a
// TLV.INI beside the program when there is one. When the user has no usable
// configuration folder, a TLV.INI beside the program is read but never
// written, and without one nothing is written anywhere.
//
// A TLV.INI beside the program that another user put into a folder everyone
// may write is never used: it is not the user's, nor the administrator's
// (platform::trustedFile).
namespace modPub {

struct SettingsPlace
{
    QString appPath; // the program's folder with its separator; empty when it is not known
    QString iniFile; // empty when there is no settings file to read or write
    bool readOnly = false; // the file is read and never written
};

// The place for a program in `folder` (as platform::programFolder gives it).
// Makes the per-user folder and file when they are the place and missing.
SettingsPlace settingsPlace(const std::optional<QString> &folder);

} // namespace modPub

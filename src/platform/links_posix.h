#pragma once

#include <QByteArray>

#include <optional>

#include <sys/types.h>

// Symbolic links that another user made are never followed: in a folder that
// everyone may write (a sticky one such as /tmp), anyone can put a link where
// a file of the user's is expected, and following it would read or rewrite a
// file of the user's choosing for them. The rule is the program's own, so it
// holds whatever the system's link protection (fs.protected_symlinks) is set to.
namespace platform {

// Whether a file or link of this owner is one the user may rely on: the
// user's own, the superuser's, or that of the owner of the folder it lies in
// (who could replace it anyway).
bool trustedOwner(uid_t owner, const QByteArray &path);

struct LinkEnd
{
    QByteArray path; // the name the links lead to, which is no link; may not exist
    bool throughLink = false; // a link was followed to get there
};

// Follows the links at `path` as long as each is of a trusted owner.
// Nothing when one is not, or when they loop.
std::optional<LinkEnd> followTrustedLinks(QByteArray path);

} // namespace platform

#!/bin/sh
# Zips a folder the same way every time, so that the same files give the same
# bytes: the names sorted, no entries of their own for folders, every file's
# time the release's time and its mode 644 (755 for scripts), no extra fields
# (owner, access times), times in UTC; archives that are compressed already
# are stored as they are.
#   sh zip-folder.sh <zip> <parent folder> <folder> <time, seconds since 1970>
# The zip holds <folder> with everything in it, under its own name.
set -eu
zip="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
cd "$2"
find "$3" -type f -exec chmod 644 {} + -exec touch -d "@$4" {} +
find "$3" -type f -name '*.sh' -exec chmod 755 {} +
rm -f "$zip"
find "$3" -type f | LC_ALL=C sort | TZ=UTC zip -q -X -D -n .xz:.gz:.bz2 "$zip" -@

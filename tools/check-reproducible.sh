#!/bin/bash
# Builds the release of the commit checked out twice, from two clones in
# folders of different names and lengths, one after the other (so at
# different times), the second under another time zone and umask, and fails
# unless every file the release produces is the same bytes in both:
#   bash tools/check-reproducible.sh [deb] [windows]   (default: both)
#
#  - deb: the Debian package, as tools/check-package.sh builds it (cpack
#    under umask 022, as there: the package's own members take its modes),
#    its bill of materials and SHA256SUMS;
#  - windows: every download the windows_release target lists in its
#    SHA256SUMS (the zip, the installer, the relink kit, Qt's source, their
#    bills of materials), SHA256SUMS itself and the two programs, reusing the
#    Windows dependency cache that tools/windows/build-deps.sh filled.
# No tests are built. On a difference, diffoscope shows where the two differ.
# Uncommitted changes are not built: the clones hold the commit alone.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(deb windows)
for part in "${parts[@]}"; do
    case "$part" in
    deb | windows) ;;
    *) echo "usage: $0 [deb] [windows]" >&2; exit 2 ;;
    esac
done
sh "$root/tools/install-deps.sh" dpkg-dev diffoscope-minimal
jobs="$(nproc)"
commit="$(git -C "$root" rev-parse HEAD)"
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    echo "note: uncommitted changes in $root are not part of the builds of $commit"
fi

work="$(mktemp -d /tmp/tolvaro-reproducible.XXXXXX)"
trap 'rm -rf "$work"' EXIT
trees=("$work/first/tolvaro" "$work/second-build/tolvaro-again")

build() { # build <clone>
    local tree="$1"
    if [[ " ${parts[*]} " == *" deb "* ]]; then
        echo "== $(date +%T) The Debian package in $tree"
        cmake -S "$tree" -B "$tree/build-package" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
            -DBUILD_TESTING=OFF -DTOLVARO_DEBIAN_BUILDFLAGS=ON >/dev/null
        cmake --build "$tree/build-package" -j"$jobs" >/dev/null
        (cd "$tree/build-package" && umask 022 && cpack -G DEB >/dev/null)
    fi
    if [[ " ${parts[*]} " == *" windows "* ]]; then
        echo "== $(date +%T) The Windows release in $tree"
        (cd "$tree" && cmake --preset windows >/dev/null &&
            cmake --build --preset windows -j"$jobs" --target windows_release >/dev/null)
    fi
}

# The files to compare, relative to a clone: in each build folder SHA256SUMS
# and every download it lists (so a new download is compared without a word
# here), and on Windows the two programs as shipped.
downloads() { # downloads <clone> <build folder>
    local sums="$1/$2/SHA256SUMS"
    if [ -f "$sums" ]; then
        echo "$2/SHA256SUMS"
        awk '{ sub(/^\*/, "", $2); print "'"$2"'/" $2 }' "$sums"
    fi
}
release_files() { # release_files <clone>
    if [[ " ${parts[*]} " == *" deb "* ]]; then
        downloads "$1" build-package
    fi
    if [[ " ${parts[*]} " == *" windows "* ]]; then
        downloads "$1" build-windows
        echo build-windows/dist/windows/release/tolvaro.exe
        echo build-windows/dist/windows/release/tolvaro-demoengine.exe
    fi
}

start=$(date +%s)
for tree in "${trees[@]}"; do
    mkdir -p "$(dirname "$tree")"
    git clone -q --shared --no-checkout "$root" "$tree"
    git -C "$tree" checkout -q --detach "$commit"
done
build "${trees[0]}"
(umask 0002 && export TZ=Asia/Shanghai && build "${trees[1]}")

echo "== $(date +%T) Compared file by file"
files="$(release_files "${trees[0]}")"
[ "$files" = "$(release_files "${trees[1]}")" ] || {
    echo "FAILED: the two builds made different files:" >&2
    diff <(echo "$files") <(release_files "${trees[1]}") >&2 || true
    exit 1
}
[ -n "$files" ] || { echo "FAILED: the builds made nothing to compare" >&2; exit 1; }
differ=0
while read -r file; do
    if cmp -s "${trees[0]}/$file" "${trees[1]}/$file"; then
        printf 'same  %s  %s\n' "$(sha256sum <"${trees[0]}/$file" | cut -c1-64)" "$file"
    else
        printf 'DIFFERENT  %s\n' "$file"
        diffoscope --text - "${trees[0]}/$file" "${trees[1]}/$file" || true
        differ=$((differ + 1))
    fi
done <<<"$files"
echo "two builds in $(($(date +%s) - start)) s"
if [ "$differ" -gt 0 ]; then
    echo "FAILED: $differ files differ between two builds of $commit" >&2
    exit 1
fi
echo "the two builds of $commit are the same, file by file"

#!/bin/bash
# Reads from built programs the protections a binary scan looks for, and
# fails when one is missing:
#   bash tools/check-hardening.sh [--windows-version 10.0] [--no-path FOLDER]...
#       [--no-checked-calls NAME]... PROGRAM...
#   bash tools/check-hardening.sh --self-test
#
# Linux (ELF): position-independent (PIE); a stack that is not executable
# (NX); the whole relocation table read-only after start (GNU_RELRO and
# BIND_NOW); the stack protector (__stack_chk_fail imported); checked forms
# of the C library's functions (some __*_chk imported); code apart from data
# (no executable segment holds anything but code). main is found through the
# entry code's hand-over to the C library, so stripped programs are read too.
# Windows (PE, read with mingw-w64's binutils): address-space randomisation
# with high entropy (DYNAMIC_BASE, HIGH_ENTROPY_VA) and the relocations it
# needs (.reloc); NX; aware of Remote Desktop sessions
# (TERMINAL_SERVER_AWARE); the subsystem and OS versions in the header equal
# --windows-version.
# On both, main starts with endbr64 and sets a stack canary: main is found in
# a stripped Windows program by the symbols main (or qMain, as Qt's entry
# point renames it in a GUI program) and .refptr.__stack_chk_guard, which the
# release's strip keeps for this.
# With --no-path, no program may hold the name of FOLDER (as strings(1)
# finds it, in 8-bit or UTF-16 text). --no-checked-calls NAME excuses the
# program NAME from having a checked call: the compiler makes one only where
# it knows the size of the buffer a call writes to, and a program may have no
# such call (its fortification is then read from another program built with
# the same flags).
#
# --self-test compiles a small program hardened, and again without the
# stack protector and (Linux) without full RELRO, and fails unless the first
# passes and the others fail, as the hardened one does when asked for a
# folder it names or (Windows) another Windows version; for Windows when
# mingw-w64 is there.
set -euo pipefail

windows_version=10.0
no_paths=()
no_checked_calls=()
programs=()
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# main of program $1 (named $2), from address $3 to $4, read with the
# objdump $5: it starts with endbr64, and it reads the stack guard
# (an instruction matching $6) to set its canary. main is compiled with the
# flags of all of the program's own code, so this tells whether they were in
# effect, whatever the libraries linked with it were built with. Its extent
# comes from the unwind tables, which stripping leaves.
check_main() {
    if [ -z "$4" ]; then
        fail "$2: main's extent is not in the unwind tables"
        return
    fi
    local code
    code="$("$5" -d --no-show-raw-insn --start-address="$(($3))" --stop-address="$((0x$4))" "$1" |
        grep -E $'^ *[0-9a-f]+:\t')"
    [[ "${code%%$'\n'*}" == *$'\t'endbr64* ]] || fail "$2: main does not start with endbr64 (no control-flow marks)"
    grep -qE "$6" <<<"$code" || fail "$2: main sets no stack canary (no stack protector)"
}

check_elf() {
    local p="$1" name header dynamic symbols segments
    name="$(basename "$p")"
    header="$(readelf -hW "$p")"
    dynamic="$(readelf -dW "$p")"
    symbols="$(readelf --dyn-syms -W "$p" | awk '{ print $8 }' | sed 's/@.*//')"
    segments="$(readelf -lW "$p")"
    grep -q 'Type: *DYN' <<<"$header" && grep -q '(FLAGS_1).*PIE' <<<"$dynamic" ||
        fail "$name is not position-independent (PIE)"
    grep -qE '^ *GNU_STACK .* RW  ' <<<"$segments" || fail "$name has an executable stack (no NX)"
    grep -q '^ *GNU_RELRO ' <<<"$segments" || fail "$name has no read-only relocations (GNU_RELRO)"
    grep -qE '\(BIND_NOW\)|\(FLAGS\).*BIND_NOW|\(FLAGS_1\).* NOW' <<<"$dynamic" ||
        fail "$name binds lazily: only partial RELRO (no BIND_NOW)"
    grep -qx '__stack_chk_fail' <<<"$symbols" || fail "$name has no stack protector (__stack_chk_fail)"
    if ! grep -qE '^__[a-z0-9_]+_chk$' <<<"${symbols//__stack_chk_fail/}" &&
        [[ " ${no_checked_calls[*]} " != *" $name "* ]]; then
        fail "$name calls no checked function (__*_chk): not built with _FORTIFY_SOURCE"
    fi
    # Every executable LOAD segment holds code sections only (program headers
    # and section mapping are numbered alike).
    local mixed
    mixed="$(awk '
        /^Program Headers:/ { headers = 1; next }
        headers && /^ +[A-Z_]+ +0x/ { flags = ""; for (i = 7; i < NF; i++) flags = flags $i
            executable[n++] = $1 == "LOAD" && flags ~ /E/; next }
        /Section to Segment mapping/ { headers = 0; mapping = 1; next }
        mapping && $1 ~ /^[0-9]+$/ && executable[$1 + 0] { for (i = 2; i <= NF; i++)
            if ($i !~ /^\.(init|plt|plt\.got|plt\.sec|text|fini)$/) printf " %s", $i }' <<<"$segments")"
    [ -z "$mixed" ] || fail "$name does not keep code apart from data: its executable segment holds$mixed"
    # _start hands main to __libc_start_main in %rdi.
    local entry main
    entry="$(awk '/Entry point address:/ { print $4 }' <<<"$header")"
    main="$(objdump -d --start-address="$((entry))" --stop-address="$((entry + 64))" "$p" |
        sed -n 's/^.*\tlea .*(%rip),%rdi *# \([0-9a-f]*\).*$/\1/p')"
    main="${main%%$'\n'*}"
    if [ -z "$main" ]; then
        fail "$name: main is not found from the entry code"
    else
        local end
        end="$(readelf -wf "$p" | awk -v pc="pc=$(printf '%016x' "0x$main").." '
            $4 == "FDE" && index($6, pc) == 1 && !found { print substr($6, length(pc) + 1); found = 1 }')"
        check_main "$p" "$name" "0x$main" "$end" objdump '%fs:0x28'
    fi
}

check_pe() {
    local p="$1" name headers characteristics main
    name="$(basename "$p")"
    headers="$(x86_64-w64-mingw32-objdump -p -h "$p")"
    characteristics="$(awk '/^DllCharacteristics/ { print $2 }' <<<"$headers")"
    [ $((0x$characteristics & 0x40)) != 0 ] || fail "$name has no address-space randomisation (DYNAMIC_BASE)"
    [ $((0x$characteristics & 0x20)) != 0 ] || fail "$name has no high-entropy randomisation (HIGH_ENTROPY_VA)"
    [ $((0x$characteristics & 0x100)) != 0 ] || fail "$name is not marked NX compatible (NX_COMPAT)"
    [ $((0x$characteristics & 0x8000)) != 0 ] ||
        fail "$name is not aware of Remote Desktop sessions (TERMINAL_SERVER_AWARE)"
    grep -qE '^ *[0-9]+ \.reloc ' <<<"$headers" || fail "$name has no relocations (.reloc)"
    ! grep -q 'relocations stripped' <<<"$headers" || fail "$name says its relocations are stripped"
    local field
    for field in Subsystem OSystem; do
        local found
        found="$(awk -v f="$field" '$1 == "Major" f "Version" { major = $2 } $1 == "Minor" f "Version" { minor = $2 }
            END { print major "." minor }' <<<"$headers")"
        [ "$found" = "$windows_version" ] || fail "$name: header $field version $found, not $windows_version"
    done
    # A Windows program's main is qMain where Qt's entry point calls it from
    # WinMain (the main there is the mingw-w64 runtime's).
    main="$(x86_64-w64-mingw32-nm "$p" 2>/dev/null |
        awk '$3 == "main" { main = $1 } $3 == "_Z5qMainiPPc" { qmain = $1 } END { print qmain ? qmain : main }')"
    if [ -z "$main" ]; then
        fail "$name: no symbol main to read its code from"
    else
        local end
        end="$(awk -v begin="$(printf '%016x' "0x$main")" 'NF == 4 && $2 == begin { print $3; exit }' <<<"$headers")"
        check_main "$p" "$name" "0x$main" "$end" x86_64-w64-mingw32-objdump '<(\.refptr\.)?__stack_chk_guard>'
    fi
}

check_paths() {
    local p="$1" folder text
    [ ${#no_paths[@]} -gt 0 ] || return 0
    text="$(strings -a "$p"; strings -a -el "$p")"
    for folder in "${no_paths[@]}"; do
        if grep -qF -- "$folder" <<<"$text"; then
            fail "$(basename "$p") holds the build machine's folder $folder"
        fi
    done
}

check() {
    local p="$1"
    case "$(head -c4 "$p" | od -An -tx1 | tr -d ' ')" in
    7f454c46) check_elf "$p" ;;
    4d5a*) check_pe "$p" ;;
    *) fail "$p is neither an ELF nor a PE program" ;;
    esac
    check_paths "$p"
}

# Runs this script on one program in a child, and holds its outcome against
# the one expected ("passes" or "fails").
expect() {
    local outcome=passes
    bash "$0" "${@:2}" >/dev/null 2>&1 || outcome=fails
    [ "$outcome" = "$1" ] || fail "self-test: $(basename "${!#}") $outcome the check, expected: $1"
}

self_test() {
    local work
    work="$(mktemp -d)"
    trap 'rm -rf "$work"' RETURN
    cat >"$work/t.cpp" <<'EOF'
#include <cstdio>
#include <cstring>
int main(int argc, char **argv)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s", argv[0]);
    std::strcpy(buffer + 1, argc > 5 ? argv[1] : "x");
    std::puts(buffer);
    return 0;
}
EOF
    local hardened=(-O2 -fstack-protector-strong -D_FORTIFY_SOURCE=2 -fcf-protection)
    g++ "${hardened[@]}" -Wl,-z,relro,-z,now "$work/t.cpp" -o "$work/hardened"
    g++ "${hardened[@]}" -fno-stack-protector -Wl,-z,relro,-z,now "$work/t.cpp" -o "$work/no-stack-protector"
    g++ "${hardened[@]}" -Wl,-z,relro,-z,lazy "$work/t.cpp" -o "$work/partial-relro"
    strip "$work/hardened"
    expect passes --no-path "$work/nowhere" "$work/hardened"
    expect fails "$work/no-stack-protector"
    expect fails "$work/partial-relro"
    expect fails --no-path /lib64/ld-linux "$work/hardened"
    if command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
        local windows=(-Wl,--major-subsystem-version,10,--minor-subsystem-version,0
            -Wl,--major-os-version,10,--minor-os-version,0,--tsaware -static)
        x86_64-w64-mingw32-g++-posix "${hardened[@]}" "${windows[@]}" "$work/t.cpp" -o "$work/hardened.exe"
        x86_64-w64-mingw32-g++-posix "${hardened[@]}" -fno-stack-protector "${windows[@]}" "$work/t.cpp" \
            -o "$work/no-stack-protector.exe"
        x86_64-w64-mingw32-strip --strip-all --keep-symbol=main --keep-symbol=.refptr.__stack_chk_guard \
            "$work/hardened.exe"
        expect passes "$work/hardened.exe"
        expect fails "$work/no-stack-protector.exe"
        expect fails --windows-version 6.2 "$work/hardened.exe"
    fi
}

usage() {
    echo "usage: $0 [--windows-version X.Y] [--no-path FOLDER]... [--no-checked-calls NAME]... PROGRAM..." >&2
    echo "       $0 --self-test" >&2
    exit 2
}
while [ $# -gt 0 ]; do
    case "$1" in
    --self-test)
        self_test
        [ "$failures" = 0 ] || exit 1
        echo "hardening check self-test passed"
        exit 0
        ;;
    --windows-version) windows_version="$2"; shift 2 ;;
    --no-path) no_paths+=("$2"); shift 2 ;;
    --no-checked-calls) no_checked_calls+=("$2"); shift 2 ;;
    -*) usage ;;
    *) programs+=("$1"); shift ;;
    esac
done
[ ${#programs[@]} -gt 0 ] || usage
for program in "${programs[@]}"; do
    check "$program"
done
[ "$failures" = 0 ] || exit 1
echo "hardened: $(for p in "${programs[@]}"; do basename "$p"; done | tr '\n' ' ')"

#!/usr/bin/env bash
# Installs a build tree into a scratch prefix and checks that desktops can find
# and start what it installs.
#
#   check_install.sh <build directory>
#
# Exit status: 0 passed, 1 failed, 77 skipped (desktop-file-validate missing;
# every other check has still been made and passed).
set -uo pipefail

build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

failures=0
fail() {
    echo "FAIL (install): $*" >&2
    failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL (install): cmake --install failed" >&2; exit 1; }

program=$prefix/bin/vorlane
scanner=$prefix/bin/vorlane-scan
entry=$prefix/share/applications/vorlane.desktop
icon=$prefix/share/icons/hicolor/scalable/apps/vorlane.svg

# Exactly these four: anything else (a static library, headers, test data)
# would end up in the Debian package as well.
installed=$(cd "$prefix" && find . -type f -o -type l | sort | tr '\n' ' ')
expected="./bin/vorlane ./bin/vorlane-scan ./share/applications/vorlane.desktop"
expected+=" ./share/icons/hicolor/scalable/apps/vorlane.svg "
[[ "$installed" == "$expected" ]] || fail "installed files are: $installed"

# A run path into the build tree would let a program find libraries there
# that an installed copy does not have.
for binary in "$program" "$scanner"; do
    [[ -x "$binary" ]] || fail "bin/${binary##*/} is not executable"
    if runpath=$(readelf -d "$binary" 2>/dev/null | grep -E 'RPATH|RUNPATH'); then
        fail "bin/${binary##*/} carries a run path: $runpath"
    fi
done
# The scanner runs on file servers, which have neither Qt nor LDAP. A
# sanitized build adds its sanitizers' runtimes; such a build is never packaged.
allowed='libc|libgcc_s|libm|libstdc\+\+'
grep -q -- '-fsanitize' "$build/CMakeCache.txt" 2>/dev/null && allowed+='|libasan|libubsan'
needed=$(readelf -d "$scanner" 2>/dev/null | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
[[ "$needed" =~ ^(($allowed)\.so\.[0-9]+\ )+$ ]] || fail "bin/vorlane-scan needs: $needed"
[[ "$("$scanner" --version 2>&1)" == "vorlane-scan 1" ]] || fail "bin/vorlane-scan --version does not name its protocol"

# The entry must start the installed program and name the installed icon.
if [[ -f "$entry" ]]; then
    exec_line=$(sed -n 's/^Exec=//p' "$entry")
    [[ "${exec_line%% *}" == "vorlane" ]] || fail "the desktop entry starts '$exec_line', not vorlane"
    icon_name=$(sed -n 's/^Icon=//p' "$entry")
    [[ "$icon_name" == "vorlane" ]] || fail "the desktop entry names the icon '$icon_name', installed is vorlane.svg"
fi

if [[ -f "$icon" ]]; then
    /usr/bin/python3 - "$icon" <<'PY' || fail "the icon is not a well-formed SVG image"
import sys
import xml.etree.ElementTree as tree
root = tree.parse(sys.argv[1]).getroot()
sys.exit(0 if root.tag == "{http://www.w3.org/2000/svg}svg" else 1)
PY
fi

if ! command -v desktop-file-validate >/dev/null; then
    ((failures == 0)) || exit 1
    echo "SKIP: desktop-file-validate is not installed (package desktop-file-utils); the other checks passed"
    exit 77
fi
if [[ -f "$entry" ]]; then
    desktop-file-validate "$entry" || fail "desktop-file-validate refuses the desktop entry"
fi

((failures == 0)) || exit 1
echo "PASS (install)"

#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree as a desktop
# and a packager see it: files in place, the desktop entry and metainfo valid,
# the manual page, copyright and changelog in Debian's forms, one version
# everywhere, and the installed program finding its languages and themes under
# share/hexaloom.
#   check-install.sh BUILD_FOLDER
set -uo pipefail
build=$1
prefix=$(mktemp -d)
config=$(mktemp -d)
trap 'rm -rf "$prefix" "$config"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }

id=com.quillstone.Hexaloom
for f in bin/hexaloom share/hexaloom/Languages/English.ini share/hexaloom/Languages/German.ini \
         share/hexaloom/Themes/Farm-Fresh.zip share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/man/man1/hexaloom.1.gz share/doc/hexaloom/copyright share/doc/hexaloom/changelog.gz; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
for size in 16 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  if [ ! -s "$icon" ]; then fail "missing icon $size"; continue; fi
  # PNG width and height are the big-endian words at bytes 16 and 20.
  read -r w h < <(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4, $7*256+$8}')
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "icon $size is ${w}x${h}"
done
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
grep -q '^Exec=hexaloom %F$' "$desktop" || fail "Exec line"
grep -q '^Icon='"$id"'$' "$desktop" || fail "Icon line"
# Docks group the window with its launcher by the window's class (the
# application's name).
grep -q '^StartupWMClass=Hexaloom$' "$desktop" || fail "StartupWMClass line"
grep -i '^Keywords=.*disassembl' "$desktop" && fail "a keyword names what the program does not do"
desktop-file-validate "$desktop" | grep -v '^.*: hint:' | grep . && fail "desktop-file-validate"
appstream-util validate --nonet "$metainfo" >"$config/appstream" || fail "appstream-util validate: $(cat "$config/appstream")"

# The manual page renders without a warning and names every option --help names.
man=$prefix/share/man/man1/hexaloom.1.gz
MANWIDTH=80 man --warnings -l "$man" >"$config/man" 2>"$config/man-warnings" || fail "man cannot render the page"
[ -s "$config/man-warnings" ] && fail "man warns: $(cat "$config/man-warnings")"
for option in $("$prefix/bin/hexaloom" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  grep -q -- "$option" "$config/man" || fail "the manual page does not mention $option"
done

# Debian's machine-readable copyright, stating the licence the metainfo states.
copyright=$prefix/share/doc/hexaloom/copyright
[ "$(head -n1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
  fail "copyright: first line is not the format line"
license=$(sed -n 's:.*<project_license>\(.*\)</project_license>.*:\1:p' "$metainfo")
awk -v lic="$license" 'BEGIN { RS = ""; FS = "\n" }
  /^Files: / && /\nCopyright: [^\n]/ && index($0, "\nLicense: " lic) { found = 1 }
  END { exit !found }' "$copyright" || fail "copyright: no Files stanza with a copyright and the licence $license"

# One version: the program's, the metainfo's release, the manual page's and the changelog's.
version=$("$prefix/bin/hexaloom" --version | sed -n 's/^hexaloom //p')
[ -n "$version" ] || fail "--version prints no version"
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" || fail "metainfo release is not $version"
zcat "$man" | grep -q "^\.TH HEXALOOM 1 .*\"Hexaloom $version\"" || fail "manual page is not of $version"
zcat "$prefix/share/doc/hexaloom/changelog.gz" | head -n1 | grep -q "^hexaloom ($version) " ||
  fail "changelog does not start with $version"

# The installed program, started offscreen and ended like a session ends it.
run_installed() {
  XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=offscreen "$prefix/bin/hexaloom" 2>"$config/stderr" &
  local pid=$!
  sleep 2.5
  kill -TERM "$pid" 2>/dev/null
  wait "$pid"
}
run_installed
code=$?
[ "$code" = 0 ] || fail "installed program ended with $code: $(cat "$config/stderr")"
grep -q 'cannot read' "$config/stderr" && fail "installed program: $(cat "$config/stderr")"
[ -f "$config/Quillstone/Hexaloom/Configuration.ini" ] || fail "no configuration written"
# And the same program without its languages says so: the check above is not vacuous.
mv "$prefix/share/hexaloom/Languages" "$prefix/share/hexaloom/Languages.away"
run_installed
grep -q 'cannot read the language file' "$config/stderr" || fail "a missing language file went unnoticed"

[ "$failures" = 0 ] && echo "install tree: all checks passed"
exit $(( failures > 0 ))

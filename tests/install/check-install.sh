#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree as a desktop
# sees it: files in place, the desktop entry and metainfo valid, and the
# installed program finding its languages and themes under share/hexaloom.
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
         share/hexaloom/Themes/Farm-Fresh.zip share/applications/$id.desktop share/metainfo/$id.metainfo.xml; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
for size in 16 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  if [ ! -s "$icon" ]; then fail "missing icon $size"; continue; fi
  # PNG width and height are the big-endian words at bytes 16 and 20.
  read -r w h < <(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4, $7*256+$8}')
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "icon $size is ${w}x${h}"
done
grep -q '^Exec=hexaloom %F$' "$prefix/share/applications/$id.desktop" || fail "Exec line"
grep -q '^Icon='"$id"'$' "$prefix/share/applications/$id.desktop" || fail "Icon line"
desktop-file-validate "$prefix/share/applications/$id.desktop" | grep -v '^.*: hint:' | grep . && fail "desktop-file-validate"
appstream-util validate-relax --nonet "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null ||
  fail "appstream-util validate-relax"

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

#!/usr/bin/env bash
# Builds the Debian package of the build (cpack -G DEB) into a temporary folder
# and checks it as a distribution would: lintian finds no error-level tag, the
# control file carries the program's version and a description of several
# lines, and the package holds the manual page, copyright and changelog.
#   check-package.sh BUILD_FOLDER
set -uo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

command -v lintian >/dev/null || { echo "FAIL: lintian is not installed (scripts/setup installs it)"; exit 1; }
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$(ls "$out"/hexaloom_*.deb 2>/dev/null | head -n1)
[ -n "$deb" ] || { echo "FAIL: cpack made no hexaloom_*.deb"; exit 1; }

version=$("$build/hexaloom" --version | sed -n 's/^hexaloom //p')
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not the program's $version"
# The extended description: the lines after the summary.
lines=$(dpkg-deb -f "$deb" Description | tail -n +2 | wc -l)
[ "$lines" -ge 3 ] || fail "package description has $lines lines after the summary"
contents=$(dpkg-deb -c "$deb")
for f in ./usr/share/man/man1/hexaloom.1.gz ./usr/share/doc/hexaloom/copyright ./usr/share/doc/hexaloom/changelog.gz; do
  grep -q " $f\$" <<<"$contents" || fail "package lacks $f"
done

# As root, lintian adds a line of advice on standard error; it is no tag.
lintian "$deb" >"$out/lintian" 2>&1
cat "$out/lintian"
grep -q '^E: ' "$out/lintian" && fail "lintian reports errors"

[ "$failures" = 0 ] && echo "Debian package: all checks passed"
exit $(( failures > 0 ))

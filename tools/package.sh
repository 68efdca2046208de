#!/usr/bin/env bash
# Builds the Debian package from a configured and built build folder, lists what it holds and
# checks that a user gets what the README promises: both programs on the PATH, the usage page,
# the desktop entry, the icon, valid AppStream metadata, and the dependencies apt must pull in.
#   tools/package.sh [BUILD_DIR]        (default: build)
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$src/build}" && pwd)"
out="$build/package"
rm -rf "$out"
mkdir -p "$out"
(cd "$out" && cpack -G DEB --config "$build/CPackConfig.cmake" >cpack.log 2>&1) || {
  cat "$out/cpack.log"
  echo "package: cpack failed" >&2
  exit 1
}
debs=("$out"/norvik-tabulon_*.deb)
[ -f "${debs[0]}" ] || { echo "package: no norvik-tabulon_*.deb in $out" >&2; exit 1; }
deb="${debs[0]}"
echo "== $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends Installed-Size
echo "== contents"
dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|' | sort | tee "$out/contents.txt"

fail=0
for f in /usr/bin/tabulon /usr/bin/tabulon-cli /usr/share/norvik-tabulon/tutor01.htm \
         /usr/share/applications/norvik-tabulon.desktop \
         /usr/share/icons/hicolor/scalable/apps/norvik-tabulon.svg \
         /usr/share/metainfo/org.norvik.tabulon.metainfo.xml; do
  grep -qx "$f" "$out/contents.txt" || { echo "package: $f missing" >&2; fail=1; }
done
# Nothing outside /usr, nothing from the build or test tree.
if grep -v '^/usr' "$out/contents.txt" | grep -qv '^/$'; then
  echo "package: files outside /usr" >&2; fail=1
fi
if grep -Eq '/(tests?|gtest|test_[a-z]+)(/|$)' "$out/contents.txt"; then
  echo "package: test files in the package" >&2; fail=1
fi
depends="$(dpkg-deb --field "$deb" Depends)"
for d in libqt6widgets6 libqt6printsupport6 libqt6gui6 libqt6core6 libsqlite3-0 fonts-ipafont-gothic fonts-hanazono; do
  grep -qw -- "$d" <<<"$depends" || { echo "package: Depends lacks $d" >&2; fail=1; }
done
grep -qw qt6-translations-l10n <<<"$(dpkg-deb --field "$deb" Recommends)" \
  || { echo "package: Recommends lacks qt6-translations-l10n" >&2; fail=1; }

# The metadata as installed.
tree="$out/tree"
dpkg-deb -x "$deb" "$tree"
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$tree/usr/share/metainfo/org.norvik.tabulon.metainfo.xml" || fail=1
else
  echo "package: appstreamcli not installed, metadata not validated"
fi
grep -q '^Exec=tabulon$' "$tree/usr/share/applications/norvik-tabulon.desktop" || { echo "package: desktop entry does not start tabulon" >&2; fail=1; }
# The packaged programs run: the command-line one answers --version.
"$tree/usr/bin/tabulon-cli" --version >/dev/null || { echo "package: tabulon-cli --version failed" >&2; fail=1; }
if [ "$fail" -ne 0 ]; then
  echo "package: FAILED" >&2
  exit 1
fi
echo "package: OK $deb"

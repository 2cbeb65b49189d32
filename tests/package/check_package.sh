#!/usr/bin/env bash
# Builds the Debian package from this build tree, unpacks it into a scratch root and checks it as
# the desktop and Debian's tools see it. Arguments: the build tree, the expected version.
set -euo pipefail
build=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$build" && cpack -G DEB -B "$scratch/out" >/dev/null)
deb="$scratch/out/waytrace_${version}_amd64.deb"
[ -f "$deb" ] || fail "no package $deb"
root="$scratch/root"
dpkg-deb -x "$deb" "$root"

id=example.torvane.Waytrace
for path in usr/bin/waytrace usr/bin/waytrace-record usr/bin/waytrace-replay usr/bin/torvane-standin \
  "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
  "usr/share/icons/hicolor/scalable/apps/$id.svg" \
  usr/share/doc/waytrace/copyright usr/share/doc/waytrace/changelog.gz \
  usr/share/man/man1/waytrace.1.gz usr/share/man/man1/waytrace-record.1.gz; do
  [ -f "$root/$path" ] || fail "missing /$path"
done
for size in 16 32 48 64 128 256; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
  [ -f "$icon" ] || fail "missing icon $size"
  file "$icon" | grep -q "PNG image data, $size x $size," || fail "icon $size: $(file -b "$icon")"
done

# The entry starts the installed program, with its icon.
desktop="$root/usr/share/applications/$id.desktop"
desktop-file-validate "$desktop"
grep -qx 'Exec=waytrace %u' "$desktop" || fail "Exec line"
grep -qx "Icon=$id" "$desktop" || fail "Icon line"
grep -qx 'Categories=Network;WebDevelopment;' "$desktop" || fail "Categories line"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >/dev/null
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "metainfo release is not $version"

# The installed programs answer without a display.
shown=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/waytrace" --version)
[ "$shown" = "waytrace $version" ] || fail "waytrace --version said: $shown"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/waytrace-record" --help |
  grep -q '^Usage: waytrace-record' || fail "waytrace-record --help"

# Libraries found by dpkg-shlibdeps, fonts named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libqt6webenginewidgets6 libqt6webenginecore6-bin fonts-noto-cjk; do
  grep -q "$dependency" <<<"$depends" || fail "Depends lacks $dependency: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"

report=$(lintian --no-tag-display-limit "$deb" 2>/dev/null || true)
echo "$report"
if grep -q '^E:' <<<"$report"; then
  fail "lintian reports errors"
fi
echo "package checked: $deb"

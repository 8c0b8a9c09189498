#!/bin/sh
# The Debian package as a user gets it: builds it with CPack from the build
# folder, checks its control fields and contents with dpkg-deb and the whole
# package with lintian (errors fail, warnings are shown), validates the
# desktop entry and the AppStream metadata it ships, checks that the
# copyright file, the metadata and --version name the one licence, unpacks it
# into a scratch root and runs the unpacked program's --version and --help in
# an empty environment (no display, no Qt platform).
#
# Usage: check-package.sh BUILD-FOLDER SOURCE-FOLDER WORK-FOLDER VERSION DESKTOP-ID
set -eu
BUILD=$(realpath "$1")
SOURCE=$(realpath "$2")
WORK=$(realpath -m "$3")
VERSION=$4
ID=$5

fail() {
    echo "package: $*" >&2
    exit 1
}

rm -rf "$WORK"
mkdir -p "$WORK"
"${CPACK:-cpack}" --config "$BUILD/CPackConfig.cmake" -G DEB -B "$WORK" >"$WORK/cpack.log" 2>&1 ||
    { cat "$WORK/cpack.log" >&2; fail "cpack failed"; }

ARCH=$(dpkg --print-architecture)
DEB="$WORK/vexaline_${VERSION}_${ARCH}.deb"
[ -f "$DEB" ] || fail "no $(basename "$DEB"): $(ls "$WORK")"

field() { dpkg-deb --field "$DEB" "$1"; }
[ "$(field Package)" = vexaline ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$VERSION" ] || fail "Version is $(field Version)"
[ "$(field Architecture)" = "$ARCH" ] || fail "Architecture is $(field Architecture)"
[ "$(field Section)" = sound ] || fail "Section is $(field Section)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
# Computed from the linked libraries, not written by hand.
for library in libqt6widgets6 libmpg123-0 libportaudio2 libsamplerate0; do
    field Depends | grep -q "$library" || fail "Depends lacks $library: $(field Depends)"
done

dpkg-deb --contents "$DEB" | awk '{print $NF}' | sed 's|^\./|/|' >"$WORK/contents"
expect() { grep -qx "$1" "$WORK/contents" || fail "the package lacks $1"; }
expect /usr/bin/vexaline
expect /usr/share/man/man1/vexaline.1.gz
expect "/usr/share/applications/$ID.desktop"
expect "/usr/share/metainfo/$ID.metainfo.xml"
expect /usr/lib/vexaline/modules/libvexaline-media.so
for doc in README.md copyright changelog.gz; do expect "/usr/share/doc/vexaline/$doc"; done
for folder in "$SOURCE"/app/packaging/icons/*x*/; do
    expect "/usr/share/icons/hicolor/$(basename "$folder")/apps/$ID.png"
done

started=$(date +%s)
lintian --allow-root --tag-display-limit 0 "$DEB" >"$WORK/lintian.txt" 2>&1 || true
echo "package: lintian took $(($(date +%s) - started)) s"
if grep -q '^W:' "$WORK/lintian.txt"; then
    echo "package: lintian warnings:"
    grep '^W:' "$WORK/lintian.txt"
fi
if grep -q '^E:' "$WORK/lintian.txt"; then
    grep '^E:' "$WORK/lintian.txt" >&2
    fail "lintian found errors"
fi

ROOT="$WORK/root"
dpkg -x "$DEB" "$ROOT"
desktop-file-validate "$ROOT/usr/share/applications/$ID.desktop" || fail "desktop entry invalid"
appstreamcli validate --no-net "$ROOT/usr/share/metainfo/$ID.metainfo.xml" >"$WORK/appstream.txt" 2>&1 ||
    { cat "$WORK/appstream.txt" >&2; fail "AppStream metadata invalid"; }
# The entry, the icons and the metadata name each other by the one id.
grep -qx "Icon=$ID" "$ROOT/usr/share/applications/$ID.desktop" || fail "the entry's Icon is not $ID"
grep -q "<launchable type=\"desktop-id\">$ID.desktop</launchable>" \
    "$ROOT/usr/share/metainfo/$ID.metainfo.xml" || fail "the metadata launches another entry"
grep -q "<release version=\"$VERSION\"" "$ROOT/usr/share/metainfo/$ID.metainfo.xml" ||
    fail "the metadata's release is not $VERSION"

# The licence, named alike wherever the package states it.
COPYRIGHT="$ROOT/usr/share/doc/vexaline/copyright"
head -1 "$COPYRIGHT" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not in the machine-readable format"
awk '/^Files: \*$/ { files = 1; next } files && /^License:/ { print $2; exit }' "$COPYRIGHT" |
    grep -qx 'GPL-3+' || fail "the copyright file does not release the program under GPL-3+"
# Every licence a Files paragraph names has a paragraph of its own with the text.
for licence in $(sed -n 's/^License: //p' "$COPYRIGHT" | sort -u); do
    awk -v l="$licence" '$0 == "License: " l { n++ } END { exit n < 2 }' "$COPYRIGHT" ||
        fail "the copyright file names $licence without its text"
done
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$ROOT/usr/share/metainfo/$ID.metainfo.xml" ||
    fail "the metadata's project_license is not GPL-3.0-or-later"

PROGRAM="$ROOT/usr/bin/vexaline"
# FFmpeg and the analysis libraries come with the media module, which the
# program loads on first need: the package depends on them, the program's
# start does not.
for library in libavcodec libaubio; do
    field Depends | grep -q "$library" || fail "Depends lacks $library: $(field Depends)"
done
if readelf -d "$PROGRAM" | grep NEEDED | grep -E 'libav(format|codec|util)|libaubio|libqm-dsp'; then
    fail "the program links what the media module should bring"
fi
answer=$(env -i PATH=/usr/bin:/bin "$PROGRAM" --version) || fail "--version failed"
[ "$(echo "$answer" | head -1)" = "Vexaline $VERSION" ] || fail "--version said: $answer"
echo "$answer" | grep -q "GNU GPL version 3 or later" || fail "--version names no licence: $answer"
env -i PATH=/usr/bin:/bin "$PROGRAM" -log --help >"$WORK/help.txt" || fail "--help failed"
for word in -sc -log -x -y -key VEXALINE_AUDIO VEXALINE_RESAMPLER; do
    grep -q -- "$word " "$WORK/help.txt" || fail "--help does not name $word"
done
echo "package: $(basename "$DEB") ok"

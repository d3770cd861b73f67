#!/usr/bin/env bash
# The desktop integration as installed: the entry passes desktop-file-validate and the AppStream
# metadata appstreamcli's checks, `cmake --install` puts the entry, the file type, the icons,
# the metadata and the manual page where desktops look, and the file type claims
# "*.sbk" with letter case (Zerlin ignores ".SBK", so the desktop must not hand it over).
# Usage: desktop_test.sh <path of the built zerlin>
set -euo pipefail

zerlin="$1"
build_dir="$(cd "$(dirname "$zerlin")" && pwd)"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
entry="$source_dir/resources/zerlin.desktop"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

if ! command -v desktop-file-validate >/dev/null; then
    echo "SKIP: desktop-file-validate is not installed (package desktop-file-utils)"
    exit 0
fi

desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"

# No error, no warning, no pedantic note (an informational one is allowed). The metadata names
# the entry, the types of the entry, and the release being built.
metainfo="$source_dir/resources/invalid.zerlin.zerlin.metainfo.xml"
command -v appstreamcli >/dev/null || fail "appstreamcli is not installed (package appstream)"
report=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) ||
    fail "appstreamcli rejects $metainfo: $report"
! grep -q '^[EWP]:' <<<"$report" || fail "appstreamcli: $report"
tag() { sed -n "s|.*<$1[^>]*>\(.*\)</$1>.*|\1|p" "$metainfo"; }
[ "$(tag id).metainfo.xml" = "$(basename "$metainfo")" ] || fail "the id is '$(tag id)'"
[ "$(tag launchable)" = "$(basename "$entry")" ] || fail "the launchable is '$(tag launchable)'"
[ "$(tag mediatype | sort | tr '\n' ';')" = "$(sed -n 's/^MimeType=//p' "$entry" | tr ';' '\n' | sed '/^$/d' | sort | tr '\n' ';')" ] ||
    fail "the metadata's types '$(tag mediatype)' are not the entry's"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build_dir/CMakeCache.txt")
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$metainfo" ||
    fail "no release $version in the metadata"

key() { sed -n "s/^$1=//p" "$entry"; }
[ "$(key Exec)" = "zerlin %u" ] || fail "Exec is '$(key Exec)'"
[ "$(key Icon)" = "zerlin" ] || fail "Icon is '$(key Icon)'"
[ "$(key MimeType)" = "x-scheme-handler/zerlin;application/x-zerlin-bookmarks;" ] ||
    fail "MimeType is '$(key MimeType)'"

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

cmake --install "$build_dir" --prefix "$tmp/prefix" >"$tmp/install.log" ||
    fail "cmake --install failed: $(cat "$tmp/install.log")"
for f in bin/zerlin share/applications/zerlin.desktop share/mime/packages/zerlin-mime.xml \
    share/icons/hicolor/32x32/apps/zerlin.png share/icons/hicolor/64x64/apps/zerlin.png \
    "share/metainfo/$(basename "$metainfo")" share/man/man6/zerlin.6.gz; do
    [ -s "$tmp/prefix/$f" ] || fail "$f is not installed"
done
cmp -s "$entry" "$tmp/prefix/share/applications/zerlin.desktop" || fail "installed entry differs"
if command -v identify >/dev/null; then
    size="$(identify -format '%wx%h' "$tmp/prefix/share/icons/hicolor/32x32/apps/zerlin.png")"
    [ "$size" = "32x32" ] || fail "the 32x32 icon is $size"
    size="$(identify -format '%wx%h' "$tmp/prefix/share/icons/hicolor/64x64/apps/zerlin.png")"
    [ "$size" = "64x64" ] || fail "the 64x64 icon is $size"
fi
# The manual page as man finds it in the installed prefix, without a complaint from groff.
if command -v man >/dev/null; then
    page=$(MANPATH="$tmp/prefix/share/man" MANWIDTH=80 man --warnings 6 zerlin 2>"$tmp/man.log") ||
        fail "man cannot show the installed page: $(cat "$tmp/man.log")"
    [ ! -s "$tmp/man.log" ] || fail "man warns: $(cat "$tmp/man.log")"
    grep -q "WINEPREFIX" <<<"$page" || fail "the installed page says nothing of WINEPREFIX"
    # Words after the last argument of a font-alternating line (.RB and the like) lose their
    # spaces: they would show as a run of letters or right after punctuation.
    joined=$(grep -nE '[;,][A-Za-z]|[a-z]{20,}' <<<"$page" || true)
    [ -z "$joined" ] || fail "the page runs words together: $joined"
    grep -q 'Path=/full/path/to/wine); the second where' <<<"$(tr -s ' \n' ' ' <<<"$page")" ||
        fail "the page lost the words after the Wine setting"
fi

# The installed package, compiled the way a desktop compiles it, gives a case-sensitive glob.
if command -v update-mime-database >/dev/null; then
    update-mime-database "$tmp/prefix/share/mime" 2>"$tmp/mime.log" ||
        fail "update-mime-database failed: $(cat "$tmp/mime.log")"
    grep -qx '[0-9]*:application/x-zerlin-bookmarks:\*\.sbk:cs' "$tmp/prefix/share/mime/globs2" ||
        fail "no case-sensitive *.sbk glob in globs2: $(grep zerlin "$tmp/prefix/share/mime/globs2")"
    # A real lookup, as a file manager makes it, where GLib's tool is at hand.
    if command -v gio >/dev/null; then
        mkdir "$tmp/files"
        printf 'Server:10.0.0.1:14567\r\n' | tee "$tmp/files/list.sbk" >"$tmp/files/list.SBK"
        type_of() {
            XDG_DATA_HOME="$tmp/no-user-data" XDG_DATA_DIRS="$tmp/prefix/share:/usr/share" \
                gio info -a standard::content-type "$1" | sed -n 's/.*content-type: //p'
        }
        [ "$(type_of "$tmp/files/list.sbk")" = "application/x-zerlin-bookmarks" ] ||
            fail "list.sbk is $(type_of "$tmp/files/list.sbk")"
        [ "$(type_of "$tmp/files/list.SBK")" != "application/x-zerlin-bookmarks" ] ||
            fail "list.SBK is claimed as a bookmark file"
    fi
else
    echo "note: update-mime-database is not installed; the file type was not compiled"
fi

echo "PASS"

#!/usr/bin/env bash
# Builds the Debian package with cpack from the build folder of the given zerlin and checks
# what it installs, its control fields, that its dependencies cover every library the
# packaged program links and Qt's X11 plugin, and that lintian finds nothing to report.
# Usage: package_test.sh <path of the built zerlin>
set -uo pipefail

zerlin=$(realpath "${1:?usage: package_test.sh <zerlin>}")
build=$(dirname "$zerlin")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$source_dir/tests/lib/testlib.sh"

need_tools cpack dpkg-deb dpkg dpkg-shlibdeps lintian
[ -f "$build/CPackConfig.cmake" ] || { echo "FAIL: no CPackConfig.cmake in $build"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Into a folder of its own, so that parallel runs and the build folder stay apart.
if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
    echo "FAIL: cpack failed"; cat "$work/cpack.log"; exit 1
fi
arch=$(dpkg --print-architecture)
deb="$work/out/zerlin_2.0.48_${arch}.deb"
check "package file name" "zerlin_2.0.48_${arch}.deb" "$(cd "$work/out" && ls -- *.deb 2>/dev/null)"
[ -f "$deb" ] || { echo "$passes passed, $((failures + 1)) failed"; exit 1; }

# Exactly these files, nothing from the tests or the build; the program executable.
expected_files="./usr/bin/zerlin
./usr/share/applications/zerlin.desktop
./usr/share/doc/zerlin/changelog.gz
./usr/share/doc/zerlin/copyright
./usr/share/icons/hicolor/32x32/apps/zerlin.png
./usr/share/icons/hicolor/64x64/apps/zerlin.png
./usr/share/lintian/overrides/zerlin
./usr/share/man/man6/zerlin.6.gz
./usr/share/metainfo/invalid.zerlin.zerlin.metainfo.xml
./usr/share/mime/packages/zerlin-mime.xml"
listing=$(dpkg-deb -c "$deb")
check "files installed" "$expected_files" "$(awk '$1 !~ /^d/ {print $6}' <<<"$listing" | sort)"
check "the program is executable by all" "-rwxr-xr-x" \
    "$(awk '$6 == "./usr/bin/zerlin" {print $1}' <<<"$listing")"
check "all owned by root" "root/root" "$(awk '{print $2}' <<<"$listing" | sort -u)"

field() { dpkg-deb -f "$deb" "$1"; }
check "Package" zerlin "$(field Package)"
check "Version" 2.0.48 "$(field Version)"
check "Architecture" "$arch" "$(field Architecture)"
check "Section" games "$(field Section)"
check "Maintainer is a name and an address" yes \
    "$([[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] && echo yes || echo no)"
check "Description's summary" "Server launcher for Battlefield 1942" "$(field Description | head -n 1)"
check "Description's lines fit 80 columns" 0 \
    "$(dpkg-deb -I "$deb" | awk '/^ Description:/ {d = 1} d && /^ [A-Z][a-z-]+:/ && !/Description/ {d = 0} d && length > 81' | wc -l)"

# The files are the ones in the source tree, as the desktop needs them.
dpkg-deb -x "$deb" "$work/root"
for file in applications/zerlin.desktop mime/packages/zerlin-mime.xml \
    metainfo/invalid.zerlin.zerlin.metainfo.xml; do
    source_file="$source_dir/resources/$(basename "$file")"
    check "$file is the source's" yes \
        "$(cmp -s "$source_file" "$work/root/usr/share/$file" && echo yes || echo no)"
done
check "the manual page is the source's" yes \
    "$(gzip -dc "$work/root/usr/share/man/man6/zerlin.6.gz" | cmp -s "$source_dir/resources/man/zerlin.6" - && echo yes || echo no)"
if command -v identify >/dev/null; then
    for size in 32 64; do
        check "the ${size}x$size icon is a PNG of that size" "PNG ${size}x$size" \
            "$(identify -format '%m %wx%h' "$work/root/usr/share/icons/hicolor/${size}x$size/apps/zerlin.png")"
    done
fi

# Every package that holds a library the program needs is declared, at a version at least
# as new as the one the program was built against.
depends=$(field Depends)
required=()
mkdir -p "$work/shlibs/debian" && : >"$work/shlibs/debian/control"
line=$(cd "$work/shlibs" && dpkg-shlibdeps -O "$work/root/usr/bin/zerlin" 2>/dev/null)
IFS=',' read -ra required <<<"${line#shlibs:Depends=}"
# Qt loads its X11 platform plugin at run time, out of sight of dpkg-shlibdeps; the window
# needs it (the program picks X11 itself).
plugin=$(dpkg -S 'qt6/plugins/platforms/libqxcb.so' 2>/dev/null | head -n 1 | cut -d: -f1)
required+=("${plugin:-<no package holds the X11 plugin>}")
check "some libraries were found to check" yes "$([ "${#required[@]}" -gt 3 ] && echo yes || echo no)"
for clause in "${required[@]}"; do
    name=$(awk '{print $1}' <<<"$clause")
    wanted=$(sed -n 's/.*(>= *\([^)]*\)).*/\1/p' <<<"$clause")
    declared=$(tr ',' '\n' <<<"$depends" | awk -v n="$name" '$1 == n')
    have=$(sed -n 's/.*(>= *\([^)]*\)).*/\1/p' <<<"$declared")
    ok=no
    if [ -n "$declared" ]; then
        if [ -z "$wanted" ] || { [ -n "$have" ] && dpkg --compare-versions "$have" ge "$wanted"; }; then
            ok=yes
        fi
    fi
    check "Depends covers $name${wanted:+ (>= $wanted)}" yes "$ok"
done

# Debian's checker: no error, no warning (nor anything else it shows by default); its notes
# on how it runs (as root, say) go to the error stream.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>"$work/lintian.err"
check "lintian finds nothing" "" "$(cat "$work/lintian.log")"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]

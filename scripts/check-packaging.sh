#!/usr/bin/env bash
# Builds the Debian package in build-package/, configured as a default build
# folder is (no install prefix given, debug information on), and runs the
# desktop validators and lintian on it; exits non-zero on any error.
#
#   scripts/check-packaging.sh                  the whole check (a few minutes)
#   scripts/check-packaging.sh --metadata-only  only the files in packaging/ (seconds,
#                                               no build); exits 77 when a tool is missing
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

metadata_only=0
case "${1:-}" in
    --metadata-only) metadata_only=1 ;;
    "") ;;
    *) echo "usage: $0 [--metadata-only]" >&2; exit 2 ;;
esac

appstream_id=cz.sklipek.BorovkaEditor
mime_type=application/x-borovka-kln
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
step() { echo "== $*"; }

need() {
    local missing=()
    for tool in "$@"; do command -v "$tool" >/dev/null || missing+=("$tool"); done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "missing tools: ${missing[*]} (scripts/setup.sh installs them)" >&2
        [ $metadata_only = 1 ] && exit 77
        exit 1
    fi
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Validates a desktop entry, a MIME definition and a metainfo file, wherever they lie.
check_metadata() {
    local desktop=$1 mime=$2 metainfo=$3

    step "desktop-file-validate $desktop"
    desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
    grep -qx "Exec=borovka-editor %f" "$desktop" || fail "$desktop: Exec is not 'borovka-editor %f'"
    local t
    for t in "$mime_type" text/rtf application/rtf application/vnd.openxmlformats-officedocument.wordprocessingml.document \
        application/vnd.oasis.opendocument.text; do
        grep -q "^MimeType=\(.*;\)\?$t;" "$desktop" || fail "$desktop: MimeType lacks $t"
        grep -q "<mediatype>$t</mediatype>" "$metainfo" || fail "$metainfo: provides no mediatype $t"
    done

    step "xmllint $mime"
    xmllint --noout "$mime" || fail "xmllint $mime"
    # The real reader of the file: a database built from it alone must know
    # the type, its glob and its magic.
    local share=$tmp/share-$RANDOM
    local db=$share/mime
    mkdir -p "$db/packages"
    cp "$mime" "$db/packages/"
    if XDG_DATA_HOME=$share XDG_DATA_DIRS=$share update-mime-database "$db" 2>"$tmp/umd.err" && [ ! -s "$tmp/umd.err" ]; then
        grep -q "^$mime_type:\*\.kln$" "$db/globs" || fail "$mime: no *.kln glob in the built database"
        grep -q "$mime_type" "$db/magic" || fail "$mime: no magic in the built database"
        grep -q "^$mime_type application/rtf$" "$db/subclasses" || fail "$mime: not a subclass of application/rtf"
    else
        cat "$tmp/umd.err" >&2
        fail "update-mime-database rejects $mime"
    fi

    step "appstreamcli validate $metainfo"
    appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli validate $metainfo"
}

# The version is written once, in project() of CMakeLists.txt; the histories
# that cannot be generated from it must start with it.
version=$(sed -n 's/^project(borovka-editor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
check_versions() {
    step "version $version in the changelog and the AppStream releases"
    [ -n "$version" ] || { fail "no VERSION in project() of CMakeLists.txt"; return; }
    head -n 1 packaging/changelog | grep -q "^borovka-editor ($version) " \
        || fail "packaging/changelog does not start with version $version"
    local release
    release=$(grep -o '<release version="[^"]*"' packaging/$appstream_id.metainfo.xml | head -n 1)
    [ "$release" = "<release version=\"$version\"" ] \
        || fail "the first release in packaging/$appstream_id.metainfo.xml is not $version: $release"
}

need desktop-file-validate xmllint appstreamcli update-mime-database man

if [ $metadata_only = 1 ]; then
    check_metadata packaging/borovka-editor.desktop packaging/borovka-editor-kln.xml \
        packaging/$appstream_id.metainfo.xml
    for page in packaging/*.1.in; do
        step "man --warnings $page"
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || { echo "$warnings" >&2; fail "$page has roff warnings"; }
    done
    check_versions
    [ $failures -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
    echo "metadata OK"
    exit 0
fi

need cmake ninja cpack dpkg-deb dpkg-shlibdeps lintian

build=$root/build-package
step "building the package in $build"
rm -f "$build/CPackConfig.cmake"
# No CMAKE_INSTALL_PREFIX: the package must go to /usr from any build folder.
rm -f "$build/CMakeCache.txt"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBOROVKA_BUILD_TESTS=OFF >/dev/null
[ -f "$build/CPackConfig.cmake" ] || {
    echo "packaging/ is not part of the build: the top-level CMakeLists.txt needs add_subdirectory(packaging)" >&2
    exit 1
}
ninja -C "$build" -j2
rm -f "$build"/borovka-editor_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/borovka-editor_*.deb)
[ -f "${debs[0]}" ] || { echo "cpack made no package" >&2; exit 1; }
[ ${#debs[@]} -eq 1 ] || { echo "more than one package: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}

step "contents of $(basename "$deb")"
dpkg-deb --field "$deb"
dpkg-deb -x "$deb" "$tmp/root"
expected=(
    usr/bin/borovka-editor
    usr/share/applications/borovka-editor.desktop
    usr/share/mime/packages/borovka-editor-kln.xml
    "usr/share/metainfo/$appstream_id.metainfo.xml"
    usr/share/icons/hicolor/scalable/apps/borovka-editor.svg
    usr/share/icons/hicolor/48x48/apps/borovka-editor.png
    usr/share/icons/hicolor/256x256/apps/borovka-editor.png
    usr/share/man/man1/borovka-editor.1.gz
    usr/share/doc/borovka-editor/copyright
    usr/share/doc/borovka-editor/changelog.gz
)
if [ -x "$build/borovka-convert" ]; then
    expected+=(usr/bin/borovka-convert usr/share/man/man1/borovka-convert.1.gz)
fi
for f in "${expected[@]}"; do
    [ -e "$tmp/root/$f" ] || fail "the package lacks /$f"
done
outside=$(cd "$tmp/root" && { find . -mindepth 1 -maxdepth 1 ! -name usr; find usr -mindepth 1 -maxdepth 1 ! -name bin ! -name share; })
[ -z "$outside" ] || fail "files outside /usr/bin and /usr/share: $outside"
check_versions
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "the package's version is not $version"
zcat "$tmp/root/usr/share/man/man1/borovka-editor.1.gz" | grep -q "^\.TH .* \"borovka-editor $version\"" \
    || fail "the manual page does not carry version $version"
depends=$(dpkg-deb --field "$deb" Depends)
# libzip4 reads and writes Word and OpenDocument packages.
for p in libqt6widgets6 libqt6svg6 qt6-translations-l10n fonts-liberation2 qt6-qpa-plugins libzip4; do
    [[ ", $depends," == *", $p"[\ ,]* ]] || fail "Depends lacks $p: $depends"
done
# Qt's private API ties the package to the exact Qt it was built against.
qt_abi=$(dpkg-query -W -f='${Provides}' libqt6core6 | grep -o 'qt6-base-abi (= [^)]*)' || true)
if [ -z "$qt_abi" ]; then
    fail "libqt6core6 provides no qt6-base-abi to depend on"
elif [[ ", $depends," != *", $qt_abi,"* ]]; then
    fail "Depends lacks $qt_abi: $depends"
fi
# The Czech dictionary and thesaurus are recommended; the thesaurus library
# is linked in, so no package of it is needed.
recommends=$(dpkg-deb --field "$deb" Recommends)
for p in hunspell-cs mythes-cs; do
    [[ ", $recommends," == *", $p"[\ ,]* ]] || fail "Recommends lacks $p: $recommends"
done
[[ "$depends" != *libmythes* ]] || fail "Depends names libmythes, which is linked statically: $depends"

# The files as the package installs them.
check_metadata "$tmp/root/usr/share/applications/borovka-editor.desktop" \
    "$tmp/root/usr/share/mime/packages/borovka-editor-kln.xml" \
    "$tmp/root/usr/share/metainfo/$appstream_id.metainfo.xml"

step "lintian $(basename "$deb")"
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"

[ $failures -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "package OK: $deb"

#!/usr/bin/env bash
# Installs what building, running and testing the editor needs on Debian 12.
# Does nothing when everything is already there.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-private-dev qt6-base-dev-tools libgl-dev
    # Word and OpenDocument packages are zip archives
    # (Debian's libzip CMake package names its three tools, which come apart)
    libzip-dev zipcmp zipmerge ziptool
    # run: SVG icons, Qt's own Czech texts, fonts metric-compatible with Arial and Courier New
    libqt6svg6 qt6-translations-l10n fonts-liberation2 fonts-dejavu-core
    # tests, sanitizers, fuzzing and benchmarks
    libbenchmark-dev clang libclang-rt-14-dev
    # the converter's Markdown and HTML checked by a CommonMark renderer and an HTML checker
    cmark-gfm tidy
    # spell-checking as you type, with the Czech dictionary
    libhunspell-dev hunspell-cs
    # synonyms from the Czech thesaurus (the library is linked statically)
    libmythes-dev mythes-cs
    # screenshots and packaging checks
    xvfb xauth x11-utils imagemagick
    desktop-file-utils appstream libxml2-utils shared-mime-info man-db lintian dpkg-dev file
    # PDF output checked by its text, page size and fonts
    poppler-utils
    # saved Word and OpenDocument files checked by the readers Debian ships
    pandoc python3-docx python3-odf
    # saved RTF, Word and OpenDocument files read back by LibreOffice, as writers open them
    libreoffice-writer-nogui
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Run as root or install sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"

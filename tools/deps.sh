#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the programs need, only when one is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev libgl-dev
    qt6-svg-dev  # the ribbon's images are SVG drawings, rendered at the size a screen asks for
    libicu-dev libpoco-dev libcurl4-openssl-dev libcpp-httplib-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth imagemagick fonts-wqy-microhei fonts-dejavu-core xcompmgr
    dpkg-dev file  # tools/package: dpkg-shlibdeps finds the .deb's dependencies, file spots the programs
    desktop-file-utils  # desktop-file-validate checks the desktop entries in tools/test
    librsvg2-bin  # rsvg-convert renders the hicolor PNG icons from their SVG drawings
    python3  # packaging/check_package.sh walks the package's dependencies
    libvlc-dev vlc-plugin-base vlc-plugin-video-output libvlc-bin  # movie pane: libVLC, its decoders and video outputs
    qt6-webengine-dev  # the web search page, loaded from a plugin on first use
    qt6-speech-dev  # mini reads cards aloud through Qt TextToSpeech where a speech engine is installed
    clang-format  # tools/test checks the layout of every C++ file
    clang libclang-rt-14-dev # the fuzz targets: clang with libFuzzer and the sanitizer runtimes
    llvm-14 # llvm-symbolizer, for readable stacks in sanitizer reports
    stress-ng # trelline_bench's runs under load
    qtkeychain-qt6-dev  # engine keys in the desktop's keyring, never in a settings file
    apertium-apy apertium-eng-spa  # the offline translation engine and one pair, for its end-to-end test
    openssl  # the translation tests' loopback TLS server with a certificate nobody signed
    libhunspell-dev  # spelling of the translated side
    hunspell-en-us hunspell-fr hunspell-es hunspell-de-de  # dictionaries the spelling tests open
    libsqlite3-dev # the translation memory's file (SQLite with FTS5)
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

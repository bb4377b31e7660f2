#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the programs need, only when one is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev libgl-dev
    libicu-dev libpoco-dev libcurl4-openssl-dev libcpp-httplib-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth imagemagick fonts-wqy-microhei fonts-dejavu-core xcompmgr
    clang libclang-rt-14-dev # the fuzz targets: clang with libFuzzer and the sanitizer runtimes
    llvm-14 # llvm-symbolizer, for readable stacks in sanitizer reports
    stress-ng # trelline_bench's runs under load
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

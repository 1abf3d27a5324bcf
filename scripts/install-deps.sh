#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    qt6-svg-dev
    fonts-dejavu-core fonts-noto-cjk fonts-wqy-microhei fonts-arphic-uming xvfb xauth poppler-utils
    qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
    help2man desktop-file-utils dpkg-dev file
    lintian python3 liburing-dev sqlite3
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64 wine zip
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
    sudo="sudo"
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"

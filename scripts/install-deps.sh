#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running leakmeter need.
# Idempotent: does nothing when everything is present. As root it runs apt-get itself;
# otherwise it prints the one command to run and stops.
set -euo pipefail

packages=(
    cmake g++ make pkgconf
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev libgl-dev
    qt6-l10n-tools qt6-tools-dev
    qt6-qpa-plugins libqt6printsupport6 qt6-translations-l10n
    fonts-wqy-microhei
    poppler-utils
    libbenchmark-dev
    desktop-file-utils appstream dpkg-dev lintian
    libmosquitto-dev libssl-dev mosquitto mosquitto-clients openssl systemd python3-jinja2
    clang libclang-rt-14-dev ninja-build
)

# --windows: also what scripts/build-windows.sh and scripts/test-windows.sh need (the MinGW-w64
# cross compilers, Wine, NSIS, Xvfb, dpkg-dev for the source packages; about 1.3 GB), kept
# out of the Linux build's list.
if [ "${1:-}" = --windows ]; then
    packages+=(
        g++-mingw-w64-x86-64-posix wine wine64 nsis xvfb xauth x11-utils ninja-build ccache zip python3
    )
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
    echo "Missing Debian packages. Run:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
fi

#!/usr/bin/env bash
# Builds the Windows kit leakmeter.exe is cross-built against: Qt (Core, Gui, Widgets,
# PrintSupport, Test and the qwindows plugin) from Debian's qt6-base source package, OpenSSL
# and the libmosquitto client library from theirs. Debian's packages and source packages only.
#
# The kit goes outside the checkout, to ${LEAKMETER_WINKIT_CACHE:-~/.cache/leakmeter-winkit}/
# <hash of its recipe>/, and is built once: this script prints its folder and returns at once
# when it is already there. The recipe is this script, the Qt configure options beside it and
# the CMake toolchain file; changing any of them builds a new kit. With --check it only says
# whether the kit is built (exit status 0) or not (1), and prints the folder either way.
# A build that stopped half-way resumes at the part that did not finish.
set -euo pipefail
shopt -s inherit_errexit
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
toolchain=$repo/cmake/mingw-w64.cmake
qtOptions=$here/qt-configure.options

cacheRoot=${LEAKMETER_WINKIT_CACHE:-$HOME/.cache/leakmeter-winkit}
recipeHash=$(cat "$0" "$qtOptions" "$toolchain" | sha256sum | cut -c1-16)
kit=$cacheRoot/$recipeHash

if [ "${1:-}" = --check ]; then
    echo "$kit"
    [ -f "$kit/.complete" ]
    exit
fi
if [ -f "$kit/.complete" ]; then
    echo "$kit"
    exit 0
fi

jobs=${LEAKMETER_JOBS:-$(nproc)}
work=$cacheRoot/work
sources=$cacheRoot/sources
mkdir -p "$kit" "$work" "$sources"
log() { echo "build-kit: $*" >&2; }

# The source packages of the same archive and release as the machine's own packages, through a
# private apt configuration: the system's source list stays as it is.
aptPrivate=$cacheRoot/apt
aptOptions=(-o "Dir::Etc::SourceList=$aptPrivate/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
            -o "Dir::State::Lists=$aptPrivate/lists" -o "Dir::Cache=$aptPrivate/cache")
# fetchSource <package> <binary package> [exact]: the source of the binary package's installed
# version; for a library only linked into the kit (not exact), the archive's current version when
# the installed one has been superseded there (a security update the machine has not taken yet).
fetchSource() {
    local package=$1 version folder
    version=$(dpkg-query -W -f='${Version}' "$2")
    folder=$sources/$package-$version
    if [ ! -f "$folder/.unpacked" ] && [ "${3:-}" != exact ]; then
        local found
        found=$(ls -d "$sources/$package"-*/.unpacked 2>/dev/null | tail -1 || true)
        [ -n "$found" ] && folder=$(dirname "$found")
    fi
    if [ ! -f "$folder/.unpacked" ]; then
        if [ ! -f "$aptPrivate/.updated" ]; then
            mkdir -p "$aptPrivate/lists/partial" "$aptPrivate/cache/archives/partial"
            local codename
            codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
            cat >"$aptPrivate/sources.list" <<EOF
deb-src http://deb.debian.org/debian $codename main
deb-src http://deb.debian.org/debian $codename-updates main
deb-src http://deb.debian.org/debian-security $codename-security main
EOF
            apt-get "${aptOptions[@]}" update -q >&2
            touch "$aptPrivate/.updated"
        fi
        rm -rf "$folder" && mkdir -p "$folder.dl"
        if ! (cd "$folder.dl" && apt-get "${aptOptions[@]}" source -q "$package=$version" >&2); then
            [ "${3:-}" = exact ] && { log "the archive no longer serves $package $version"; return 1; }
            # The newest version the archive both lists and serves (a mirror may list a
            # security update whose files it does not hold).
            local served=
            for version in $(apt-cache "${aptOptions[@]}" showsrc "$package" |
                             sed -n 's/^Version: //p' | sort -rV); do
                folder=$sources/$package-$version
                rm -rf "$folder.dl" && mkdir -p "$folder.dl"
                if (cd "$folder.dl" && apt-get "${aptOptions[@]}" source -q "$package=$version" >&2); then
                    served=$version
                    break
                fi
            done
            [ -n "$served" ] || { log "the archive serves no source of $package"; return 1; }
            log "$package: $served from the archive (installed: $(dpkg-query -W -f='${Version}' "$2"))"
        fi
        mv "$(find "$folder.dl" -mindepth 1 -maxdepth 1 -type d | head -1)" "$folder"
        rm -rf "$folder.dl"
        touch "$folder/.unpacked"
    fi
    echo "$folder"
}

start=$(date +%s)

# Qt, with the machine's own Qt of the same version as its host tools (moc, rcc, uic, lrelease).
if [ ! -f "$kit/.qt" ]; then
    src=$(fetchSource qt6-base qt6-base-dev exact)
    log "Qt from $src"
    mapfile -t options < <(grep -v '^\s*\(#\|$\)' "$qtOptions" | tr ' ' '\n')
    rm -rf "$work/qt" && mkdir -p "$work/qt"
    (cd "$work/qt" && "$src/configure" -prefix "$kit" "${options[@]}" -- -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DLEAKMETER_WINKIT="$kit" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ >&2)
    cmake --build "$work/qt" --parallel "$jobs" >&2
    cmake --install "$work/qt" >&2
    rm -rf "$work/qt"
    touch "$kit/.qt"
fi

# OpenSSL for mqtts://.
if [ ! -f "$kit/.openssl" ]; then
    src=$(fetchSource openssl libssl-dev)
    log "OpenSSL from $src"
    rm -rf "$work/openssl" && cp -a "$src" "$work/openssl"
    (cd "$work/openssl" &&
        CC=gcc-posix CXX=g++-posix ./Configure mingw64 --cross-compile-prefix=x86_64-w64-mingw32- \
            --prefix="$kit" --libdir=lib shared no-tests >&2 &&
        make -j"$jobs" build_sw >&2 && make install_sw >&2)
    rm -rf "$work/openssl"
    touch "$kit/.openssl"
fi

# The libmosquitto client library, with TLS and its own thread.
if [ ! -f "$kit/.mosquitto" ]; then
    src=$(fetchSource mosquitto libmosquitto-dev)
    log "libmosquitto from $src"
    rm -rf "$work/mosquitto" && cp -a "$src" "$work/mosquitto"
    # Its build names MSVC's pthread library for every Windows build; MinGW has its own.
    sed -i '/if (WITH_THREADING)/,/endif (WIN32)/ s/(WIN32)/(MSVC)/' "$work/mosquitto/CMakeLists.txt"
    cmake -S "$work/mosquitto" -B "$work/mosquitto/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DLEAKMETER_WINKIT="$kit" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$kit" -DOPENSSL_ROOT_DIR="$kit" \
        -DWITH_TLS=ON -DWITH_TLS_PSK=ON -DWITH_THREADING=ON -DWITH_CLIENTS=OFF -DWITH_BROKER=OFF \
        -DWITH_APPS=OFF -DWITH_PLUGINS=OFF -DDOCUMENTATION=OFF -DWITH_LIB_CPP=OFF -DWITH_CJSON=OFF \
        -DWITH_SRV=OFF -DWITH_STATIC_LIBRARIES=OFF -DWITH_WEBSOCKETS=OFF >&2
    cmake --build "$work/mosquitto/build" -j"$jobs" >&2
    cmake --install "$work/mosquitto/build" >&2
    # Its install rule leaves out the import library the linker needs.
    cp "$(find "$work/mosquitto/build" -name 'libmosquitto.dll.a' | head -1)" "$kit/lib/"
    rm -rf "$work/mosquitto"
    touch "$kit/.mosquitto"
fi

echo "built in $(( $(date +%s) - start )) s, $(du -sh "$kit" | cut -f1)" >"$kit/.complete"
log "kit ready: $kit ($(cat "$kit/.complete"))"
echo "$kit"

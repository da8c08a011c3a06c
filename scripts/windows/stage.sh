#!/usr/bin/env bash
# Puts the Windows program folder together: stage.sh BUILD KIT FOLDER. The programs, every DLL
# they load (found by walking their imports through the kit and the MinGW runtime), Qt's
# plugins for the window system, style, picture formats and printing, Qt's and the program's
# Chinese translations, and the licences. Everything stripped.
set -euo pipefail
build=$1 kit=$2 stage=$3
mingw=/usr/x86_64-w64-mingw32
gccdir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
rm -rf "$stage" && mkdir -p "$stage"
cp "$build/src/app/leakmeter.exe" "$build/src/app/leakmeter.com" "$stage/"
for plugin in platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll imageformats/qjpeg.dll \
              imageformats/qico.dll imageformats/qgif.dll printsupport/windowsprintersupport.dll; do
    if [ -f "$kit/plugins/$plugin" ]; then
        mkdir -p "$stage/$(dirname "$plugin")"
        cp "$kit/plugins/$plugin" "$stage/$plugin"
    fi
done

# The DLLs each binary imports, transitively; system DLLs (not found in these folders) stay.
searched=("$kit/bin" "$kit/lib" "$gccdir" "$mingw/lib" "$mingw/bin")
declare -A seen
queue=("$stage"/leakmeter.exe "$stage"/leakmeter.com $(find "$stage" -mindepth 2 -name '*.dll'))
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        [ -n "${seen[$dll]:-}" ] && continue
        seen[$dll]=1
        for dir in "${searched[@]}"; do
            if [ -f "$dir/$dll" ]; then
                cp "$dir/$dll" "$stage/"
                queue+=("$stage/$dll")
                break
            fi
        done
    done
done

mkdir -p "$stage/translations"
# Qt's own Chinese catalogue (qt_zh_CN gathers qtbase_zh_CN and qtmultimedia_zh_CN and loads only
# with both beside it), so its standard dialogs speak
# Chinese; qt.conf makes the folder the Qt prefix, wherever the program is installed.
cp /usr/share/qt6/translations/qt_zh_CN.qm /usr/share/qt6/translations/qtbase_zh_CN.qm \
    /usr/share/qt6/translations/qtmultimedia_zh_CN.qm \
    "$stage/translations/"
printf '[Paths]\r\nPrefix=.\r\nPlugins=.\r\nTranslations=translations\r\n' >"$stage/qt.conf"
find "$stage" -name '*.exe' -o -name '*.com' -o -name '*.dll' | xargs x86_64-w64-mingw32-strip

mkdir -p "$stage/licences"
repo=$(cd "$(dirname "$0")/../.." && pwd)
cp "$repo/doc/copyright" "$stage/licences/leakmeter.txt" 2>/dev/null || true
src=${LEAKMETER_WINKIT_CACHE:-$HOME/.cache/leakmeter-winkit}/sources
for package in qt6-base openssl mosquitto; do
    copyright=$(ls -d "$src/$package"-*/debian/copyright 2>/dev/null | head -1)
    [ -n "$copyright" ] && cp "$copyright" "$stage/licences/$package.txt"
done
cp "$(ls /usr/share/doc/gcc-mingw-w64-x86-64-posix/copyright 2>/dev/null || ls /usr/share/doc/gcc-mingw-w64-base/copyright)" \
    "$stage/licences/gcc-mingw-w64-runtime.txt"

#!/usr/bin/env bash
# Cross-builds the Windows program on this Debian machine with mingw-w64 into build-windows/:
# build-windows/talvoren.exe (64-bit, everything linked in statically, so it imports only DLLs
# that every Windows has) and build-windows/talvoren-windows.zip (the program, the data folder
# made by the Linux data kit, and a README.txt). Needs the Linux build first for the data set
# (scripts/build.sh). Extra arguments go to CMake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-windows
log="$build.log"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DTALVOREN_BENCH=OFF "$@" > "$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build "$build" -j2 >> "$log" 2>&1 || { tail -n 60 "$log"; exit 1; }

# Nothing but Windows' own DLLs may be imported.
allowed='^(KERNEL32|USER32|GDI32|OPENGL32|GLU32|WINMM|MSACM32|OLE32|OLEAUT32|msvcrt|ADVAPI32|SHELL32|WINDOWSCODECS|api-ms-win-.*)\.dll$'
imports=$(x86_64-w64-mingw32-objdump -p "$build/talvoren.exe" | awk '/DLL Name:/ { print $3 }')
for dll in $imports; do
  if ! [[ "$dll" =~ $allowed ]] && ! [[ "${dll^^}" =~ ${allowed^^} ]]; then
    echo "talvoren.exe imports $dll, which Windows does not ship" >&2
    exit 1
  fi
done

# The zip: the program, its data and a README, in one folder.
[ -f build/data/demo.mp3 ] || { echo "no data set in build/data: run scripts/build.sh first" >&2; exit 1; }
package="$build/package/talvoren"
rm -rf "$build/package"
mkdir -p "$package"
cp "$build/talvoren.exe" "$package/"
cp -r build/data "$package/data"
rm -f "$package/data/.made-by-datakit"
sed 's/$/\r/' packaging/windows-readme.txt > "$package/README.txt"
(cd "$build/package" && rm -f ../talvoren-windows.zip && cmake -E tar cf ../talvoren-windows.zip --format=zip talvoren)
echo "Built: $build/talvoren.exe and $build/talvoren-windows.zip"

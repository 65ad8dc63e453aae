#!/usr/bin/env bash
# Builds the Debian package build-package/talvoren_VERSION_ARCH.deb from the build in ./build
# (scripts/build.sh makes it, with Debian's hardening flags): the files `cmake --install` puts
# under /usr (the program in /usr/games, its data in /usr/share/games/talvoren, the menu entry,
# the icons, the manual page and the documents), the program stripped, the manual page, README
# and changelog compressed, and a control file whose dependencies dpkg-shlibdeps computes from
# the program itself. The version is the one of project() in CMakeLists.txt. Then lintian checks
# it (--fail-on error); its remarks are printed.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/talvoren ] && [ -f build/talvoren.6 ] && [ -f build/icons/16x16/talvoren.png ] ||
  { echo "build the program first (scripts/build.sh)" >&2; exit 1; }
version=$(sed -n 's/^project(talvoren VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
architecture=$(dpkg --print-architecture)
out=build-package
stage="$out/talvoren"
rm -rf "$out"
mkdir -p "$stage"
DESTDIR="$(realpath "$stage")" cmake --install build --prefix /usr > "$out/install.log"

strip --strip-unneeded --remove-section=.comment --remove-section=.note "$stage/usr/games/talvoren"
doc="$stage/usr/share/doc/talvoren"
gzip -9n "$stage/usr/share/man/man6/talvoren.6" "$doc/README.md"
cp packaging/changelog "$doc/changelog"
gzip -9n "$doc/changelog"
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -type f -exec chmod 0644 {} +
chmod 0755 "$stage/usr/games/talvoren"

# dpkg-shlibdeps reads the package's name from a source tree's control file.
mkdir -p "$out/source/debian"
printf 'Source: talvoren\n\nPackage: talvoren\nArchitecture: any\n' > "$out/source/debian/control"
depends=$(cd "$out/source" && dpkg-shlibdeps -O -e"$(realpath "../talvoren/usr/games/talvoren")" 2> /dev/null |
  sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "dpkg-shlibdeps found no dependencies" >&2; exit 1; }

mkdir -p "$stage/DEBIAN"
installed_kib=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
cat > "$stage/DEBIAN/control" <<CONTROL
Package: talvoren
Version: $version
Architecture: $architecture
Maintainer: Talvoren developers <developers@talvoren.org>
Installed-Size: $installed_kib
Depends: $depends
Section: games
Priority: optional
Description: real-time audiovisual demo in step with its music
 Talvoren plays a fixed four-minute sequence of OpenGL scenes and effects
 in step with its music, then quits: metaballs, morphing logos, a landscape
 with rolling balls, a cloth in the wind, a flight through a structure in
 space and a story typed out over it all, timed to the beat.
 .
 A small dialog asks for the screen size and full screen first; options
 play it in a window, full screen on the desktop, or render it without a
 display into pictures or a video. The pictures, models, camera paths,
 story and music are generated for it and installed with it.
CONTROL
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) > "$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

package="$out/talvoren_${version}_${architecture}.deb"
dpkg-deb --root-owner-group --build "$stage" "$package" > /dev/null
echo "Built: $package"
lintian --fail-on error --info "$package"

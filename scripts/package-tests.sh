#!/usr/bin/env bash
# The package stage of ./test.sh: builds the Debian package (scripts/package-deb.sh, which also
# runs lintian --fail-on error), unpacks it into a temporary root (never installing it on this
# machine), and checks what a user gets: the program, run from an unrelated folder, finds its
# installed data and plays; the menu entry passes desktop-file-validate; the manual page reads
# without a warning and names every option of --help; each icon is the size its folder says.
set -uo pipefail
cd "$(dirname "$0")/.."
fail() { echo "FAIL: $*" >&2; exit 1; }
start=$SECONDS
scripts/package-deb.sh > build-package.log 2>&1 || { cat build-package.log; fail "the package was not built"; }
grep -E '^(E|W|I): ' build-package.log | sed 's/^/lintian: /'
package=$(ls build-package/talvoren_*.deb)
root="$(mktemp -d)"
elsewhere="$(mktemp -d)"
trap 'rm -rf "$root" "$elsewhere"' EXIT
dpkg-deb -x "$package" "$root" || fail "the package does not unpack"

mkdir -p "$elsewhere/data" # an unrelated data folder, as a home directory may have
(cd "$elsewhere" && "$root/usr/games/talvoren" --headless --size 320x240 --until 3 --mute > "$elsewhere/run.txt" 2>&1) ||
  fail "the unpacked program did not play: $(tail -n 5 "$elsewhere/run.txt")"
version=$("$root/usr/games/talvoren" --version) || fail "--version failed"
[[ "$package" == *"_${version#talvoren }_"* ]] || fail "the package's version is not the program's ($version)"

desktop-file-validate "$root/usr/share/applications/talvoren.desktop" || fail "the menu entry is not valid"

manual="$root/usr/share/man/man6/talvoren.6.gz"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$manual" 2>&1 > "$elsewhere/manual.txt")
[ -z "$warnings" ] || fail "the manual page has warnings: $warnings"
for option in $("$root/usr/games/talvoren" --help | sed -n 's/^  \(--[a-z-]*\).*/\1/p'); do
  grep -qF -- "$option" "$elsewhere/manual.txt" || fail "the manual page does not name $option"
done
grep -q "EXIT STATUS" "$elsewhere/manual.txt" || fail "the manual page has no exit statuses"

for side in 16 32 48 64 128 256; do
  icon="$root/usr/share/icons/hicolor/${side}x${side}/apps/talvoren.png"
  size=$(python3 -c "import struct,sys; d=open(sys.argv[1],'rb').read(24); print('%dx%d' % struct.unpack('>II', d[16:24]))" "$icon") ||
    fail "no icon $icon"
  [ "$size" = "${side}x${side}" ] || fail "the ${side}x${side} icon is $size"
done
echo "Package stage: $((SECONDS - start)) s, $(du -h "$package" | cut -f1) package"

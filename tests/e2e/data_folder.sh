#!/usr/bin/env bash
# Where the program finds its data: the folder given with --data; else ./data when it holds the
# music (an unrelated "data" folder, as in a home directory, is passed over); else the data
# installed beside the program in the games layout (PREFIX/games/talvoren finds
# PREFIX/share/games/talvoren/data, whatever the prefix). Finding none ends with status 2 and a
# message naming every place looked at.
source "$(dirname "$0")/common.sh"
data="$(realpath "$data")"
run() { "$@" --headless --size 160x120 --mute --until 0.1 > "$work/out.txt" 2>&1; }

mkdir -p "$work/elsewhere/data" "$work/local" "$work/prefix/games" "$work/prefix/share/games/talvoren"
echo "not the demo's" > "$work/elsewhere/data/notes.txt"
ln -s "$data" "$work/local/data"
cp "$program" "$work/prefix/games/talvoren"
installed="$work/prefix/games/talvoren"

(cd "$work/elsewhere" && run "$program" --data "$data") || fail "--data DIR was not used: $(cat "$work/out.txt")"
(cd "$work/elsewhere" && run "$program" --data "$work/missing")
[ $? -eq 2 ] || fail "a missing --data folder did not end with 2"
grep -q "$work/missing (given with --data)" "$work/out.txt" || fail "the message does not name the --data folder"

(cd "$work/local" && run "$program") || fail "./data with the music was not found: $(cat "$work/out.txt")"

# An unrelated ./data and nothing installed: status 2, both places named.
(cd "$work/elsewhere" && run "$installed")
[ $? -eq 2 ] || fail "without data the program did not end with 2"
grep -q "./data (when it holds demo.mp3)" "$work/out.txt" || fail "the message does not name ./data: $(cat "$work/out.txt")"
grep -q "$work/prefix/share/games/talvoren/data (installed with the program)" "$work/out.txt" ||
  fail "the message does not name the installed folder: $(cat "$work/out.txt")"

# Installed: found relative to the program, from an unrelated folder with its own ./data.
ln -s "$data" "$work/prefix/share/games/talvoren/data"
(cd "$work/elsewhere" && run "$installed") || fail "the installed data was not found: $(cat "$work/out.txt")"
echo PASS

#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) in ./build-fuzz and runs each one.
#
#   scripts/fuzz.sh [SECONDS | --runs N] [--merge] [KIND...]
#
# SECONDS (default 20) is each target's time; --runs N runs each target for N executions
# instead. KIND limits the run to some of bmp, jpeg, 3ds, pos, text and mp3. --merge then
# rewrites the kept corpus of each kind (tests/fuzz/corpus/KIND) as the smallest set of inputs
# that covers what the kept corpus and this run's found together (libFuzzer's -merge=1). The
# third-party test files may not be copied into the project, so a merging run neither starts
# from them nor from anything grown out of them: it uses a corpus of its own,
# build-fuzz/corpus-own/.
#
# Exits non-zero when a target finds a crash; the input that crashed is kept in
# build-fuzz/artifacts/. The corpus in build-fuzz/corpus/ grows across runs and is seeded from
# a few tiny built-in pictures, 3DS models, camera paths, texts and MP3s, the shared third-party
# test files when they are beside the project, and the small files of a generated data folder
# (with slices of its soundtrack); the kept corpus is read as well.
set -euo pipefail
cd "$(dirname "$0")/.."
usage() { echo "usage: $0 [SECONDS | --runs N] [--merge] [bmp|jpeg|3ds|pos|text|mp3]..." >&2; exit 2; }
limit=(-max_total_time=20)
merge=0
kinds=()
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) [ $# -ge 2 ] && [[ "$2" =~ ^[1-9][0-9]*$ ]] || usage; limit=(-runs="$2"); shift 2 ;;
    --merge) merge=1; shift ;;
    bmp | jpeg | 3ds | pos | text | mp3) kinds+=("$1"); shift ;;
    *) [[ "$1" =~ ^[1-9][0-9]*$ ]] || usage; limit=(-max_total_time="$1"); shift ;;
  esac
done
[ ${#kinds[@]} -gt 0 ] || kinds=(bmp jpeg 3ds pos text mp3)
build=build-fuzz
corpus="$build/corpus"
[ $merge -eq 0 ] || corpus="$build/corpus-own"
log="$build/fuzz-build.log"
mkdir -p "$build"

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVOREN_FUZZ=ON \
  -DTALVOREN_TESTS=OFF -DTALVOREN_BENCH=OFF > "$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build "$build" -j2 --target bmp_fuzz jpeg_fuzz l3ds_fuzz path_fuzz text_fuzz \
  mp3_fuzz >> "$log" 2>&1 || { tail -n 60 "$log"; exit 1; }

# Seeds: name kind base64 (a 5x3 padded BMP; colour, grey and progressive JPEGs; 3DS models from
# our writer: a textured triangle, a cube with six smoothing groups and two materials, a light
# beside a camera and keyframer data; a few frames of LAME output: 44.1 kHz joint stereo at
# 32 kbit/s, 8 kHz mono at 8 kbit/s, 22.05 kHz mono at 16 kbit/s).
seed() { mkdir -p "$corpus/$2"; echo "$3" | base64 -d > "$corpus/$2/seed_$1"; }
# Text seeds, with backslash escapes: camera paths and story texts.
seed_text() { mkdir -p "$corpus/$2"; printf '%b' "$3" > "$corpus/$2/seed_$1"; }
seed small.bmp bmp Qk1mAAAAAAAAADYAAAAoAAAABQAAAAMAAAABABgAAAAAADAAAAATCwAAEwsAAAAAAAAAAAAAAAAAKAAAUAAAeAAAoAAAAABQAChQFFBQKHhQPKBQUAAAoAAooChQoFB4oHigoKAA
seed colour.jpg jpeg /9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwcKDcpLDAxNDQ0Hyc5PTgyPC4zNDL/2wBDAQkJCQwLDBgNDRgyIRwhMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjL/wAARCAAJAA0DASIAAhEBAxEB/8QAFgABAQEAAAAAAAAAAAAAAAAAAwQF/8QAJhAAAQQBAgQHAAAAAAAAAAAAAgEDBBEAEkEUITM1YXJzgZG0wv/EABQBAQAAAAAAAAAAAAAAAAAAAAP/xAAhEQABAgQHAAAAAAAAAAAAAAABAxEAAiFxEjJhgZKxwf/aAAwDAQACEQMRAD8AlbbCLAOG4LYNnG02qKpKXCAA1W1v0vtzTGkQTmS3oy0oMuuuCCDVannAu/FG0+NrxZ/VZ9P8w822O9zfKv2ZOOi0ysszZhi3oPeoBRQlAa04sxvVrR//2Q==
seed grey.jpg jpeg /9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwcKDcpLDAxNDQ0Hyc5PTgyPC4zNDL/wAALCAAIAAgBAREA/8QAFAABAAAAAAAAAAAAAAAAAAAABP/EAB4QAAMAAgEFAAAAAAAAAAAAAAECAwQFMQcREiJR/9oACAEBAAA/AB6eEdF0y2dqpNnycc4cptQIXao8PX6VUs/YchTxyP/Z
seed progressive.jpg jpeg /9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8UHRofHh0aHBwgJC4nICIsIxwcKDcpLDAxNDQ0Hyc5PTgyPC4zNDL/2wBDAQkJCQwLDBgNDRgyIRwhMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjL/wgARCAAFABEDASIAAhEBAxEB/8QAFwABAAMAAAAAAAAAAAAAAAAAAAMEBv/EABYBAQEBAAAAAAAAAAAAAAAAAAECA//aAAwDAQACEAMQAAABhtCZobz/AP/EABkQAQACAwAAAAAAAAAAAAAAAAIAARESMv/aAAgBAQABBQI8Csvdz//EAB0RAAECBwAAAAAAAAAAAAAAAAABAgMUMVKBkcH/2gAIAQMBAT8BqzHSaj3rs//EABkRAAIDAQAAAAAAAAAAAAAAAAACEiFRkf/aAAgBAgEBPwFqfhBcP//EAB4QAAAFBQEAAAAAAAAAAAAAAAABAhLCESEyQeGh/9oACAEBAAY/AjRSzIdCi06fBl4P/8QAGxAAAgIDAQAAAAAAAAAAAAAAAREAIWFxwfD/2gAIAQEAAT8hEIBYzqDNNKBYDieAT//aAAwDAQACAAMAAAAQC/8A/8QAHBEAAgAHAAAAAAAAAAAAAAAAAAERITGh0fDx/9oACAEDAQE/EG6mlArSOiyf/8QAGxEAAQQDAAAAAAAAAAAAAAAAAQARIZFRYaH/2gAIAQIBAT8QmNnssbELWpf/xAAcEAEAAQQDAAAAAAAAAAAAAAABEQAhMZFR0fD/2gAIAQEAAT8QKcSEJVGI4s9FKbX4DMxnNzRXv1V//9k=
seed textured.3ds 3ds TU3KAQAAAgAKAAAAAwAAAD09ugEAAP+v+AAAAACgDAAAAFN0b25lABCgIQAAABAAEgAAAAAAAAAAAAAAAAAAABEACQAAAAAAACCgIQAAABAAEgAAAM3MTD/NzEw/zcxMPxEACQAAAMzMzDCgIQAAABAAEgAAAAAAAAAAAAAAAAAAABEACQAAAAAAAECgEAAAADEACgAAAAAAAABQoBAAAAAxAAoAAAAAAAAAAKEIAAAAAwAAokYAAAAwAAgAAABkAACjEAAAAHN0b25lLmpwZwBUowoAAAAAAIA/VqMKAAAAAACAP1ijCgAAAAAAAABaowoAAAAAAAAAIKIVAAAAMAAIAAAAZAAAowcAAAAAAEC8AAAAVHJpAABBsgAAABBBLAAAAAMAAAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAQEEgAAAAAwAAAAAAAAAAAAAAgD8AAAAAAAAAAAAAgD9gQTYAAAAAAIA/AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAAAAAAAAAAgQSoAAAABAAAAAQACAAcAMEEQAAAAU3RvbmUAAQAAAFBBCgAAAAEAAAA=
seed cube.3ds 3ds TU2lAgAAAgAKAAAAAwAAAD09lQIAAP+vkQAAAACgCAAAAEEAEKAhAAAAEAASAAAAAAAAAAAAAAAAAAAAEQAJAAAAAAAAIKAhAAAAEAASAAAAzcxMP83MTD/NzEw/EQAJAAAAzMzMMKAhAAAAEAASAAAAAAAAAAAAAAAAAAAAEQAJAAAAAAAAQKAQAAAAMQAKAAAAAAAAAFCgEAAAADEACgAAAAAAAAD/r5EAAAAAoAgAAABCABCgIQAAABAAEgAAAAAAAAAAAAAAAAAAABEACQAAAAAAACCgIQAAABAAEgAAAM3MTD/NzEw/zcxMPxEACQAAAMzMzDCgIQAAABAAEgAAAAAAAAAAAAAAAAAAABEACQAAAAAAAECgEAAAADEACgAAAAAAAABQoBAAAAAxAAoAAAAAAAAAAEBtAQAAQ3ViZQAAQWIBAAAQQWgAAAAIAAAAgL8AAIC/AACAvwAAgD8AAIC/AACAvwAAgL8AAIA/AACAvwAAgD8AAIA/AACAvwAAgL8AAIC/AACAPwAAgD8AAIC/AACAPwAAgL8AAIA/AACAPwAAgD8AAIA/AACAP2BBNgAAAAAAgD8AAAAAAAAAAAAAAAAAAIA/AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAACBBvgAAAAwAAAACAAMABwAAAAMAAQAHAAQABQAHAAcABAAHAAYABwAAAAEABQAHAAAABQAEAAcAAgAGAAcABwACAAcAAwAHAAAABAAGAAcAAAAGAAIABwABAAMABwAHAAEABwAFAAcAMEEQAAAAQQADAAAABAAIADBBEAAAAEIAAwACAAYACgBQQTYAAAABAAAAAQAAAAIAAAACAAAABAAAAAQAAAAIAAAACAAAABAAAAAQAAAAIAAAACAAAAA=
seed light.3ds 3ds TU2CAAAAPT12AAAAAEBAAAAATGFtcAAARjUAAAAAAIA/AAAAQAAAQEARAAkAAAD/gAAQRhoAAAAAAAAAAACAPwAAAEAAAEBAAACAQABAMAAAAENhbQAARyYAAAAAAAAAAACAPwAAAEAAAEBAAACAQAAAoEAAAMBAAADgQACwBgAAAA==

seed s44.mp3 mp3 //sQZAAAAHcG14UkAAoOoNqApIABQegbbBjwAAhFA2xDMAAAFYrFaOiAKAgKBWjRow8ejbSIAQAACBguAADAYQCGISLBVdFD1tgMR+GDFsdusSK4Qmwh4NY+6HWHDASRbSjHGMzESND/+xJEAw/whQbTh2wACBNA+lDuAAECHBtOFaAAIEkDqcK0AARmTLA9DVxY1Go1luzqacqVAkOjYCMKgYuCzGHMqbv5xuAFVDmfzfky+bbxOH4fzzuWOMjL/mNym7gJMQUnivSMWNnYqRH/+xBkAgAAiwhbBjxAABABCuDNAAAB1B7uHDCACDmD2sOGAAHv00xlMh2c/y0yOgJdeQ4CsI9f5SKYQik7Otd+xnGbVV4oCpMBFQYb03Lj8aq7M3WDMaiSQSK4dj12SkxBTUUzLjEwMA==
seed m8.mp3 mp3 /+MYxAANMLKQAVgAAY3G43G43L6enp6SklEYjEspKSxT08bjcbl9/6eHJlW8uGYRmUpjCXHYPS26kYjFJSYOzDw9MiLECJn//+MYxAYNwOqsAZQ4ACKjKkOFzf4Y2FmgcggAESlwDkihRJDwN41FjASASA0eEoRv/x0ajU4GhL/hIGhKdBr//urbvAwCwHMA/+MYxAoOqMo0AZcoAMz3U3gMH4BJIGAbBDoGMmL04GCEgksDAlQiwDE7F+ADAawQKBm6gr9Af//0eW9f/0r//5Xb1G91aXf//+MYxAoO6Mq0AZloAP9+w79NS0tWM/ETT5isOF3zOMDj5a4MMM6/CwJMlygZm5kSwGCvgMPB8TkWr/Hnye1dVFJK5ZFpCKZk/+MYxAkOkMoYAckAACKWVkWqinSEUilnJSlFVCKRSyWAMAJgAwAg0uKSWCLFkTWlcGjyztTxLpWdJYlW7OoVTEFNRTMuMTAw
seed m22.mp3 mp3 //MgxAAIgGKYAU8AAUPQ85zTNND3NgQwnYhYKcBbAWwb440LZ3kR48ePAASHh499mvfBv//zIsQFCgB+rAGaKABUwIAQTaQBGGrADIHUlTEWaQBhKlAUAQB/Eg8HuVBVnLBUFa4wBEyV//MgxAUJ0Ep4AZ0AAEFLKqwOFExdkotuZilCTDeY31KaKBgAgLNkAFGgjMpBDROV+7DEU//zIMQECVCCwAGYKABSqeFOvwW0dp0h4dgm3hJ4Z4Bi+UR4u8FcPlyp3mUfvMoVLAkCRpX/8yDEBQkwfiQByRABFLiIEmAsCQaatCKSXVUOLItVQuFEtCSiwVx0XEV/mxVMQU1FVVVV
# A five-point path (one curve segment and a bit), a three-point path that has no curve, and a
# path whose eye stands still while it looks around.
seed_text five.pos pos '0 1 -8 0 0 0 0 1 0\n1 1 -7 0.5 0 0 0 1 0\n2 1.5 -6 1 0 -1 0.1 1 0\n3 1 -5 1.5 0 -2 0 1 0.1\n4 0.5 -4 2 0 -3 0 1 0\n'
seed_text three.pos pos '0 0 0 0 0 -1 0 1 0 1 0 0 1 0 -1 0 1 0\n2 0 0 2 0 -1 0 1 0\n'
seed_text still.pos pos '5 5 5 0 0 0 0 1 0\n5 5 5 1 0 0 0 1 0\n5 5 5 0 1 0 0 0 1\n5 5 5 0 0 1 0 1 0\n5 5 5 -1 0 0 0 1 0\n'
seed_text story.txt text 'THE KEEPER\r\n\r\nThe light turned all night,\tand the sea\nanswered it.\r\n'
seed_text lines.txt text '\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\nthe 27th line scrolls_\n'

# Files made by other tools, and generated pictures small enough to mutate usefully.
folders=(build/data)
[ $merge -eq 1 ] || folders+=(../shared/testdata)
for folder in "${folders[@]}"; do
  [ -d "$folder" ] || continue
  find "$folder" -type f -size -256k \( -iname '*.bmp' -o -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.3ds' \
      -o -iname '*.pos' -o -iname '*.txt' \) |
    while read -r file; do
      case "${file,,}" in
        *.bmp) kind=bmp ;; *.3ds) kind=3ds ;; *.pos) kind=pos ;; *.txt) kind=text ;; *) kind=jpeg ;;
      esac
      cp -f "$file" "$corpus/$kind/$(basename "$file")"
    done
done
# The soundtrack is too long to mutate whole: its first frames (the Info frame and the quiet
# intro) and a slice from the middle that starts between two frames.
if [ -f build/data/demo.mp3 ]; then
  head -c 16384 build/data/demo.mp3 > "$corpus/mp3/demo_start.mp3"
  dd if=build/data/demo.mp3 of="$corpus/mp3/demo_middle.mp3" bs=1000 skip=3001 count=12 status=none
fi

mkdir -p "$build/artifacts"
# The 3DS kind is fuzzed by the L3DS reader's target, camera paths by the path target.
target_of() { case "$1" in 3ds) echo l3ds_fuzz ;; pos) echo path_fuzz ;; *) echo "${1}_fuzz" ;; esac; }
# The longest input each target is given. A reader's work grows with its input, and a long input
# reaches no code that a short one cannot: a 16 KB 3DS file holds every chunk kind with hundreds
# of faces, a 16 KB MP3 some forty frames. Longer seeds are cut to this length.
max_len_of() { case "$1" in 3ds | jpeg | mp3) echo 16384 ;; *) echo 262144 ;; esac; }
status=0
for kind in "${kinds[@]}"; do
  echo "Fuzzing the $kind reader (${limit[0]#-})"
  # The kept corpus (tests/fuzz/corpus) is read, never written: new inputs go to the build's.
  kept=tests/fuzz/corpus/$kind
  mkdir -p "$kept"
  target="$build/tests/fuzz/$(target_of "$kind")"
  if ! "$target" "${limit[@]}" -max_len="$(max_len_of "$kind")" -timeout=20 -rss_limit_mb=3072 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/${kind}_" "$corpus/$kind" "$kept" \
      > "$build/${kind}_fuzz.log" 2>&1; then
    echo "The $kind reader crashed; see $build/${kind}_fuzz.log and $build/artifacts/" >&2
    tail -n 40 "$build/${kind}_fuzz.log" >&2
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^#[0-9]+[[:space:]]+DONE' "$build/${kind}_fuzz.log" || true
  if [ $merge -eq 1 ] && [ $status -eq 0 ]; then
    merged="$build/merged/$kind"
    rm -rf "$merged" && mkdir -p "$merged"
    "$target" -merge=1 -max_len="$(max_len_of "$kind")" -timeout=20 -rss_limit_mb=3072 "$merged" "$kept" \
      "$corpus/$kind" > "$build/${kind}_merge.log" 2>&1 || { tail -n 20 "$build/${kind}_merge.log" >&2; exit 1; }
    rm -rf "$kept" && cp -r "$merged" "$kept"
    echo "Kept corpus of $kind: $(ls "$kept" | wc -l) files, $(du -sk "$kept" | cut -f1) KB"
  fi
done
exit "$status"

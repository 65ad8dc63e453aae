#!/usr/bin/env bash
# Plays the show on damaged copies of its data folder and requires it to survive each one: exit
# status 0, no sanitizer report and no OpenGL error (the show runs with --check-gl).
#
#   scripts/damaged-data.sh PROGRAM DATA_DIR [--sample] [--jobs N] [--only NAME...]
#                           [--damage KIND]... [--first-use]
#
# Full mode damages every file of the folder in turn in three ways, each run on its own copy of
# the folder, played headless to the scheduled end:
#   remove    the file is gone
#   truncate  the file is cut to half its size
#   random    the file is replaced by random bytes of the same size (seeded by the file's name,
#             so a rerun repeats the same bytes)
# That is 3 x 39 runs of a few minutes each under the sanitizers: a test to run by hand.
# --damage KIND keeps only the named kinds (repeatable); --first-use stops each run a little
# after the first scene that draws with the damaged file instead of at the end.
#
# --sample is the short version for CI:
#   - one run with every file replaced by random bytes, played to the end (or to
#     SAMPLE_RANDOM_UNTIL seconds when that is set);
#   - every file removed, one run each, stopped a little after the first scene that draws with
#     it when that scene comes in the first SAMPLE_OPENING seconds (default 12), otherwise right
#     after loading: the later files' loaders have failed by then, and what their scenes draw
#     without them is covered by tests/gl/missing_data_test.cpp (every scene drawn with no data
#     at all) and by the full mode. Reaching every first use would cost about 25 minutes there.
#     SAMPLE_OPENING_ONLY=1 leaves out the runs of files first used after the opening.
# --only limits the runs to the named files; --jobs N plays N runs at once (default 1).
#
# Each run is played and judged by scripts/sanitized-show.sh (sanitizer options, leak
# suppressions, time limit). A progress line is printed per run and a summary at the end; the
# standard error of each failing run is kept in ./damaged-data-logs (or $DAMAGE_LOGS). The exit
# status is 0 when every run passed.
set -uo pipefail

usage() {
  echo "usage: $0 PROGRAM DATA_DIR [--sample] [--jobs N] [--only NAME...] [--damage KIND]... [--first-use]" >&2
  exit 2
}

[ $# -ge 2 ] || usage
program="$(realpath "$1")" || usage
data="$(realpath "$2")" || usage
shift 2
[ -x "$program" ] || { echo "$0: $program is not a program" >&2; exit 2; }
[ -d "$data" ] || { echo "$0: $data is not a folder" >&2; exit 2; }

sample=0
jobs=1
only=()
kinds=()
toFirstUse=0
while [ $# -gt 0 ]; do
  case "$1" in
    --sample) sample=1; shift ;;
    --first-use) toFirstUse=1; shift ;;
    --damage)
      [ $# -ge 2 ] && [[ "$2" =~ ^(remove|truncate|random)$ ]] || usage
      kinds+=("$2"); shift 2 ;;
    --jobs) [ $# -ge 2 ] && [[ "$2" =~ ^[1-9][0-9]*$ ]] || usage; jobs="$2"; shift 2 ;;
    --only)
      shift
      while [ $# -gt 0 ] && [[ "$1" != --* ]]; do only+=("$1"); shift; done
      [ ${#only[@]} -gt 0 ] || usage
      ;;
    *) usage ;;
  esac
done

here="$(cd "$(dirname "$0")" && pwd)"
logs="$(realpath -m "${DAMAGE_LOGS:-./damaged-data-logs}")"

# When each file is first used: the demo time (seconds) of the first scene that draws with it,
# from the director's loading order and timetable. 0 means it is used while loading or on the
# very first frame (the start picture, the music, the fluid picture, the two bands' textures) or
# never drawn at all (black.jpg, xcircle.3ds). The morph targets come in the chain's order:
# scene 12 morphs the start shape into greet4, 14 greet4 into the molecule, and so on.
declare -A firstUse=(
  [start.jpg]=0 [demo.mp3]=0 [200x100.jpg]=0 [tunnel2.jpg]=0 [vornix2.jpg]=0
  [black.jpg]=0 [xcircle.3ds]=0
  [ljus1.jpg]=7.68 [star.jpg]=7.68                                   # scene 2: light fade-in
  [vornix2.3ds]=10.52 [light.jpg]=10.52 [radial.jpg]=10.52           # scene 3: flying logo
  [presents.3ds]=14.36                                               # scene 4
  [talv1b.3ds]=18.2                                                  # scene 5: the title
  [white.jpg]=23.24 [space.3ds]=23.24 [space1.pos]=23.24             # scene 6: space flight
  [noise7.jpg]=23.24 [noise8.jpg]=23.24
  [boll.pos]=37.4 [tex1.jpg]=37.4 [spaceboll.jpg]=37.4               # scene 7: landscape, balls
  [ball3.3ds]=37.4 [checker.jpg]=37.4 [font.jpg]=37.4                # and the scroller
  [bg003x.jpg]=73.48                                                 # scene 9: the wave sheet
  [startmorph.3ds]=98 [ChromeGreen.jpg]=98                           # scene 11: start morph
  [greet4.3ds]=102 [thcmolekyl.3ds]=105 [greet3.3ds]=108.5           # scenes 12 to 28: morphs
  [brain2.3ds]=112 [greet2.3ds]=115 [head2.3ds]=118 [greet1.3ds]=121 [vornix.3ds]=124
  [intro1.jpg]=129.56 [vornix1.jpg]=129.56 [text.txt]=129.56         # scene 29: cloth, story
)
firstUseMargin=1 # seconds past the first use at which a run stops
afterLoading=1.5 # seconds: a run that only checks the loaders stops here
opening="${SAMPLE_OPENING:-12}"
[ ${#kinds[@]} -gt 0 ] || kinds=(remove truncate random)

files=()
if [ ${#only[@]} -gt 0 ]; then
  for name in "${only[@]}"; do
    [ -f "$data/$name" ] || { echo "$0: no file $name in $data" >&2; exit 2; }
    files+=("$name")
  done
else
  while IFS= read -r name; do files+=("$name"); done < <(cd "$data" && find . -maxdepth 1 -type f ! -name '.*' -printf '%f\n' | LC_ALL=C sort)
fi
[ ${#files[@]} -gt 0 ] || { echo "$0: no files in $data" >&2; exit 2; }

# stop_time NAME: where a run that damages NAME stops, a little after its first use.
stop_time() {
  awk -v t="${firstUse[$1]}" -v m="$firstUseMargin" 'BEGIN { print t + m }'
}

if [ $sample -eq 1 ] || [ $toFirstUse -eq 1 ]; then
  for name in "${files[@]}"; do
    [ -n "${firstUse[$name]+set}" ] || { echo "$0: no first-use time for $name: add it to the table" >&2; exit 2; }
  done
fi

# The runs, one line each: DAMAGE NAME UNTIL (UNTIL "-": to the end of the show), longest first
# so that parallel runs finish together.
runs=()
if [ $sample -eq 1 ]; then
  runs+=("random-all * ${SAMPLE_RANDOM_UNTIL:--}")
  while IFS= read -r line; do runs+=("$line"); done < <(
    for name in "${files[@]}"; do
      until="$(awk -v t="${firstUse[$name]}" -v o="$opening" -v m="$firstUseMargin" -v l="$afterLoading" \
        'BEGIN { print (t <= o && t + m > l) ? t + m : l }')"
      # (files used while loading or on the first frames are past their first use by then)
      [ "${SAMPLE_OPENING_ONLY:-0}" = 1 ] && awk -v t="${firstUse[$name]}" -v o="$opening" 'BEGIN { exit !(t > o) }' && continue
      echo "remove $name $until"
    done | sort -k3,3 -g -r -s)
else
  for damage in "${kinds[@]}"; do
    if [ $toFirstUse -eq 1 ]; then
      while IFS= read -r line; do runs+=("$line"); done < <(
        for name in "${files[@]}"; do echo "$damage $name $(stop_time "$name")"; done | sort -k3,3 -g -r -s)
    else
      for name in "${files[@]}"; do runs+=("$damage $name -"); done
    fi
  done
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/results"

# random_bytes FOLDER NAME...: replaces each named file by as many random bytes, drawn from a
# generator seeded by the file's name alone.
random_bytes() {
  python3 - "$@" <<'PY2'
import os, random, sys
folder = sys.argv[1]
for name in sys.argv[2:]:
    path = os.path.join(folder, name)
    size = os.path.getsize(path)
    with open(path, 'wb') as f:
        f.write(random.Random('talvoren-damage:' + name).randbytes(size))
PY2
}

# damage KIND FOLDER NAME
damage() {
  local kind="$1" folder="$2" name="$3" file="$2/$3" size
  case "$kind" in
    remove) rm -f "$file" ;;
    truncate) size=$(stat -c %s "$file"); truncate -s $((size / 2)) "$file" ;;
    random) random_bytes "$folder" "$name" ;;
    random-all) random_bytes "$folder" "${files[@]}" ;;
  esac
}

total=${#runs[@]}

# run_one INDEX DAMAGE NAME UNTIL
run_one() {
  local index="$1" kind="$2" name="$3" until="$4"
  local dir="$work/run$index" label start status problem
  mkdir -p "$dir"
  cp -a "$data" "$dir/data"
  damage "$kind" "$dir/data" "$name"
  label="$(printf '%-10s %-16s %s' "$kind" "$name" "${until/-/end}")"
  start=$SECONDS
  problem="$(cd "$dir" && SHOW_STDERR="$dir/err.txt" "$here/sanitized-show.sh" "$program" "$dir/data" \
      ${until/-/} 2>&1 > /dev/null)"
  status=$?
  if [ $status -eq 0 ]; then
    printf '[%3d/%d] ok    %s  (%d s)\n' "$index" "$total" "$label" $((SECONDS - start))
    echo "ok" > "$work/results/$index"
  else
    mkdir -p "$logs"
    local log="$logs/$kind-${name//\*/all}.log"
    cp "$dir/err.txt" "$log" 2> /dev/null
    problem="${problem#sanitized-show: FAIL after * s: }"
    printf '[%3d/%d] FAIL  %s  (%d s): %s; log %s\n' "$index" "$total" "$label" $((SECONDS - start)) "$problem" "$log"
    echo "FAIL $label: $problem" > "$work/results/$index"
  fi
  rm -rf "$dir"
}

echo "damaged-data: $total runs of $program on copies of $data, $jobs at a time"
begin=$SECONDS
index=0
for run in "${runs[@]}"; do
  index=$((index + 1))
  read -r kind name until <<< "$run"
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
  run_one "$index" "$kind" "$name" "$until" &
done
wait

failed=0
failures=()
for ((i = 1; i <= total; ++i)); do
  result="$(cat "$work/results/$i" 2> /dev/null || echo "FAIL run $i left no result")"
  [ "$result" = ok ] || { failed=$((failed + 1)); failures+=("$result"); }
done
elapsed=$((SECONDS - begin))
echo "damaged-data: $((total - failed)) of $total runs passed in $((elapsed / 60)) min $((elapsed % 60)) s"
if [ $failed -gt 0 ]; then
  printf '  %s\n' "${failures[@]}"
  exit 1
fi

#!/usr/bin/env bash
# Plants the catalogue's faults one at a time and reports which test programs notice each.
#
#   scripts/mutants.sh [--catalogue FILE] [--only REGEX] [--tests REGEX] [--check] [--results FILE]
#
# The catalogue (tests/mutants.txt) holds one fault a line:
#   <file> @@ <fragment> @@ <replacement> @@ <what the fault is>
# The fragment is an exact piece of one line of <file> and must occur there exactly once; a
# fault whose fragment does not is refused. Blanks around each field are dropped; the
# replacement may be empty (the fragment is deleted).
#
# Faults are planted in a scratch copy of the working tree (build-mutants/src, with build
# trees of its own that later runs rebuild incrementally), never in the tree itself: an
# interrupted run cannot leave a fault in the sources. The copy's file is restored after each
# fault, and on Ctrl-C or failure. For each fault the native core is rebuilt and its tests run
# when the file is part of it, and the Windows build is rebuilt and its Wine suites run when
# anything of it changed; the fuzzers' short runs are left out (they are not tests).
#
# Prints one line per fault (killed, by which test programs; survived; or broken: does not
# build) and the score. --check only validates the catalogue against the tree.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
catalogue="$root/tests/mutants.txt"
only=""
tests=""
check_only=0
results=""
while [ $# -gt 0 ]; do
  case "$1" in
    --catalogue) catalogue="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"; shift 2 ;;
    --only) only="$2"; shift 2 ;;
    --tests) tests="$2"; shift 2 ;;  # only the test programs matching REGEX run (a quicker, partial verdict)
    --check) check_only=1; shift ;;
    --results) results="$2"; shift 2 ;;
    *) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
  esac
done

trim() { local s="$1"; s="${s#"${s%%[![:space:]]*}"}"; printf '%s' "${s%"${s##*[![:space:]]}"}"; }

# How many times FRAGMENT occurs in a file (non-overlapping, literal).
occurrences() { FRAGMENT="$2" perl -0777 -ne '$n = () = /\Q$ENV{FRAGMENT}\E/g; print $n' "$1"; }

# Reads and validates the catalogue into parallel arrays.
files=() fragments=() replacements=() descriptions=() lines=()
refused=0
line_no=0
while IFS= read -r line || [ -n "$line" ]; do
  line_no=$((line_no + 1))
  [[ "$line" =~ ^[[:space:]]*(#|$) ]] && continue
  [ -n "$only" ] && ! [[ "$line" =~ $only ]] && continue
  rest="$line"
  file="$(trim "${rest%%@@*}")"; rest="${rest#*@@}"
  fragment="$(trim "${rest%%@@*}")"; rest="${rest#*@@}"
  replacement="$(trim "${rest%%@@*}")"
  description=""
  [[ "$rest" == *@@* ]] && description="$(trim "${rest#*@@}")"
  if [ -z "$file" ] || [ -z "$fragment" ] || [[ "$line" != *@@*@@* ]]; then
    echo "refused   line $line_no: not <file> @@ <fragment> @@ <replacement> [@@ <what>]"
    refused=$((refused + 1)); continue
  fi
  if [ ! -f "$root/$file" ]; then
    echo "refused   line $line_no: no file $file"
    refused=$((refused + 1)); continue
  fi
  count="$(occurrences "$root/$file" "$fragment")"
  if [ "$count" != 1 ]; then
    echo "refused   line $line_no: '$fragment' occurs $count times in $file, not once"
    refused=$((refused + 1)); continue
  fi
  files+=("$file"); fragments+=("$fragment"); replacements+=("$replacement")
  descriptions+=("$description"); lines+=("$line_no")
done < "$catalogue"

if [ "$check_only" = 1 ]; then
  echo "mutants: ${#files[@]} faults valid, $refused refused"
  [ "$refused" = 0 ]; exit
fi
[ "${#files[@]}" -gt 0 ] || { echo "mutants: no fault to plant"; exit 2; }

work="$root/build-mutants"
src="$work/src"
mkdir -p "$src"
status_before="$(git -C "$root" status --porcelain)"

# The copy follows the working tree (committed or not); only changed files are rewritten, so
# the copy's builds stay incremental.
sync_copy() {
  local listed="$work/listed.txt"
  git -C "$root" ls-files -co --exclude-standard > "$listed"
  while IFS= read -r f; do
    [ -f "$root/$f" ] || continue
    if ! cmp -s "$root/$f" "$src/$f"; then
      mkdir -p "$(dirname "$src/$f")"
      cp "$root/$f" "$src/$f"
    fi
  done < "$listed"
  # Files gone from the tree go from the copy too (outside its build trees).
  (cd "$src" && find . -path ./build -prune -o -path ./build-native -prune -o -type f -print) | sed 's|^\./||' |
    grep -vxF -f "$listed" | while IFS= read -r f; do rm -f "$src/$f"; done
}

planted_file=""
restore() {
  if [ -n "$planted_file" ]; then
    cp "$work/original" "$src/$planted_file"
    planted_file=""
  fi
}
trap 'restore; echo "mutants: interrupted; the copy is restored"; exit 130' INT TERM
trap 'restore' EXIT

log="$work/last.log"
build_native() { cmake --build "$src/build-native" > "$log" 2>&1; }
build_cross() { cmake --build "$src/build" > "$log" 2>&1; }
compiled_something() { grep -q -E 'Building|Linking' "$log"; }

# Runs a build tree's test programs (the fuzzers' short runs and the prefix set-up aside) one at
# a time, as CI does (suites that share the registry must not meet), and prints the names of
# those that failed.
failing_tests() {
  local dir="$1"
  rm -f "$dir/Testing/Temporary/LastTestsFailed.log"
  (cd "$dir" && ctest --timeout 120 -E '(_short|^exports|^mutant_catalogue)$' ${tests:+-R "$tests"} \
     > "$work/ctest.log" 2>&1)
  [ -f "$dir/Testing/Temporary/LastTestsFailed.log" ] &&
    sed 's/^[0-9]*://' "$dir/Testing/Temporary/LastTestsFailed.log" | grep -v '^wine_prefix$' | tr '\n' ' '
}

echo "mutants: preparing the copy in $src"
sync_copy
(cd "$src" && cmake --preset native > "$log" 2>&1 && cmake --preset cross > "$log" 2>&1) ||
  { cat "$log"; echo "mutants: configure failed"; exit 1; }
build_native || { cat "$log"; echo "mutants: the unchanged tree does not build natively"; exit 1; }
build_cross || { cat "$log"; echo "mutants: the unchanged tree does not build for Windows"; exit 1; }
for dir in "$src/build-native" "$src/build"; do
  failed="$(failing_tests "$dir")"
  [ -z "$failed" ] || { cat "$work/ctest.log"; echo "mutants: the unchanged tree fails: $failed"; exit 1; }
done

killed=0 survived=0 broken=0
[ -n "$results" ] && : > "$results"
report() {
  echo "$1"
  [ -n "$results" ] && echo "$1" >> "$results"
  return 0
}
for i in "${!files[@]}"; do
  file="${files[$i]}"
  cp "$src/$file" "$work/original"
  planted_file="$file"
  FRAGMENT="${fragments[$i]}" REPLACEMENT="${replacements[$i]}" perl -0777 -i -pe \
    'my $at = index($_, $ENV{FRAGMENT}); substr($_, $at, length $ENV{FRAGMENT}) = $ENV{REPLACEMENT};' "$src/$file"
  label="line ${lines[$i]}: $file: ${descriptions[$i]:-${fragments[$i]}}"
  killers="" outcome=""
  if ! build_native; then outcome=broken; fi
  if [ -z "$outcome" ] && compiled_something; then killers+="$(failing_tests "$src/build-native" | sed 's/\([^ ][^ ]*\)/native:\1/g')"; fi
  if [ -z "$outcome" ] && ! build_cross; then outcome=broken; fi
  if [ -z "$outcome" ] && compiled_something; then killers+="$(failing_tests "$src/build")"; fi
  restore
  if [ "$outcome" = broken ]; then
    broken=$((broken + 1)); report "broken    $label (does not build)"
  elif [ -n "$(trim "$killers")" ]; then
    killed=$((killed + 1)); report "killed    $label  [$(trim "$killers")]"
  else
    survived=$((survived + 1)); report "survived  $label"
  fi
done

# Leaves both build trees matching the restored sources.
for f in "${files[@]}"; do cmp -s "$root/$f" "$src/$f" || echo "mutants: $f differs from the tree after the run"; done
sync_copy
build_native; build_cross
[ "$(git -C "$root" status --porcelain)" = "$status_before" ] || echo "mutants: the tree's git status changed during the run"
total=$((killed + survived))
score="mutants: $killed killed of $total ($survived survived, $broken broken, $refused refused): $(( total ? killed * 100 / total : 0 ))%"
report "$score"
[ "$refused" = 0 ] && [ "$broken" = 0 ]

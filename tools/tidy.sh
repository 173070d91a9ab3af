#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) over every source file of src/, two at a time, with
# the compile database of a configured and built folder: tools/tidy.sh [BUILD_DIR] [FILE...]
# A file that passed is remembered by the hash of everything that decides its result (its
# compile command, its text and every project header it includes, as the build recorded
# them, the checks and the tool's version), so an unchanged file is not checked again; the
# memory lives in ~/.cache/brindlepad/clang-tidy (BP_TIDY_CACHE names another folder, an
# empty one turns it off).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
shift || true
cache="${BP_TIDY_CACHE-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/brindlepad/clang-tidy}"
tidy="$(command -v clang-tidy || command -v clang-tidy-14)"

# The build's precompiled headers are GCC's, which clang cannot read: the database given to
# clang-tidy names the headers each file includes itself.
database="$build/tidy"
mkdir -p "$database"
sed -E 's# -Winvalid-pch -include [^ "]+cmake_pch\.hxx##' "$build/compile_commands.json" \
  > "$database/compile_commands.json"

if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(cd "$root" && git ls-files 'src/*.cpp')
fi

# Every object's included files, as the build recorded them (empty for another generator).
(cd "$build" && ninja -t deps 2> /dev/null || true) > "$database/deps.txt"
common_key="$( (cat "$root/.clang-tidy"; "$tidy" --version) | sha256sum | cut -d' ' -f1)"
export root build database cache tidy common_key

check_one() {
  local file="$1" key command object
  command="$(grep -F "\"file\": \"$root/$file\"" -B2 "$database/compile_commands.json" |
    grep '"command"' || true)"
  if [ -n "$cache" ]; then
    # The project's headers the file includes, from the build's dependency records; all of
    # src/ when the build has none for it.
    object="$(sed -E 's/.* -o ([^ ]+) .*/\1/' <<< "$command")"
    key="$( (echo "$common_key"; sed "s#$root#ROOT#g" <<< "$command"
      headers="$(awk -v head="$object: #deps" '
        index($0, head) == 1 { found = ($0 ~ /\(VALID\)$/); inside = 1; next }
        inside && !/^ / { exit }
        inside && found && $1 !~ /^\/usr\// { print $1 }' "$database/deps.txt")"
      if [ -z "$headers" ]; then
        cd "$root" && git ls-files -z 'src/*.h' | xargs -0 cat
      else
        cd "$build" && tr '\n' '\0' <<< "$headers" | xargs -0 cat
      fi) | sha256sum | cut -d' ' -f1)"
    [ -f "$cache/$key" ] && return 0
  fi
  if "$tidy" -p "$database" --quiet --extra-arg=-Wno-error "$root/$file" > "$database/${file//\//_}.log" 2>&1; then
    if [ -n "$cache" ]; then
      mkdir -p "$cache"
      : > "$cache/$key"
    fi
  else
    grep -v 'warnings generated\|^Suppressed\|^Use -header-filter\|NOLINT' \
      "$database/${file//\//_}.log" || true
    echo "clang-tidy: $file has findings"
    return 1
  fi
}
export -f check_one

cd "$root"
status=0
printf '%s\n' "${files[@]}" | xargs -P 2 -I{} bash -c 'check_one "$1"' _ {} || status=$?
if [ $status -ne 0 ]; then
  echo "clang-tidy: findings above (fix them, or suppress one with NOLINT and the reason)"
  exit 1
fi
echo "clang-tidy: ${#files[@]} files clean"

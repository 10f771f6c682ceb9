#!/usr/bin/env bash
# Checks what the compiler cannot see about the folders of src/. The build
# already refuses an include of a layer above (each library's include path
# holds only itself and the layers below it, cmake/Layers.cmake); this checks
# the rest, on every file, compiled or not:
#   - every folder of src/ has its place in the order (top first):
#       ui > preview > engine > ..., with cli beside ui (both above preview's
#       place, cli including neither ui nor preview):
#       ui > preview > cli > engine > tasks > profiles > config > base > platform
#     and the encoder stand-in uses nothing but platform;
#   - every include of a project header, however indented, names a folder at
#     or below its own, as "folder/File.h" and never as <folder/File.h>;
#   - no include climbs out of its folder with "../";
#   - no header of a folder includes itself again through others of that
#     folder (an include cycle);
#   - only platform/ (and the stand-in) use <filesystem>, the system's own
#     headers, the target system's macros (_WIN32, __linux__...) or
#     localtime.
# Prints one line per problem, naming the file, and exits 1 if there is one.
#   scripts/check-layers.sh [SRC]     SRC: the folder to check (default src/)
set -euo pipefail
SRC=${1:-"$(dirname "$0")/../src"}
cd "$SRC"

ORDER=(ui preview engine tasks profiles config base platform)
# Front ends beside ui, over the engine: each sees itself and the engine down.
FRONT_ENDS=(cli)
# The folders that may reach the system directly.
SYSTEM_FOLDERS=(platform encoder)

# allowed FOLDER: the folders FOLDER may include.
allowed() {
  local folder=$1 i found=0
  if [ "$folder" = encoder ]; then
    echo "encoder platform"
    return
  fi
  if [[ " ${FRONT_ENDS[*]} " == *" $folder "* ]]; then
    printf '%s ' "$folder"
    folder=engine
  fi
  for i in "${ORDER[@]}"; do
    [ "$i" = "$folder" ] && found=1
    [ $found = 1 ] && printf '%s ' "$i"
  done
  echo
}

bad=0
problem() {
  echo "src/$1: $2"
  bad=1
}

# Every folder has a place.
shopt -s nullglob
known=" ${ORDER[*]} ${FRONT_ENDS[*]} encoder "
for dir in */; do
  dir=${dir%/}
  [[ "$known" == *" $dir "* ]] ||
    problem "$dir/" "folder not placed in the layer order of scripts/check-layers.sh"
done

# The include lines of the sources: file:line:text, indented ones too.
INCLUDE='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]'
includes() {
  grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' "$INCLUDE" "$@" || true
}

# What an include line names, without its delimiters: BASH_REMATCH[1].
NAMED='include[[:space:]]*[<"]([^>"]*)[>"]'

ANGLE='^[[:space:]]*#[[:space:]]*include[[:space:]]*<'
checked=0
declare -A EDGES # "folder/File.h" -> the headers of its own folder it includes
for folder in "${ORDER[@]}" "${FRONT_ENDS[@]}" encoder; do
  [ -d "$folder" ] || continue
  ok=" $(allowed "$folder") "
  while IFS=: read -r file line text; do
    [[ "$text" =~ $NAMED ]] || continue
    name=${BASH_REMATCH[1]}
    where="$file:$line"
    if [[ "$name" == *../* ]]; then
      problem "$where" "includes \"$name\", which leaves its folder with \"..\""
      continue
    fi
    target=${name%%/*}
    if [[ "$name" != */* ]]; then
      # A name without a folder is a file beside it, or a system header.
      if [ -f "$(dirname "$file")/$name" ]; then
        checked=$((checked + 1))
        EDGES[$file]+="$(dirname "$file")/$name "
      fi
      continue
    fi
    [ -d "$target" ] || continue # a system or library header
    checked=$((checked + 1))
    if [[ "$text" =~ $ANGLE ]]; then
      problem "$where" "includes <$name>; a project header is included as \"$name\""
    fi
    if [[ "$ok" != *" $target "* ]]; then
      problem "$where" "$folder includes $target, which is not below it"
    elif [ "$target" = "$folder" ] && [ -f "$name" ]; then
      EDGES[$file]+="$name "
    fi
  done < <(includes "$folder")
done

# Include cycles inside a folder: a depth-first walk over EDGES.
declare -A STATE # 1: on the current path, 2: done
CYCLE_PATH=()
walk() {
  local file=$1 next
  STATE[$file]=1
  CYCLE_PATH+=("$file")
  for next in ${EDGES[$file]:-}; do
    if [ "${STATE[$next]:-0}" = 1 ]; then
      local i chain="" on=0
      for i in "${CYCLE_PATH[@]}"; do
        [ "$i" = "$next" ] && on=1
        [ $on = 1 ] && chain+="$i -> "
      done
      problem "$next" "include cycle: $chain$next"
    elif [ "${STATE[$next]:-0}" = 0 ]; then
      walk "$next"
    fi
  done
  unset 'CYCLE_PATH[${#CYCLE_PATH[@]}-1]'
  STATE[$file]=2
}
for file in $(printf '%s\n' "${!EDGES[@]}" | sort); do
  [ "${STATE[$file]:-0}" = 0 ] && walk "$file"
done

# The system reached only through platform/.
SYSTEM_HEADERS='filesystem|windows\.h|unistd\.h|dlfcn\.h|fcntl\.h|dirent\.h|signal\.h|csignal|poll\.h|spawn\.h|pthread\.h|sys/[a-z]+\.h'
MACROS='_WIN32|_WIN64|__linux__|__APPLE__|__unix__|__MINGW32__|__MINGW64__|__CYGWIN__|_MSC_VER'
for folder in "${ORDER[@]}" "${FRONT_ENDS[@]}"; do
  [[ " ${SYSTEM_FOLDERS[*]} " == *" $folder "* ]] && continue
  [ -d "$folder" ] || continue
  while IFS=: read -r file line text; do
    problem "$file:$line" "reaches the system directly (${text#"${text%%[![:space:]]*}"}); that is for platform/"
  done < <(grep -rnE --include='*.h' --include='*.cpp' \
    -e "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($SYSTEM_HEADERS)>" \
    -e "^[[:space:]]*#[[:space:]]*(if|ifdef|ifndef|elif).*\\b($MACROS)\\b" \
    -e "\\blocaltime(_r|_s)?[[:space:]]*\\(" -e "std::filesystem" "$folder" || true)
done

if [ $bad = 0 ]; then
  echo "check-layers: $checked includes follow the order ${ORDER[*]} (${FRONT_ENDS[*]}: beside ui; encoder: platform)," \
    "no cycles, the system only through platform/"
fi
exit $bad

#!/usr/bin/env bash
# Checks that every folder of src/ includes only itself and the folders below
# it, in this order (top first):
#   ui > preview > engine > tasks > profiles > config > base > platform
# and that the encoder stand-in uses nothing but base and platform.
# Prints each include that breaks the order and exits 1 if there is one.
set -euo pipefail
cd "$(dirname "$0")/../src"

ORDER=(ui preview engine tasks profiles config base platform)

# allowed FOLDER: the folders FOLDER may include.
allowed() {
  local folder=$1 i found=0
  if [ "$folder" = encoder ]; then
    echo "encoder base platform"
    return
  fi
  for i in "${ORDER[@]}"; do
    [ "$i" = "$folder" ] && found=1
    [ $found = 1 ] && printf '%s ' "$i"
  done
  echo
}

bad=0
checked=0
for folder in "${ORDER[@]}" encoder; do
  [ -d "$folder" ] || continue
  ok=" $(allowed "$folder") "
  while IFS=: read -r file line text; do
    checked=$((checked + 1))
    target=$(sed -E 's|.*#include "([a-z]+)/.*|\1|' <<<"$text")
    if [[ "$ok" != *" $target "* ]]; then
      echo "src/$file:$line: $folder includes $target, which is not below it"
      bad=1
    fi
  done < <(grep -rnE '^#include "[a-z]+/' "$folder" || true)
done
if [ $bad = 0 ]; then
  echo "check-layers: $checked includes follow the order ${ORDER[*]} (encoder: base platform)"
fi
exit $bad

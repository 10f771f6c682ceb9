#!/usr/bin/env bash
# scripts/check-layers.sh on small scratch trees: a sound one passes, and each
# mistake the compiler cannot see (or that slips past it) fails, with a line
# that names the file and the problem.
set -euo pipefail
CHECK="$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-layers.sh"
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT

# A sound tree: each folder includes the one below it.
sound() {
  local src=$SCRATCH/$1/src
  mkdir -p "$src"/{platform,base,config,engine,ui,encoder}
  echo '#pragma once' >"$src/platform/Files.h"
  printf '#pragma once\n#include "platform/Files.h"\n#include <string>\n' >"$src/base/Text.h"
  printf '#pragma once\n#include "base/Text.h"\n' >"$src/config/Ini.h"
  printf '#include "config/Ini.h"\n#include "Ini.h"\n' >"$src/config/Ini.cpp"
  printf '#pragma once\n#include "config/Ini.h"\n' >"$src/engine/Runner.h"
  printf '#include "engine/Runner.h"\n' >"$src/ui/Main.cpp"
  printf '#include "platform/Files.h"\n' >"$src/encoder/Main.cpp"
  echo "$src"
}

failures=0
# expect NAME EXPECTED-TEXT: the check of tree NAME fails and says EXPECTED-TEXT.
expect() {
  local out status=0
  out=$(bash "$CHECK" "$SCRATCH/$1/src" 2>&1) || status=$?
  if [ $status -ne 1 ] || ! grep -qF -- "$2" <<<"$out"; then
    echo "FAIL $1: expected exit 1 and \"$2\"; got exit $status:"
    echo "$out"
    failures=$((failures + 1))
  else
    echo "ok   $1: $(grep -F -- "$2" <<<"$out" | head -n 1)"
  fi
}

src=$(sound clean)
if ! out=$(bash "$CHECK" "$src" 2>&1); then
  echo "FAIL clean: a sound tree was refused:"
  echo "$out"
  failures=$((failures + 1))
fi

src=$(sound angle)
sed -i '1a #include <engine/Runner.h>' "$src/config/Ini.h"
expect angle 'src/config/Ini.h:2: includes <engine/Runner.h>'

src=$(sound indented)
sed -i '1a \ \ #  include "engine/Runner.h"' "$src/config/Ini.h"
expect indented 'src/config/Ini.h:2: config includes engine, which is not below it'

src=$(sound climbing)
sed -i '1a #include "../engine/Runner.h"' "$src/config/Ini.h"
expect climbing 'src/config/Ini.h:2: includes "../engine/Runner.h"'

src=$(sound unlisted)
mkdir "$src/web"
printf '#include "engine/Runner.h"\n' >"$src/web/Main.cpp"
expect unlisted 'src/web/: folder not placed in the layer order'

src=$(sound cycle)
printf '#pragma once\n#include "config/B.h"\n' >"$src/config/A.h"
printf '#pragma once\n#include "C.h"\n' >"$src/config/B.h"
printf '#pragma once\n#include "config/A.h"\n' >"$src/config/C.h"
expect cycle 'src/config/A.h: include cycle: config/A.h -> config/B.h -> config/C.h -> config/A.h'

src=$(sound system)
sed -i '1a #ifdef _WIN32\n#endif' "$src/base/Text.h"
expect system 'src/base/Text.h:2: reaches the system directly (#ifdef _WIN32)'

src=$(sound encoder)
sed -i '1a #include "base/Text.h"' "$src/encoder/Main.cpp"
expect encoder 'src/encoder/Main.cpp:2: encoder includes base, which is not below it'

# The command line stands beside the window: neither sees the other.
src=$(sound cli-sees-ui)
mkdir "$src/cli"
printf '#include "engine/Runner.h"\n#include "ui/Main.h"\n' >"$src/cli/Main.cpp"
expect cli-sees-ui 'src/cli/Main.cpp:2: cli includes ui, which is not below it'

src=$(sound ui-sees-cli)
mkdir "$src/cli"
echo '#pragma once' >"$src/cli/Run.h"
sed -i '1a #include "cli/Run.h"' "$src/ui/Main.cpp"
expect ui-sees-cli 'src/ui/Main.cpp:2: ui includes cli, which is not below it'

[ $failures = 0 ] && echo "check-layers refuses each mistake"
exit $((failures > 0))

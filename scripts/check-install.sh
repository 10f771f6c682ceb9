#!/usr/bin/env bash
# Installs the program into a scratch folder (DESTDIR, prefix /usr) and checks
# the installed layout: every expected file is there and nothing else, the
# programs are executable, the icons have their sizes, the manual's links
# resolve, the desktop entry passes desktop-file-validate and the metainfo
# passes appstreamcli (each validator where installed), the installed window
# and command line run with a scratch HOME, and the Debian package builds with
# the same files and passes lintian with no errors. Prints a summary and
# exits non-zero on any failure.
# The build folder is build/ unless TARVOLIN_BUILD names another; it must be
# built already (scripts/build.sh).
set -uo pipefail
cd "$(dirname "$0")/.."
build=${TARVOLIN_BUILD:-build}
app_id=io.github.tarvolin.Tarvolin
icon_sizes=(16 22 24 32 48 64 128 256)

dest=$(mktemp -d /tmp/tarvolin-install.XXXX)
trap 'rm -rf "$dest"' EXIT
root=$dest/usr
passed=0
failed=0
skipped=()
# A validator's own text shows only when it fails.
quiet() {
  local out
  out=$("$@" 2>&1) || {
    echo "$out" >&2
    return 1
  }
}
check() { # description, command...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what" >&2
  fi
}

# Always into the scratch folder: DESTDIR is set for this one command.
if ! DESTDIR="$dest" cmake --install "$build" --prefix /usr >"$dest/install.log" 2>&1; then
  cat "$dest/install.log" >&2
  echo "check-install: cmake --install failed (is $build built?)" >&2
  exit 1
fi

# The layout: exactly these files.
expected=(
  bin/tarvolin
  bin/tarvolin-cli
  lib/tarvolin/wmaspi.dll
  share/man/man1/tarvolin.1.gz
  share/man/man1/tarvolin-cli.1.gz
  share/doc/tarvolin/copyright
  share/doc/tarvolin/changelog.Debian.gz
  share/applications/$app_id.desktop
  share/metainfo/$app_id.metainfo.xml
)
for size in "${icon_sizes[@]}"; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/tarvolin.png")
done
for profile in Profiles/*.apf; do
  expected+=("share/tarvolin/$profile")
done
for page in docs/manual/* docs/screenshot.png; do
  expected+=("share/tarvolin/manual/${page##*/}")
done
for file in "${expected[@]}"; do
  check "missing: /usr/$file" test -f "$root/$file"
done
unexpected=$(comm -13 <(printf '%s\n' "${expected[@]}" | sort) \
  <(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort))
check "not expected: $(echo $unexpected)" test -z "$unexpected"

# The program finds the encoder and its data from its own folder.
check "bin/tarvolin is not executable" test -x "$root/bin/tarvolin"
check "bin/tarvolin-cli is not executable" test -x "$root/bin/tarvolin-cli"
check "bin/../lib/tarvolin/wmaspi.dll is not executable" \
  test -x "$root/bin/../lib/tarvolin/wmaspi.dll"
check "bin/../share/tarvolin/manual/index.html is missing" \
  test -f "$root/bin/../share/tarvolin/manual/index.html"

for size in "${icon_sizes[@]}"; do
  icon=$root/share/icons/hicolor/${size}x${size}/apps/tarvolin.png
  check "icon ${size}x${size} has another size" \
    grep -q "PNG image data, $size x $size" <(file "$icon")
done

# Every local link and picture of the manual names an installed file.
manual=$root/share/tarvolin/manual
broken=$(cd "$manual" && grep -oh -E '(href|src)="[^"#:]+' *.html | sed 's/^[a-z]*="//' |
  sort -u | while read -r target; do [ -e "$target" ] || echo "$target"; done)
check "manual links to missing files: $(echo $broken)" test -z "$broken"

desktop=$root/share/applications/$app_id.desktop
if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate $app_id.desktop" quiet desktop-file-validate "$desktop"
else
  skipped+=("desktop-file-validate (install desktop-file-utils)")
fi
check "the desktop entry does not start tarvolin" grep -qx 'Exec=tarvolin %F' "$desktop"
check "the desktop entry's icon is not tarvolin" grep -qx 'Icon=tarvolin' "$desktop"
if command -v appstreamcli >/dev/null; then
  check "appstreamcli validate $app_id.metainfo.xml" \
    quiet appstreamcli validate --no-net "$root/share/metainfo/$app_id.metainfo.xml"
else
  skipped+=("appstreamcli validate (install appstream)")
fi

# The installed program run headless with a temporary HOME: it keeps its
# preferences and profiles in that home's .config/tarvolin and writes nothing
# in the install tree. SIGTERM closes its window as the close box does.
{
  home=$dest/home
  mkdir -p "$home"
  before=$(cd "$root" && find . -printf '%p %s %T@\n' | sort)
  HOME=$home XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen "$root/bin/tarvolin" \
    >"$dest/run.log" 2>&1 </dev/null &
  pid=$!
  for _ in $(seq 100); do # the shipped profiles are copied before the window shows
    [ -f "$home/.config/tarvolin/Profiles/.shipped-profiles" ] && break
    sleep 0.1
  done
  sleep 1
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 100); do # a window stuck in a message box would not end
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null && echo "check-install: the program did not end; killed" >&2
  status=0
  wait "$pid" || status=$?
  check "the installed program did not end normally on SIGTERM (status $status)" test "$status" = 0
  check "no Preferences.ini in \$HOME/.config/tarvolin" test -f "$home/.config/tarvolin/Preferences.ini"
  shipped=$(ls "$root/share/tarvolin/Profiles" | wc -l)
  copied=$(ls "$home/.config/tarvolin/Profiles" | wc -l)
  check "$copied of $shipped shipped profiles in \$HOME/.config/tarvolin/Profiles" \
    test "$copied" = "$shipped"
  after=$(cd "$root" && find . -printf '%p %s %T@\n' | sort)
  check "the program wrote in the install tree: $(diff <(echo "$before") <(echo "$after") | head -3)" \
    test "$before" = "$after"
}

# The installed command line with a scratch HOME and no profiles of the
# user's: it lists and converts with the shipped profiles where they lie, and
# writes nothing but its batch log (in the state folder): no settings, no
# copied profiles, nothing in the install tree.
{
  home=$dest/cli-home
  mkdir -p "$home"
  before=$(cd "$root" && find . -printf '%p %s %T@\n' | sort)
  cli() { HOME=$home XDG_CONFIG_HOME= XDG_STATE_HOME= "$root/bin/tarvolin-cli" "$@" </dev/null; }
  listed=$(cli --list-profiles 2>&1)
  check "tarvolin-cli --list-profiles does not list the shipped profiles: $listed" \
    test "$(echo "$listed" | wc -l)" = "$(ls "$root/share/tarvolin/Profiles" | wc -l)"
  ffmpeg -nostdin -v error -f lavfi -i testsrc=size=160x120:rate=25:duration=1 \
    -c:v mpeg4 "$dest/clip.avi" && mkdir -p "$dest/cli-out" &&
    cli -q -p "PSP - MP4 MPEG-4 320x240" -o "$dest/cli-out" "$dest/clip.avi" >"$dest/cli.log" 2>&1
  status=$?
  check "the installed tarvolin-cli did not convert (status $status): $(tail -2 "$dest/cli.log")" \
    test "$status" = 0 -a -s "$dest/cli-out/clip.mp4"
  check "tarvolin-cli wrote in \$HOME/.config: $(cd "$home" && find .config 2>/dev/null | head -3)" \
    test ! -e "$home/.config"
  check "tarvolin-cli left no batch log in \$HOME/.local/state/tarvolin/logs" \
    test -n "$(ls "$home/.local/state/tarvolin/logs" 2>/dev/null)"
  after=$(cd "$root" && find . -printf '%p %s %T@\n' | sort)
  check "tarvolin-cli wrote in the install tree: $(diff <(echo "$before") <(echo "$after") | head -3)" \
    test "$before" = "$after"
}

# The Debian package: built by CPack from the same install rules, it holds
# the same files, names ffmpeg among its dependencies and passes lintian with
# no errors.
if command -v cpack >/dev/null && command -v dpkg-deb >/dev/null; then
  rm -f "$build"/packages/tarvolin_*.deb
  if (cd "$build" && cpack -G DEB) >"$dest/cpack.log" 2>&1; then
    deb=$(ls "$build"/packages/tarvolin_*.deb)
    in_deb=$(dpkg-deb -c "$deb" | grep -v '^d' | sed -E 's|^[^.]* \./usr/||' | sort)
    installed=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
    check "the package's files differ from the installed ones: $(diff <(echo "$in_deb") <(echo "$installed") | head -3)" \
      test "$in_deb" = "$installed"
    check "the package does not depend on ffmpeg: $(dpkg-deb -f "$deb" Depends)" \
      grep -qw ffmpeg <<<"$(dpkg-deb -f "$deb" Depends)"
    if command -v lintian >/dev/null; then
      # Root is warned about; the warning is no finding.
      lintian "$deb" >"$dest/lintian.log" 2>&1
      errors=$(grep '^E: ' "$dest/lintian.log")
      check "lintian finds errors in the package: $errors" test -z "$errors"
      grep -E '^[WI]: ' "$dest/lintian.log" | sed 's/^/check-install: lintian: /'
    else
      skipped+=("lintian (install lintian)")
    fi
  else
    cat "$dest/cpack.log" >&2
    check "cpack -G DEB failed" false
  fi
else
  skipped+=("the Debian package (install cmake and dpkg-dev)")
fi

echo "check-install: $passed passed, $failed failed (installed into a scratch DESTDIR, prefix /usr)"
for s in "${skipped[@]}"; do
  echo "check-install: skipped $s"
done
[ "$failed" -eq 0 ]

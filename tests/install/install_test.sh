#!/usr/bin/env bash
# Installs the built tree into a temporary root (or unpacks the Debian package given as the third
# argument) and checks it as a player would meet it: only the run-time files are there, the
# desktop entry, man pages and completions are valid, and the installed programs build and play
# a game without anything from the build tree.
#   install_test.sh BUILD_DIR SOURCE_DIR [PACKAGE.deb]
set -euo pipefail

build=$1
source=$2
package=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

root=$work/root
if [ -n "$package" ]; then
  dpkg-deb -x "$package" "$root"
  prefix=/usr
else
  prefix=$root/usr
  cmake --install "$build" --prefix "$prefix" >"$work/install.log"
fi
installed=$root/usr

# Exactly the run-time files: a stray library, header or test program fails here.
expected="bin/tolven
bin/tolven-tool
libexec/tolven/tolven-launcher
share/applications/tolven.desktop
share/bash-completion/completions/tolven
share/bash-completion/completions/tolven-tool
share/icons/hicolor/scalable/apps/tolven.svg
share/man/man1/tolven-tool.1
share/man/man6/tolven.6"
actual=$(cd "$installed" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
  fail "installed files differ from the expected list:"
  diff <(echo "$expected") <(echo "$actual") >&2 || true
fi

desktop=$installed/share/applications/tolven.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
exec_line=$(grep '^Exec=' "$desktop")
if [ "$exec_line" != "Exec=\"$prefix/libexec/tolven/tolven-launcher\" %f" ]; then
  fail "the desktop entry does not start the installed launcher: $exec_line"
fi

for page in man1/tolven-tool.1 man6/tolven.6; do
  warnings=$(LC_ALL=C.UTF-8 man --warnings -l "$installed/share/man/$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man page $page: $warnings"
done

for program in tolven tolven-tool; do
  registered=$(bash -c "source '$installed/share/bash-completion/completions/$program' && complete -p $program" 2>&1) ||
    fail "the completion of $program does not load: $registered"
done

# The launcher starts the tolven installed beside it, whatever the PATH holds.
versions=$(PATH=/usr/bin:/bin "$installed/libexec/tolven/tolven-launcher" --version) ||
  fail "the launcher could not start the installed tolven"
for library in "tolven " "SDL " "FreeType " "libjpeg" "libvorbis " "libmpv "; do
  grep -q "^${library}[^ ]*.*[0-9]" <<<"$versions" || fail "--version does not name $library: $versions"
done

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY
tool=$installed/bin/tolven-tool
tolven=$installed/bin/tolven

# A small game of known contents for --diagnose: two scripts, three effects, a file that is no
# archive at all.
mkdir -p "$work/src/scripts" "$work/effects"
printf 'main2\n' >"$work/src/scripts/main.txt"
printf 'end\n' >"$work/src/scripts/main2.txt"
"$tool" build-game "$work/src" "$work/game" >/dev/null
for name in A B C; do printf '%s' "$name$name$name" >"$work/effects/$name.bin"; done
"$tool" pack --layout B -o "$work/game/qe_se1.tvk" "$work/effects"/*.bin
printf 'not an archive' >"$work/game/qe_gra3.tvk"
report=$("$tolven" --diagnose --config-dir "$work/config" "$work/game") ||
  fail "--diagnose failed"
for line in "  qe_data.tvk: 2 entries" "  qe_se1.tvk: 3 entries" \
  "  qe_gra3.tvk: no entries the engine reads (an unknown name, or a damaged index)" \
  "save folder: $work/game/save (not made yet)" \
  "settings file: $work/config/peluna2.ini (not written yet: defaults)" \
  "video driver: dummy" "audio driver: dummy, heard nowhere"; do
  grep -qxF -- "$line" <<<"$report" || fail "--diagnose lacks \"$line\":
$report"
done
report=$("$tolven" --diagnose --save-dir "$work/saves" "$work/game") || fail "--diagnose failed"
grep -qxF "save folder: $work/saves (not made yet)" <<<"$report" ||
  fail "--diagnose does not follow --save-dir:
$report"

# The sample game, built and played through its title with the installed programs only.
"$tool" build-game "$source/samples/demo" "$work/demo" >/dev/null
"$tolven" --headless --events "$source/samples/demo/events/title-quit.events" \
  --config-dir "$work/config" "$work/demo" || fail "the sample's title-quit run failed ($?)"
[ -f "$work/demo/save/save0.dat" ] || fail "the sample run kept no progress in its save folder"

if [ "$failures" -ne 0 ]; then
  echo "$failures failed" >&2
  exit 1
fi
echo "install checks passed${package:+ for $package}"

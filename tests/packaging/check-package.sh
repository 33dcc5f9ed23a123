#!/usr/bin/env bash
# The Debian package, from a finished build folder: built by cpack, checked by lintian (no
# errors), its desktop entry and AppStream description validated, installed with apt, its
# programs run from /usr/bin, and removed again leaving no file behind. It installs into this
# machine, so it runs only as root with apt, and is skipped elsewhere.
#   check-package.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build=$2
skip() {
  echo "SKIP: $* (the package test installs the package into this machine)"
  exit 77
}
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
[ "$(id -u)" -eq 0 ] || skip "not root"
command -v apt-get >/dev/null || skip "no apt-get"
for tool in cpack dpkg-shlibdeps lintian desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || skip "$tool is missing (scripts/bootstrap test installs it)"
done
if dpkg-query -W -f='${Status}' velmar-toolkit 2>/dev/null | grep -q 'ok installed'; then
  skip "velmar-toolkit is installed already, and this test removes only what it installed"
fi

work=$(mktemp -d)
chmod 755 "$work" # apt reads the package as its own user
installed=false
cleanup() {
  if $installed; then
    apt-get purge -y -qq velmar-toolkit >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
apt_get() { DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Lock::Timeout=300 "$@"; }

# Built from the build folder as it is, staged in a folder of its own.
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
deb=$(echo "$work"/velmar-toolkit_*.deb)
[ -f "$deb" ] || fail "cpack made no velmar-toolkit_*.deb"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt in Depends: $(dpkg-deb -f "$deb" Depends)"

lintian --fail-on error "$deb" || fail "lintian found errors"
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/velmar-toolkit.desktop" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.velmar.toolkit.metainfo.xml" ||
  fail "appstreamcli validate"

# The package's paths that are not on the machine yet: all of them must go with it.
new_paths=()
while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || new_paths+=("$path")
done < <(cd "$work/root" && find . -mindepth 1 | sed 's/^\.//')

apt_get install "$deb" >"$work/apt.log" 2>&1 || fail "apt-get install: $(cat "$work/apt.log")"
installed=true
for path in "${new_paths[@]}"; do
  dpkg -L velmar-toolkit | grep -qxF "$path" || fail "dpkg -L velmar-toolkit lacks $path"
  [ -e "$path" ] || fail "not installed: $path"
done
[ "$(man -w velmar)" = /usr/share/man/man1/velmar.1.gz ] || fail "man -w velmar: $(man -w velmar)"

/usr/bin/velmar --help | grep -q '^  convert ' || fail "velmar --help lists no convert"
/usr/bin/velmar-plotter-sim --help >/dev/null || fail "velmar-plotter-sim --help"
mkdir "$work/installed" "$work/built"
for velmar in /usr/bin/velmar "$build/cli/velmar"; do
  out=$work/built
  [ "$velmar" = /usr/bin/velmar ] && out=$work/installed
  "$velmar" convert --from s41 --to hub --out "$out" "$source_dir/examples/harbour-tour.s41" \
    >/dev/null || fail "$velmar convert"
done
cmp "$work/installed/harbour-tour.s41.hub" "$work/built/harbour-tour.s41.hub" ||
  fail "the installed velmar converts differently from the built one"

[ "$(/usr/bin/velmar-toolkit --version)" = "velmar-toolkit $(dpkg-deb -f "$deb" Version)" ] ||
  fail "velmar-toolkit --version: $(/usr/bin/velmar-toolkit --version)"
# Started offscreen with a file, it runs until it is closed.
status=0
mkdir -m 700 "$work/runtime"
(cd "$work" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" \
  timeout 5 /usr/bin/velmar-toolkit "$source_dir/examples/harbor-day.hub") || status=$?
[ "$status" -eq 124 ] || fail "velmar-toolkit ended by itself with status $status"
# Without a display it names the installed commands.
hint=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/velmar-toolkit 2>&1) &&
  fail "velmar-toolkit without a display exited 0"
grep -qF "'xvfb-run -a velmar-toolkit', or use the command line: velmar --help" <<<"$hint" ||
  fail "without a display: $hint"

apt_get purge velmar-toolkit >"$work/apt.log" 2>&1 || fail "apt-get purge: $(cat "$work/apt.log")"
installed=false
for path in "${new_paths[@]}"; do
  [ ! -e "$path" ] && [ ! -L "$path" ] || fail "left behind after removal: $path"
done
echo "velmar-toolkit package: built, checked, installed, run and removed without a trace"

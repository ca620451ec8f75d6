#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands there; then builds the Debian
# package and checks its control fields and contents.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$work/root" > "$work/install.log"
for f in bin/rimvista bin/rimvista-batch share/applications/rimvista.desktop \
         share/icons/hicolor/scalable/apps/rimvista.svg share/man/man1/rimvista.1 \
         share/man/man1/rimvista-batch.1 share/bash-completion/completions/rimvista-batch \
         share/zsh/vendor-completions/_rimvista-batch \
         share/fish/vendor_completions.d/rimvista-batch.fish; do
  [ -s "$work/root/$f" ] || fail "$f is not installed"
done
for s in 16 32 48 64 128 256; do
  png="$work/root/share/icons/hicolor/${s}x${s}/apps/rimvista.png"
  [ "$(identify -format '%w %h' "$png")" = "$s $s" ] || fail "icon $s is not ${s}x${s}"
done
[ -x "$work/root/bin/rimvista" ] || fail "rimvista is not executable"
desktop=$work/root/share/applications/rimvista.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the desktop entry"
grep -qx 'Exec=rimvista %f' "$desktop" || fail "Exec line"
grep -qx 'MimeType=image/bmp;image/jpeg;' "$desktop" || fail "MimeType line"
grep -q '^Name\[ja\]=' "$desktop" && grep -q '^Comment\[ja\]=' "$desktop" || fail "Japanese name"
for page in rimvista rimvista-batch; do
  man -l "$work/root/share/man/man1/$page.1" > /dev/null 2> "$work/man.err" || fail "man $page"
  [ ! -s "$work/man.err" ] || { cat "$work/man.err"; fail "man $page warns"; }
done
"$work/root/bin/rimvista-batch" --help > /dev/null || fail "the installed rimvista-batch does not run"

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" > cpack.log) \
  || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/pkg/rimvista_*.deb)
[ "$(dpkg-deb -f "$deb" Package)" = rimvista ] || fail "Package field"
[ -n "$(dpkg-deb -f "$deb" Version)" ] || fail "Version field"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libturbojpeg0 libc6 qt6-qpa-plugins fonts-noto-cjk; do
  grep -q "$lib" <<< "$depends" || fail "Depends lacks $lib: $depends"
done
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/rimvista ./usr/bin/rimvista-batch ./usr/share/applications/rimvista.desktop \
         ./usr/share/icons/hicolor/256x256/apps/rimvista.png ./usr/share/man/man1/rimvista.1 \
         ./usr/share/man/man1/rimvista-batch.1 ./usr/share/bash-completion/completions/rimvista-batch; do
  grep -q " $f" <<< "$contents" || fail "$f is not in the package"
done
echo "installed tree and $(basename "$deb") are complete"

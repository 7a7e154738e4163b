#!/bin/sh
# Builds the Debian package into a scratch folder and checks what it holds: every program in
# usr/bin (stripped), its manual page, the README, and the control data (name, version,
# architecture, declared library dependencies).
#
#   package_test.sh BUILD_DIR VERSION PROGRAM...
set -eu
build=$1
version=$2
shift 2
command -v dpkg-deb >/dev/null 2>&1 || { echo "dpkg-deb not found: skipped"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
arch=$(dpkg --print-architecture)
deb="$work/trimorph_${version}_${arch}.deb"
[ -f "$deb" ] || { echo "no package $deb"; ls "$work"; exit 1; }

fail=0
problem() { echo "$*"; fail=1; }

dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./||' >"$work/contents"
has() { grep -qx "$1" "$work/contents" || problem "package lacks $1"; }
for p in "$@"; do
  has "usr/bin/$p"
  has "usr/share/man/man1/$p.1"
done
has usr/share/doc/trimorph/README.md
has usr/share/doc/trimorph/docs/tram.png
# Nothing but the programs, their pages and the README with its picture.
extra=$(grep -v -e '/$' -e '^usr/bin/' -e '^usr/share/man/man1/' -e '^usr/share/doc/trimorph/README.md$' \
  -e '^usr/share/doc/trimorph/docs/tram.png$' "$work/contents" || true)
[ -z "$extra" ] || problem "unexpected files in the package: $extra"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = trimorph ] || problem "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || problem "Version is $(field Version), not $version"
[ "$(field Architecture)" = "$arch" ] || problem "Architecture is $(field Architecture)"
case "$(field Depends)" in
  *libc6*) ;;
  *) problem "Depends does not declare the C library: $(field Depends)" ;;
esac

dpkg-deb --extract "$deb" "$work/root"
for p in "$@"; do
  if readelf -S "$work/root/usr/bin/$p" | grep -q '\.debug_'; then
    problem "usr/bin/$p keeps debug information"
  fi
done
exit $fail

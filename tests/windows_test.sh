#!/bin/sh
# The Windows build against the Linux one, run on the build machine:
# - the zip holds every program and the README, and the programs need no DLL besides those of
#   Windows itself;
# - the Windows converter, run under Wine, writes the same shape files byte for byte as the
#   Linux converter (of the sample and of every benchmark model), and fails with the same report
#   (its lines ended by CR LF, as standard output is a text stream on Windows), the same reason
#   on standard error and the same status;
# - the Windows inspector reports the same as the Linux one.
#
#   windows_test.sh ZIP OBJDUMP LINUX_BUILD_DIR SOURCE_DIR WINE_PREFIX PROGRAM.exe...
#
# The Windows programs run through tools/wine-run in WINE_PREFIX. Without a Linux build
# (LINUX_BUILD_DIR empty or without trimorph) the conversions are not compared, and the test
# counts as skipped.
set -eu
zip=$1
objdump=$2
linux=$3
source=$4
prefix=$5
shift 5
wine_run=$source/tools/wine-run

fail=0
problem() { echo "$*"; fail=1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The zip: every program and the README in its one folder.
name=$(basename "$zip" .zip)
unzip -Z1 "$zip" >"$work/listing" || problem "cannot list $zip"
for exe in "$@"; do
  grep -qx "$name/$(basename "$exe")" "$work/listing" || problem "zip lacks $(basename "$exe")"
  # Windows' own DLLs only: the C++ and thread libraries are linked in.
  for dll in $("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    case $(echo "$dll" | tr 'A-Z' 'a-z') in
      kernel32.dll | msvcrt.dll | advapi32.dll | user32.dll | shell32.dll | ws2_32.dll | ntdll.dll) ;;
      *) problem "$(basename "$exe") needs $dll" ;;
    esac
  done
done
grep -qx "$name/README.md" "$work/listing" || problem "zip lacks README.md"

if [ -z "$linux" ] || [ ! -x "$linux/trimorph" ]; then
  echo "no Linux build to compare with: the conversions were not compared"
  [ $fail -eq 0 ] && exit 77
  exit 1
fi

windows_trimorph=""
for exe in "$@"; do
  [ "$(basename "$exe")" = trimorph.exe ] && windows_trimorph=$exe
done

# Both converters in one folder with the same relative names, each writing its own output
# and its own standard output and error.
mkdir "$work/linux" "$work/windows"
cp "$source"/samples/tram50.3ds "$source"/samples/tram200.3ds "$source"/samples/tram1000.3ds \
  "$work/linux/"
cp "$work/linux/tram50.3ds" "$work/linux/tram.3ds"
head -c 300 "$work/linux/tram50.3ds" >"$work/linux/cut50.3ds"
"$linux/tools/make_bench" "$work/linux" all >/dev/null
cp "$work/linux"/*.3ds "$work/windows/"

# The program that run() starts, trimorph unless named otherwise; the Windows programs are all in
# the Windows converter's folder, as the Linux ones are in the Linux build's.
program=trimorph
run() {
  what=$1
  shift
  (cd "$work/linux" && "$linux/$program" "$@" >../linux.out 2>../linux.err) && ls=0 || ls=$?
  (cd "$work/windows" &&
    "$wine_run" "$prefix" "$(dirname "$windows_trimorph")/$program.exe" "$@" >../windows.out \
      2>../windows.err) && ws=0 || ws=$?
  [ "$ls" = "$ws" ] || problem "$what: status $ws on Windows, $ls on Linux"
  if grep -q "$(printf '[^\r]$')" "$work/windows.out"; then
    problem "$what: a line of standard output on Windows does not end in CR LF"
  fi
  tr -d '\r' <"$work/windows.out" >"$work/windows.lf"
  cmp -s "$work/linux.out" "$work/windows.lf" || {
    problem "$what: standard output differs"
    diff "$work/linux.out" "$work/windows.lf" || true
  }
  tr -d '\r' <"$work/windows.err" >"$work/windows.errlf"
  cmp -s "$work/linux.err" "$work/windows.errlf" || {
    problem "$what: standard error differs"
    diff "$work/linux.err" "$work/windows.errlf" || true
  }
}

same_shape() {
  if [ ! -f "$work/linux/$1" ] || [ ! -f "$work/windows/$1" ]; then
    problem "$1 was not written by both"
  elif ! cmp "$work/linux/$1" "$work/windows/$1"; then
    problem "$1 differs"
  fi
  # The benchmark models' shape files are tens of megabytes each.
  rm -f "$work/linux/$1" "$work/windows/$1"
}

run "the sample" tram.s tram50.3ds tram200.3ds tram1000.3ds
same_shape tram.s
run "the sample's nearest level" tram50.s tram50.3ds
same_shape tram50.s
run "the medium benchmark model" medium.s medium50.3ds medium300.3ds medium2000.3ds
same_shape medium.s
run "the large benchmark model" large.s large50.3ds large300.3ds large2000.3ds
same_shape large.s
run "the very deep hierarchy" deep.s deep50.3ds
same_shape deep.s
run "the very many materials" groups.s groups50.3ds
same_shape groups.s
run "the banner"
run "a level without distance" out.s tram.3ds
run "a missing level" out.s tram50.3ds missing100.3ds
run "a level cut short" out.s cut50.3ds
run "the output name forgotten" tram50.3ds tram200.3ds
for f in out.s cut50.s; do
  [ ! -e "$work/windows/$f" ] || problem "a failed conversion left $f on Windows"
done

# The inspector's reports, of a sound set and of a cut level beside a missing one.
program=trimorph-inspect
run "the sample's inspection" --json --tree tram50.3ds tram200.3ds tram1000.3ds
run "the inspection of a level cut short" --tree cut50.3ds missing200.3ds
exit $fail

#!/bin/sh
# The SDK package as a game team gets it, seen from this build tree's
# architecture: tools/package packs both build trees (this one and its
# sibling of the other architecture), the zip is unpacked in a clean folder,
# both samples are built for this architecture with the cross compiler
# against what the zip holds alone, a caller is linked with lld-link against
# the Microsoft-format import library of each machine, and this
# architecture's programs run under Wine with their windows answered by
# package-answer.exe. A sample given the other architecture's DLL must say so.
# Usage: package_test.sh SOURCE_DIR BUILD_DIR
set -u
src=$(cd "$1" && pwd)
TOVIK_BUILD=$(cd "$2" && pwd)
. "$src/tools/wine-env"
arch=$tovik_arch
build_root=$(dirname "$TOVIK_BUILD")
case $arch in
x86) other=x64 cc=i686-w64-mingw32-gcc cxx=i686-w64-mingw32-g++ ;;
*) other=x86 cc=x86_64-w64-mingw32-gcc cxx=x86_64-w64-mingw32-g++ ;;
esac
answer="$TOVIK_BUILD/bin/package-answer.exe"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# check TRACE TEXT PATTERN: TEXT holds a line matching the grep pattern.
check() {
    printf '%s\n' "$2" | tr -d '\r' | LC_ALL=C grep -q -- "$3" || fail "$1: no line matching '$3' in:
$2"
}

# --- pack and unpack -------------------------------------------------------
TOVIK_BUILD_ROOT=$build_root sh "$src/tools/package" --no-build --dist "$work/dist" >/dev/null ||
    { echo "FAIL: tools/package"; exit 1; }
version=$(cat "$TOVIK_BUILD/tovik-version")
zip_file=$(ls "$work"/dist/TovikDlg-*-sdk.zip 2>/dev/null)
[ "$(basename "$zip_file")" = "TovikDlg-$version-sdk.zip" ] || fail "zip name: '$zip_file'"
mkdir "$work/unpacked"
(cd "$work/unpacked" && unzip -q "$zip_file") || { echo "FAIL: unzip"; exit 1; }
pkg=$work/unpacked/TovikDlg-$version-sdk

listing=$(cd "$pkg" && find . -type f | LC_ALL=C sort | tr '\n' ' ')
expected="./INTEGRATION.md \
./bin/x64/TovikDlg.dll ./bin/x64/tovik-claimcheck.exe ./bin/x64/tovik-host.exe ./bin/x64/tovik-preview.exe \
./bin/x86/TovikDlg.dll ./bin/x86/tovik-claimcheck.exe ./bin/x86/tovik-host.exe ./bin/x86/tovik-preview.exe \
./include/TovikDlg.h ./lib/TovikDlg.def \
./lib/x64/TovikDlg.lib ./lib/x64/libTovikDlg.dll.a ./lib/x86/TovikDlg.lib ./lib/x86/libTovikDlg.dll.a \
./samples/Claim.txt ./samples/link_import.c ./samples/load_at_runtime.c "
[ "$listing" = "$expected" ] || fail "files in the zip: $listing"
cmp -s "$pkg/samples/Claim.txt" "$src/host/Claim.txt" || fail "samples/Claim.txt differs from host/Claim.txt"
for a in x86 x64; do
    cmp -s "$pkg/bin/$a/TovikDlg.dll" "$build_root/$a/bin/TovikDlg.dll" || fail "bin/$a/TovikDlg.dll is not the built one"
done
for text in INTEGRATION.md include/TovikDlg.h samples/link_import.c; do
    [ "$(grep -c "$(printf '\r')\$" "$pkg/$text")" = "$(wc -l <"$pkg/$text")" ] || fail "$text: not CR LF throughout"
done
# Each folder holds programs of its own machine: PE32 for i386, PE32+ for AMD64.
for file in "$pkg"/bin/x86/* "$pkg"/bin/x64/*; do
    case $file in */x86/*) format=pei-i386 ;; *) format=pei-x86-64 ;; esac
    LC_ALL=C objdump -f "$file" 2>/dev/null | grep -q "file format $format\$" ||
        fail "${file#$pkg/}: not $format: $(LC_ALL=C objdump -f "$file" 2>&1 | grep 'file format')"
done
# The x86 libraries name the cdecl symbol with its underscore, the x64 ones without.
for lib in x86/libTovikDlg.dll.a x86/TovikDlg.lib x64/libTovikDlg.dll.a x64/TovikDlg.lib; do
    case $lib in x86/*) symbol=_ShowMainDialog ;; *) symbol=ShowMainDialog ;; esac
    llvm-nm "$pkg/lib/$lib" 2>/dev/null | grep -q " T $symbol\$" || fail "lib/$lib: no symbol $symbol"
done

# --- build against the zip alone ------------------------------------------
cd "$pkg/samples" || exit 1
run=$work/run
mkdir "$run"
cp "$pkg/bin/$arch/TovikDlg.dll" "$run/"
cflags="-std=c99 -Wall -Wextra -Werror -I../include"
$cc $cflags load_at_runtime.c -o "$run/load_at_runtime.exe" ||
    fail "load_at_runtime.c does not build"
$cc $cflags link_import.c -L../lib/$arch -lTovikDlg -o "$run/link_import.exe" ||
    fail "link_import.c does not build with lib/$arch/libTovikDlg.dll.a"
$cc $cflags link_import.c ../lib/$arch/TovikDlg.lib -o "$run/link_import_lib.exe" ||
    fail "link_import.c does not build with lib/$arch/TovikDlg.lib"
printf '#include "TovikDlg.h"\nint (*p)(const char*) = ShowMainDialog;\n' |
    $cxx -x c++ -std=c++17 -Wall -Wextra -Werror -I../include -fsyntax-only - ||
    fail "TovikDlg.h does not compile as C++"

imports() { LC_ALL=C objdump -p "$1" | tr -d '\t' | grep -E 'DLL Name|ShowMainDialog' | tr '\n' ' '; }
case $(imports "$run/load_at_runtime.exe") in
*TovikDlg*) fail "load_at_runtime.exe imports TovikDlg.dll" ;;
esac
for exe in link_import link_import_lib; do
    case $(imports "$run/$exe.exe") in
    *"DLL Name: TovikDlg.dll"*ShowMainDialog*) ;;
    *) fail "$exe.exe does not import ShowMainDialog from TovikDlg.dll: $(imports "$run/$exe.exe")" ;;
    esac
done

# The Microsoft-format libraries with LLVM's Microsoft-compatible linker: a
# caller without a C runtime, compiled for the MSVC target of each machine.
cat >"$work/probe.c" <<'PROBE'
#include "TovikDlg.h"
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);
void __cdecl probe_main(void) { ExitProcess((unsigned int)ShowMainDialog("wrong code")); }
PROBE
for a in x86 x64; do
    case $a in
    x86) target=i686-pc-windows-msvc machine=i386 exit_process=ExitProcess@4 ;;
    x64) target=x86_64-pc-windows-msvc machine=i386:x86-64 exit_process=ExitProcess ;;
    esac
    printf 'LIBRARY kernel32.dll\nEXPORTS\n%s\n' "$exit_process" >"$work/kernel32-$a.def"
    if clang-14 --target=$target -ffreestanding -Wall -Wextra -Werror -I../include \
            -c "$work/probe.c" -o "$work/probe-$a.obj" &&
        llvm-dlltool -k -m $machine -d "$work/kernel32-$a.def" -l "$work/kernel32-$a.lib" &&
        lld-link /nologo /nodefaultlib /entry:probe_main /subsystem:console /out:"$work/msvc_probe-$a.exe" \
            "$work/probe-$a.obj" ../lib/$a/TovikDlg.lib "$work/kernel32-$a.lib"; then
        check "lld-link imports ($a)" "$(llvm-readobj --coff-imports "$work/msvc_probe-$a.exe")" 'Symbol: ShowMainDialog'
    else
        fail "a caller for $a does not link with lld-link against lib/$a/TovikDlg.lib"
    fi
done
cp "$work/msvc_probe-$arch.exe" "$run/msvc_probe.exe"

# --- run under Wine --------------------------------------------------------
# One row per run: folder's claim text (yes/no), answer, program and
# argument, expected exit status, and what the output must hold.
claim_box_caption=$(printf '\264\243\245\334\260\124\256\247') # "提示訊息" in Big5
cd "$run" || exit 1
while IFS='|' read -r claim reply program arg status says; do
    trace="$program $arg ($reply, Claim.txt: $claim)"
    rm -f Claim.txt
    [ "$claim" = yes ] && cp "$pkg/samples/Claim.txt" .
    out=$(timeout 60 "$WINELOADER" "$answer" "$reply" "$program" $arg 2>&1)
    got=$?
    [ "$got" = "$status" ] || fail "$trace: exit $got, expected $status; output:
$out"
    check "$trace" "$out" "$says"
done <<ROWS
no|ok|load_at_runtime.exe|wrong|8|^box: Warning: Access Denied!!\$
no|ok|load_at_runtime.exe|wrong|8|returned 8: access code refused
yes|agree|load_at_runtime.exe||0|returned 0: agreed, the game goes on
no|ok|link_import.exe||1|^box: $claim_box_caption:
no|ok|link_import.exe||1|returned 1: not agreed, the game ends
yes|agree|link_import_lib.exe||0|^dialog\$
yes|agree|link_import_lib.exe||0|returned 0: agreed
no|ok|msvc_probe.exe||8|^box: Warning: Access Denied!!\$
ROWS

# A game of this architecture given the other one's DLL: the loader refuses
# it, and the sample says why in one line.
mkdir "$work/wrong"
cp "$run/load_at_runtime.exe" "$pkg/bin/$other/TovikDlg.dll" "$work/wrong/"
out=$(cd "$work/wrong" && timeout 60 "$WINELOADER" load_at_runtime.exe 2>&1)
got=$?
[ "$got" = 2 ] || fail "load_at_runtime.exe with the $other DLL: exit $got, expected 2; output: $out"
check "load_at_runtime.exe with the $other DLL" "$out" \
    "^TovikDlg.dll: built for the other architecture; .* bin/$arch .*ERROR_BAD_EXE_FORMAT"
[ "$(printf '%s\n' "$out" | grep -c .)" = 1 ] || fail "load_at_runtime.exe with the $other DLL: not one line: $out"

# The tools from the zip's bin folder, with the sample claim text.
cd "$pkg/samples" || exit 1
out=$(timeout 60 "$WINELOADER" "$answer" agree ../bin/$arch/tovik-host.exe 2>&1)
[ $? = 0 ] || fail "bin/$arch/tovik-host.exe: $out"
check "tovik-host" "$out" 'ShowMainDialog returned 0: the player agreed'
out=$(timeout 60 "$WINELOADER" ../bin/$arch/tovik-claimcheck.exe Claim.txt 2>&1)
[ $? = 0 ] || fail "bin/$arch/tovik-claimcheck.exe: $out"
check "tovik-claimcheck" "$out" '^Claim.txt: OK: the player sees this text as written'
out=$(timeout 60 "$WINELOADER" ../bin/$arch/tovik-preview.exe Claim.txt "$(wine winepath -w "$work/preview.bmp")" 2>&1)
[ $? = 0 ] || fail "bin/$arch/tovik-preview.exe: $out"
[ "$(head -c 2 "$work/preview.bmp" 2>/dev/null)" = BM ] || fail "bin/$arch/tovik-preview.exe wrote no BMP picture"

if [ $failures -ne 0 ]; then
    echo "package test ($arch): $failures failure(s)"
    exit 1
fi
echo "package test ($arch): the zip builds and runs on its own"

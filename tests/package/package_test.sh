#!/bin/sh
# The SDK package as a game team gets it: tools/package packs this build, the
# zip is unpacked in a clean folder, both samples are built with the cross
# compiler against what the zip holds alone (and a caller is linked with
# lld-link against the Microsoft-format import library), and everything runs
# under Wine with its windows answered by package-answer.exe.
# Usage: package_test.sh SOURCE_DIR BUILD_DIR
set -u
src=$(cd "$1" && pwd)
TOVIK_BUILD=$(cd "$2" && pwd)
. "$src/tools/wine-env"
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
TOVIK_BUILD=$TOVIK_BUILD sh "$src/tools/package" --no-build --dist "$work/dist" >/dev/null ||
    { echo "FAIL: tools/package"; exit 1; }
zip_file=$(ls "$work"/dist/TovikDlg-*-win32.zip 2>/dev/null)
[ "$(basename "$zip_file")" = TovikDlg-1.0.0.6-win32.zip ] || fail "zip name: '$zip_file'"
mkdir "$work/unpacked"
(cd "$work/unpacked" && unzip -q "$zip_file") || { echo "FAIL: unzip"; exit 1; }
pkg=$work/unpacked/TovikDlg-1.0.0.6-win32

listing=$(cd "$pkg" && find . -type f | LC_ALL=C sort | tr '\n' ' ')
expected="./INTEGRATION.md ./bin/TovikDlg.dll ./bin/tovik-claimcheck.exe ./bin/tovik-host.exe \
./bin/tovik-preview.exe ./include/TovikDlg.h ./lib/TovikDlg.def ./lib/TovikDlg.lib ./lib/libTovikDlg.dll.a \
./samples/Claim.txt ./samples/link_import.c ./samples/load_at_runtime.c "
[ "$listing" = "$expected" ] || fail "files in the zip: $listing"
cmp -s "$pkg/samples/Claim.txt" "$src/host/Claim.txt" || fail "samples/Claim.txt differs from host/Claim.txt"
cmp -s "$pkg/bin/TovikDlg.dll" "$TOVIK_BUILD/bin/TovikDlg.dll" || fail "bin/TovikDlg.dll is not the built one"
for text in INTEGRATION.md include/TovikDlg.h samples/link_import.c; do
    [ "$(grep -c "$(printf '\r')\$" "$pkg/$text")" = "$(wc -l <"$pkg/$text")" ] || fail "$text: not CR LF throughout"
done
for lib in lib/libTovikDlg.dll.a lib/TovikDlg.lib; do
    llvm-nm "$pkg/$lib" 2>/dev/null | grep -q ' T _ShowMainDialog$' || fail "$lib: no symbol _ShowMainDialog"
done

# --- build against the zip alone ------------------------------------------
cd "$pkg/samples" || exit 1
run=$work/run
mkdir "$run"
cp "$pkg/bin/TovikDlg.dll" "$run/"
cflags="-std=c99 -Wall -Wextra -Werror -I../include"
i686-w64-mingw32-gcc $cflags load_at_runtime.c -o "$run/load_at_runtime.exe" ||
    fail "load_at_runtime.c does not build"
i686-w64-mingw32-gcc $cflags link_import.c -L../lib -lTovikDlg -o "$run/link_import.exe" ||
    fail "link_import.c does not build with libTovikDlg.dll.a"
i686-w64-mingw32-gcc $cflags link_import.c ../lib/TovikDlg.lib -o "$run/link_import_lib.exe" ||
    fail "link_import.c does not build with TovikDlg.lib"
printf '#include "TovikDlg.h"\nint (*p)(const char*) = ShowMainDialog;\n' |
    i686-w64-mingw32-g++ -x c++ -std=c++17 -Wall -Wextra -Werror -I../include -fsyntax-only - ||
    fail "TovikDlg.h does not compile as C++"

imports() { i686-w64-mingw32-objdump -p "$1" | tr -d '\t' | grep -E 'DLL Name|ShowMainDialog' | tr '\n' ' '; }
case $(imports "$run/load_at_runtime.exe") in
*TovikDlg*) fail "load_at_runtime.exe imports TovikDlg.dll" ;;
esac
for exe in link_import link_import_lib; do
    case $(imports "$run/$exe.exe") in
    *"DLL Name: TovikDlg.dll"*ShowMainDialog*) ;;
    *) fail "$exe.exe does not import ShowMainDialog from TovikDlg.dll: $(imports "$run/$exe.exe")" ;;
    esac
done

# The Microsoft-format library with LLVM's Microsoft-compatible linker: a
# caller without a C runtime, compiled for the MSVC target.
cat >"$work/probe.c" <<'EOF'
#include "TovikDlg.h"
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);
void __cdecl probe_main(void) { ExitProcess((unsigned int)ShowMainDialog("wrong code")); }
EOF
printf 'LIBRARY kernel32.dll\nEXPORTS\nExitProcess@4\n' >"$work/kernel32.def"
if clang-14 --target=i686-pc-windows-msvc -ffreestanding -Wall -Wextra -Werror -I../include \
        -c "$work/probe.c" -o "$work/probe.obj" &&
    llvm-dlltool -k -m i386 -d "$work/kernel32.def" -l "$work/kernel32.lib" &&
    lld-link /nologo /nodefaultlib /entry:probe_main /subsystem:console /out:"$run/msvc_probe.exe" \
        "$work/probe.obj" ../lib/TovikDlg.lib "$work/kernel32.lib"; then
    check "lld-link imports" "$(llvm-readobj --coff-imports "$run/msvc_probe.exe")" 'Symbol: ShowMainDialog'
else
    fail "a caller does not link with lld-link against TovikDlg.lib"
fi

# --- run under Wine --------------------------------------------------------
# One row per run: folder's claim text (yes/no), answer, program and
# argument, expected exit status, and what the output must hold.
claim_box_caption=$(printf '\264\243\245\334\260\124\256\247') # "提示訊息" in Big5
cd "$run" || exit 1
while IFS='|' read -r claim reply program arg status says; do
    trace="$program $arg ($reply, Claim.txt: $claim)"
    rm -f Claim.txt
    [ "$claim" = yes ] && cp "$pkg/samples/Claim.txt" .
    out=$(timeout 60 wine "$answer" "$reply" "$program" $arg 2>&1)
    got=$?
    [ "$got" = "$status" ] || fail "$trace: exit $got, expected $status; output:
$out"
    check "$trace" "$out" "$says"
done <<EOF
no|ok|load_at_runtime.exe|wrong|8|^box: Warning: Access Denied!!\$
no|ok|load_at_runtime.exe|wrong|8|returned 8: access code refused
yes|agree|load_at_runtime.exe||0|returned 0: agreed, the game goes on
no|ok|link_import.exe||1|^box: $claim_box_caption:
no|ok|link_import.exe||1|returned 1: not agreed, the game ends
yes|agree|link_import_lib.exe||0|^dialog\$
yes|agree|link_import_lib.exe||0|returned 0: agreed
no|ok|msvc_probe.exe||8|^box: Warning: Access Denied!!\$
EOF

# The tools from the zip's bin folder, with the sample claim text.
cd "$pkg/samples" || exit 1
out=$(timeout 60 wine "$answer" agree ../bin/tovik-host.exe 2>&1)
[ $? = 0 ] || fail "bin/tovik-host.exe: $out"
check "tovik-host" "$out" 'ShowMainDialog returned 0: the player agreed'
out=$(timeout 60 wine ../bin/tovik-claimcheck.exe Claim.txt 2>&1)
[ $? = 0 ] || fail "bin/tovik-claimcheck.exe: $out"
check "tovik-claimcheck" "$out" '^Claim.txt: OK: the player sees this text as written'
out=$(timeout 60 wine ../bin/tovik-preview.exe Claim.txt "$(winepath -w "$work/preview.bmp")" 2>&1)
[ $? = 0 ] || fail "bin/tovik-preview.exe: $out"
[ "$(head -c 2 "$work/preview.bmp" 2>/dev/null)" = BM ] || fail "bin/tovik-preview.exe wrote no BMP picture"

if [ $failures -ne 0 ]; then
    echo "package test: $failures failure(s)"
    exit 1
fi
echo "package test: the zip builds and runs on its own"

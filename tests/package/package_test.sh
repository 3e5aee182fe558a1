#!/bin/sh
# The SDK package as a game team gets it, seen from this build tree's
# architecture: tools/package packs both build trees (this one and its
# sibling of the other architecture), the zip is unpacked in a clean folder
# and checked as a legal review, a debugger and a build would see it: one
# licensor, the notices of every library the link maps show (the DLL's apart
# from the programs'), the stripped binaries and their symbols (the same
# CodeView id in each binary and its .debug file, resolved with
# llvm-symbolizer from the zip alone, no path of the build machine left),
# the SDK release in header, version block, changelog and name beside the
# DLL's fixed file version, the checksums (the zip's own too), a signed
# package made with a throwaway certificate, and the CMake package.
# Then the samples are built for this architecture with the cross compiler
# and with CMake against what the zip holds alone, a caller is linked with
# lld-link against the Microsoft-format import library of each machine, and
# this architecture's programs run under Wine with their windows answered by
# tovik-answer.exe. A sample given the other architecture's DLL must say so.
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
answer="$TOVIK_BUILD/bin/tovik-answer.exe"

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
[ "$(ls "$work/dist")" = "TovikDlg-$version-sdk.zip
TovikDlg-$version-sdk.zip.sha256" ] || fail "dist/ holds: $(ls "$work/dist" | tr '\n' ' ')"
# The zip's own checksum, in the form sha256sum -c reads beside it.
check "dist/TovikDlg-$version-sdk.zip.sha256" "$(cat "$work/dist/TovikDlg-$version-sdk.zip.sha256" 2>&1)" \
    "^[0-9a-f]\{64\}  TovikDlg-$version-sdk\.zip\$"
(cd "$work/dist" && sha256sum --quiet --strict -c "TovikDlg-$version-sdk.zip.sha256") ||
    fail "dist/TovikDlg-$version-sdk.zip.sha256: does not check"
mkdir "$work/unpacked"
(cd "$work/unpacked" && unzip -q "$zip_file") || { echo "FAIL: unzip"; exit 1; }
pkg=$work/unpacked/TovikDlg-$version-sdk

listing=$(cd "$pkg" && find . -type f | LC_ALL=C sort | tr '\n' ' ')
expected="./CHANGELOG.md ./INTEGRATION.md ./LICENSE ./SHA256SUMS ./THIRD-PARTY-NOTICES-TOOLS.txt ./THIRD-PARTY-NOTICES.txt \
./bin/x64/TovikDlg.dll ./bin/x64/tovik-claimcheck.exe ./bin/x64/tovik-host.exe ./bin/x64/tovik-preview.exe \
./bin/x86/TovikDlg.dll ./bin/x86/tovik-claimcheck.exe ./bin/x86/tovik-host.exe ./bin/x86/tovik-preview.exe \
./include/TovikDlg.h ./lib/TovikDlg.def \
./lib/cmake/TovikDlg/TovikDlgConfig.cmake ./lib/cmake/TovikDlg/TovikDlgConfigVersion.cmake \
./lib/x64/TovikDlg.lib ./lib/x64/libTovikDlg.dll.a ./lib/x86/TovikDlg.lib ./lib/x86/libTovikDlg.dll.a \
./samples/CMakeLists.txt ./samples/Claim.txt ./samples/game.cpp ./samples/link_import.c ./samples/load_at_runtime.c \
./symbols/x64/TovikDlg.dll.debug ./symbols/x64/tovik-claimcheck.exe.debug ./symbols/x64/tovik-host.exe.debug \
./symbols/x64/tovik-preview.exe.debug ./symbols/x86/TovikDlg.dll.debug ./symbols/x86/tovik-claimcheck.exe.debug \
./symbols/x86/tovik-host.exe.debug ./symbols/x86/tovik-preview.exe.debug "
[ "$listing" = "$expected" ] || fail "files in the zip: $listing"
cmp -s "$pkg/samples/Claim.txt" "$src/host/Claim.txt" || fail "samples/Claim.txt differs from host/Claim.txt"
for a in x86 x64; do
    cmp -s "$pkg/bin/$a/TovikDlg.dll" "$build_root/$a/bin/TovikDlg.dll" || fail "bin/$a/TovikDlg.dll is not the built one"
done
for text in INTEGRATION.md LICENSE include/TovikDlg.h samples/link_import.c samples/game.cpp; do
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

# --- licence and notices ---------------------------------------------------
for text in LICENSE THIRD-PARTY-NOTICES.txt THIRD-PARTY-NOTICES-TOOLS.txt CHANGELOG.md; do
    tr -d '\r' <"$pkg/$text" | cmp -s - "$src/$text" || fail "$text differs from the repository's"
done
# The version block's strings of a DLL, one KEY=VALUE line each.
version_strings() {
    python3 - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
start = data.find("StringFileInfo".encode("utf-16-le"))
end = data.find("VarFileInfo".encode("utf-16-le"), start)
if start < 0 or end < 0:
    sys.exit("no string table")
at = data.find("040404b0".encode("utf-16-le"), start) + 18  # the table's key and its NUL
at = (at + 3) & ~3
while at < end - 6:
    length, value_length, _ = struct.unpack_from("<3H", data, at)
    if length == 0:
        break
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[at + 6:key_end].decode("utf-16-le")
    value_at = (key_end + 2 + 3) & ~3
    value = data[value_at:value_at + 2 * value_length].decode("utf-16-le").rstrip("\0")
    print("%s=%s" % (key, value))
    at = (at + length + 3) & ~3
PY
}
# One licensor: LICENSE's holder is the version block's company, its
# copyright line the block's, and the one the notices name.
check "LICENSE" "$(head -n 3 "$pkg/LICENSE")" '^MIT License$'
license_line=$(tr -d '\r' <"$pkg/LICENSE" | sed -n 's/^Copyright (c) \([0-9]* .*\)$/\1/p')
holder=${license_line#* }
[ -n "$holder" ] || fail "LICENSE: no line 'Copyright (c) YEAR HOLDER'"
for a in x86 x64; do
    strings_out=$(version_strings "$pkg/bin/$a/TovikDlg.dll" 2>&1)
    check "bin/$a/TovikDlg.dll: CompanyName" "$strings_out" "^CompanyName=$holder\$"
    check "bin/$a/TovikDlg.dll: LegalCopyright" "$strings_out" "^LegalCopyright=Copyright (C) $license_line\$"
done
for notices in THIRD-PARTY-NOTICES.txt THIRD-PARTY-NOTICES-TOOLS.txt; do
    check "$notices: the licensor" "$(tr '\n' ' ' <"$pkg/$notices")" "\(is\|are\) $holder's work under the MIT licence"
done
# The artwork the licence names is what tools/make-artwork draws (once, on
# the build every host runs).
if [ "$arch" = x64 ]; then
    python3 "$src/tools/make-artwork" "$work/artwork" >/dev/null 2>&1 || fail "tools/make-artwork does not run"
    for picture in background.bmp agree.bmp disagree.bmp; do
        cmp -s "$work/artwork/$picture" "$src/claim/res/$picture" ||
            fail "claim/res/$picture is not what tools/make-artwork draws"
    done
fi
# Each notices file is what tools/notices writes from today's maps: the
# DLL's from its link maps alone, the programs' from theirs.
for audience in dll tools; do
    case $audience in dll) notices=THIRD-PARTY-NOTICES.txt ;; *) notices=THIRD-PARTY-NOTICES-TOOLS.txt ;; esac
    "$src/tools/notices" write $audience "$build_root/x86" "$build_root/x64" >"$work/notices-$audience" 2>&1 ||
        fail "tools/notices write $audience: $(cat "$work/notices-$audience")"
    cmp -s "$work/notices-$audience" "$src/$notices" ||
        fail "$notices is not what tools/notices write $audience gives for today's builds"
    out=$("$src/tools/notices" check $audience "$pkg/$notices" "$build_root/x86" "$build_root/x64" 2>&1) ||
        fail "$notices: $out"
    check "$notices" "$(cat "$pkg/$notices")" "^The GPL's text is not included: the GCC Runtime Library Exception"
    case $(cat "$pkg/$notices") in
    *"TERMS AND CONDITIONS"*) fail "$notices holds the GPL's text" ;;
    esac
done
# What players get names neither the programs nor what only they link, nor
# a stanza of a MinGW-w64 file that is not linked (profiling, under GPL 2).
case $(cat "$pkg/THIRD-PARTY-NOTICES.txt") in
*tovik-host* | *tovik-claimcheck* | *tovik-preview* | *winpthread* | *pthread.a* | *gcrt0* | *GPL-2*)
    fail "THIRD-PARTY-NOTICES.txt: names what TovikDlg.dll does not link" ;;
esac
check "THIRD-PARTY-NOTICES-TOOLS.txt" "$(cat "$pkg/THIRD-PARTY-NOTICES-TOOLS.txt")" \
    '^Files: mingw-w64-libraries/winpthreads/\*$'
case $(cat "$pkg/THIRD-PARTY-NOTICES-TOOLS.txt") in
*TovikDlg.dll:* | *gcrt0* | *GPL-2*) fail "THIRD-PARTY-NOTICES-TOOLS.txt: names what the programs do not link" ;;
esac
# Every library file the link maps show has its notice; a notices file
# without one of them fails the check and names it.
while IFS='|' read -r audience notices library binary; do
    grep -v "^    $library: " "$pkg/$notices" >"$work/notices-without"
    out=$("$src/tools/notices" check $audience "$work/notices-without" "$build_root/x86" "$build_root/x64" 2>&1)
    got=$?
    [ $got = 1 ] || fail "$notices without $library: exit $got, expected 1"
    check "$notices without $library" "$out" "no notice for $library, linked into .*$binary"
done <<ROWS
dll|THIRD-PARTY-NOTICES.txt|libstdc++.a|TovikDlg.dll
dll|THIRD-PARTY-NOTICES.txt|libgcc.a|TovikDlg.dll
dll|THIRD-PARTY-NOTICES.txt|libmingwex.a|TovikDlg.dll
dll|THIRD-PARTY-NOTICES.txt|dllcrt2.o|TovikDlg.dll
tools|THIRD-PARTY-NOTICES-TOOLS.txt|libpthread.a|tovik-claimcheck.exe
tools|THIRD-PARTY-NOTICES-TOOLS.txt|crt2.o|tovik-host.exe
ROWS

# --- symbols -----------------------------------------------------------------
# Shipped stripped, each with a debug link to its symbols file in symbols/.
for file in "$pkg"/bin/x86/* "$pkg"/bin/x64/*; do
    name=${file##*/}
    a=${file%/*}; a=${a##*/}
    case $(llvm-objdump -h "$file" 2>&1) in
    *" .debug_"*) fail "bin/$a/$name carries debugging sections" ;;
    esac
    check "bin/$a/$name: symbols" "$(llvm-readobj --file-headers "$file" 2>&1)" '^ *SymbolCount: 0$'
    check "bin/$a/$name: debug link" "$(llvm-readobj --string-dump=.gnu_debuglink "$file" 2>&1)" "\] $name.debug\$"
    check "symbols/$a/$name.debug" "$(llvm-objdump -h "$pkg/symbols/$a/$name.debug" 2>&1)" ' \.debug_info '
done
# The CodeView id (GUID and age) of a binary's debug directory, as Windows'
# tools match a binary and its symbols, or nothing.
codeview_id() {
    llvm-readobj --coff-debug-directory "$1" 2>/dev/null | tr -d '\n' |
        sed -n 's/.*Type: CodeView (0x2).*PDBSignature: 0x53445352 *PDBGUID: (\([0-9A-F ]*\)) *PDBAge: \([0-9]*\).*/\1 age \2/p'
}
# Each binary has a CodeView entry, and its .debug file the same id; the ids
# of the binaries differ.
ids=
for file in "$pkg"/bin/x86/* "$pkg"/bin/x64/*; do
    name=${file##*/}
    a=${file%/*}; a=${a##*/}
    id=$(codeview_id "$file")
    [ -n "$id" ] || fail "bin/$a/$name: no CodeView entry in its debug directory: $(llvm-readobj --coff-debug-directory "$file" 2>&1 | tail -n 3)"
    [ "$(codeview_id "$pkg/symbols/$a/$name.debug")" = "$id" ] ||
        fail "symbols/$a/$name.debug: CodeView id '$(codeview_id "$pkg/symbols/$a/$name.debug")', bin/$a/$name '$id'"
    ids="$ids$id
"
done
echo "CodeView ids (x86 then x64, in the order of bin/):"
printf '%s' "$ids"
[ "$(printf '%s' "$ids" | sort -u | grep -c .)" = 8 ] || fail "the binaries do not carry 8 distinct CodeView ids"
# No path of the build machine is left: not the source tree's, not the
# build trees', in any file of the zip nor in the zip itself.
for path in "$src" "$build_root"; do
    found=$(cd "$work/unpacked" && find . -type f -exec sh -c 'strings -a "$1" | grep -q -F -- "$2" && echo "$1"' _ {} "$path" \; | tr '\n' ' ')
    [ -z "$found" ] || fail "files of the zip name the build path $path: $found"
    ! strings -a "$zip_file" | grep -q -F -- "$path" || fail "the zip names the build path $path"
done
# The first instruction of ShowMainDialog (its export's address), resolved to
# its source file and line from the DLL and its symbols file beside it, as a
# team's debugger finds them; without the symbols file no line is known.
for a in x86 x64; do
    mkdir "$work/symbolize-$a"
    cp "$pkg/bin/$a/TovikDlg.dll" "$pkg/symbols/$a/TovikDlg.dll.debug" "$work/symbolize-$a/"
    dll=$work/symbolize-$a/TovikDlg.dll
    base=$(llvm-readobj --file-headers "$dll" | awk '/ImageBase:/ { print $2 }')
    rva=$(llvm-readobj --coff-exports "$dll" | awk '/RVA:/ { print $2 }')
    address=$(printf '0x%x' $((base + rva)))
    out=$(llvm-symbolizer --obj="$dll" "$address" 2>&1)
    check "llvm-symbolizer $a $address" "$out" '^ShowMainDialog$'
    check "llvm-symbolizer $a $address" "$out" '^\./entry/ShowMainDialog\.cpp:[1-9][0-9]*:[0-9]*$'
    echo "symbols ($a): $address:" $out
    rm "$work/symbolize-$a/TovikDlg.dll.debug"
    case $(llvm-symbolizer --obj="$dll" "$address" 2>&1) in
    *ShowMainDialog.cpp*) fail "bin/$a/TovikDlg.dll alone gives a source line: not stripped" ;;
    esac
done

# --- versions ----------------------------------------------------------------
# The SDK release: the zip's name, the header, the changelog, the guide and
# the DLL's Comments and SpecialBuild agree; the DLL's file and product
# version stay 1.0.0.6.
zip_version=$(basename "$zip_file" | sed -n 's/^TovikDlg-\([0-9]*\.[0-9]*\.[0-9]*\)-sdk\.zip$/\1/p')
[ -n "$zip_version" ] || fail "zip name: '$zip_file' has no release MAJOR.MINOR.PATCH"
macro() { tr -d '\r' <"$pkg/include/TovikDlg.h" | sed -n "s/^#define TOVIK_VERSION_$1  *\"\{0,1\}\([0-9.]*\)\"\{0,1\}\$/\1/p"; }
header_version="$(macro MAJOR).$(macro MINOR).$(macro PATCH)"
[ "$header_version" = "$zip_version" ] ||
    fail "include/TovikDlg.h: TOVIK_VERSION_MAJOR.._PATCH give '$header_version', the zip '$zip_version'"
[ "$(macro STRING)" = "$zip_version" ] ||
    fail "include/TovikDlg.h: TOVIK_VERSION_STRING '$(macro STRING)', the zip '$zip_version'"
check "INTEGRATION.md: the header's version lines" "$(cat "$pkg/INTEGRATION.md")" \
    "^ *#define TOVIK_VERSION_STRING \"$zip_version\"\$"
for a in x86 x64; do
    strings_out=$(version_strings "$pkg/bin/$a/TovikDlg.dll" 2>&1)
    for key in Comments SpecialBuild; do
        check "bin/$a/TovikDlg.dll: $key" "$strings_out" "^$key=Claim dialog for games, SDK $zip_version\$"
    done
    for key in FileVersion ProductVersion; do
        check "bin/$a/TovikDlg.dll: $key" "$strings_out" "^$key=1, 0, 0, 6\$"
    done
done
for a in x86 x64; do
    block=$(python3 - "$pkg/bin/$a/TovikDlg.dll" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO
if at < 0:
    print("no version block")
else:
    fms, fls, pms, pls = struct.unpack_from("<4I", data, at + 8)
    print("%d.%d.%d.%d %d.%d.%d.%d" % (fms >> 16, fms & 0xFFFF, fls >> 16, fls & 0xFFFF,
                                       pms >> 16, pms & 0xFFFF, pls >> 16, pls & 0xFFFF))
PY
)
    [ "$block" = "1.0.0.6 1.0.0.6" ] ||
        fail "bin/$a/TovikDlg.dll: version block (file, product) '$block', not 1.0.0.6"
done
check "CHANGELOG.md" "$(cat "$pkg/CHANGELOG.md")" "^## $zip_version\( .*\)\{0,1\}\$"
# Every macro of the header that 1.0.0.6 did not have is named in the
# changelog (as a whole name).
released_macros="TOVIK_ACCESS_CODE TOVIK_RESULT_AGREED TOVIK_RESULT_NOT_AGREED TOVIK_RESULT_CODE_REFUSED"
header_macros=$(tr -d '\r' <"$pkg/include/TovikDlg.h" | sed -n 's/^#define \(TOVIK_[A-Z0-9_]*\).*/\1/p')
[ -n "$header_macros" ] || fail "include/TovikDlg.h: no TOVIK_ macros found"
for name in $header_macros; do
    case " $released_macros " in *" $name "*) continue ;; esac
    tr -d '\r' <"$pkg/CHANGELOG.md" | grep -q -w -- "$name" ||
        fail "CHANGELOG.md does not name $name, which include/TovikDlg.h has and 1.0.0.6 had not"
done

# --- checksums and signing -------------------------------------------------
(cd "$pkg" && sha256sum --quiet --strict -c SHA256SUMS) || fail "SHA256SUMS: does not check"
summed=$(sed 's/^[0-9a-f]*  //' "$pkg/SHA256SUMS" | tr '\n' ' ')
[ "$summed" = "$(cd "$pkg" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | tr '\n' ' ')" ] ||
    fail "SHA256SUMS does not list every file of the zip: $summed"
for file in "$pkg"/bin/x86/TovikDlg.dll "$pkg"/bin/x64/tovik-host.exe; do
    check "unsigned by default: ${file#$pkg/}" "$(osslsigncode verify -in "$file" 2>&1)" 'No signature found'
done
# A throwaway self-signed certificate: every program and DLL carries a
# well-formed signature, which holds with the certificate as trust anchor and
# fails without it only for want of trust.
mkdir "$work/sign"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/sign/key.pem" -out "$work/sign/cert.pem" -days 2 \
    -subj "/CN=TovikDlg package test" -addext extendedKeyUsage=codeSigning >/dev/null 2>&1 &&
    openssl pkcs12 -export -inkey "$work/sign/key.pem" -in "$work/sign/cert.pem" -out "$work/sign/cert.pfx" \
        -passout pass:throwaway-1 >/dev/null 2>&1 || fail "openssl: cannot make a test certificate"
TOVIK_SIGN_PASSWORD=throwaway-1 TOVIK_BUILD_ROOT=$build_root \
    sh "$src/tools/package" --no-build --dist "$work/signed" --sign "$work/sign/cert.pfx" >/dev/null ||
    fail "tools/package --sign"
mkdir "$work/signed/unpacked"
(cd "$work/signed/unpacked" && unzip -q "$work/signed/TovikDlg-$version-sdk.zip") || fail "unzip of the signed zip"
signed=$work/signed/unpacked/TovikDlg-$version-sdk
for file in "$signed"/bin/x86/* "$signed"/bin/x64/*; do
    out=$(osslsigncode verify -CAfile "$work/sign/cert.pem" -in "$file" 2>&1) ||
        fail "${file#$signed/}: signature does not verify with its certificate: $out"
    check "signed ${file#$signed/}" "$out" '^Signature verification: ok'
    check "signed ${file#$signed/}" "$out" 'Subject: /CN=TovikDlg package test'
    check "signed ${file#$signed/} without a trust anchor" "$(osslsigncode verify -in "$file" 2>&1)" \
        'Error: self-signed certificate'
done
# Signing changes a binary's hash, so it runs before the checksums are
# taken: SHA256SUMS holds the signed files' hashes, and the zip's own
# checksum is that of the signed zip.
(cd "$signed" && sha256sum --quiet --strict -c SHA256SUMS) || fail "SHA256SUMS of the signed zip: does not check"
for file in bin/x86/TovikDlg.dll bin/x64/TovikDlg.dll bin/x64/tovik-host.exe; do
    [ "$(grep "  $file\$" "$signed/SHA256SUMS")" != "$(grep "  $file\$" "$pkg/SHA256SUMS")" ] ||
        fail "signed zip: SHA256SUMS gives $file the hash of the unsigned file"
done
(cd "$work/signed" && sha256sum --quiet --strict -c "TovikDlg-$version-sdk.zip.sha256") ||
    fail "the signed zip's TovikDlg-$version-sdk.zip.sha256: does not check"
# Signing leaves the CodeView id alone.
for file in "$signed"/bin/x86/* "$signed"/bin/x64/*; do
    rel=${file#$signed/}
    [ "$(codeview_id "$file")" = "$(codeview_id "$pkg/$rel")" ] ||
        fail "signed $rel: CodeView id '$(codeview_id "$file")', unsigned '$(codeview_id "$pkg/$rel")'"
done
# The symbols still fit the signed DLLs: signing leaves the debug link alone.
for a in x86 x64; do
    mkdir "$work/symbolize-signed-$a"
    cp "$signed/bin/$a/TovikDlg.dll" "$signed/symbols/$a/TovikDlg.dll.debug" "$work/symbolize-signed-$a/"
    dll=$work/symbolize-signed-$a/TovikDlg.dll
    address=$(printf '0x%x' $(($(llvm-readobj --file-headers "$dll" | awk '/ImageBase:/ { print $2 }') +
        $(llvm-readobj --coff-exports "$dll" | awk '/RVA:/ { print $2 }'))))
    check "llvm-symbolizer, signed $a DLL" "$(llvm-symbolizer --obj="$dll" "$address" 2>&1)" 'ShowMainDialog\.cpp:[1-9]'
done
# A wrong or missing password: no zip, one line naming the certificate.
while IFS='|' read -r password says; do
    rm -rf "$work/unsigned"
    if [ "$password" = "(unset)" ]; then
        out=$(env -u TOVIK_SIGN_PASSWORD TOVIK_BUILD_ROOT=$build_root sh "$src/tools/package" --no-build \
            --dist "$work/unsigned" --sign "$work/sign/cert.pfx" 2>&1)
    else
        out=$(TOVIK_SIGN_PASSWORD=$password TOVIK_BUILD_ROOT=$build_root sh "$src/tools/package" --no-build \
            --dist "$work/unsigned" --sign "$work/sign/cert.pfx" 2>&1)
    fi
    got=$?
    [ $got = 1 ] || fail "tools/package --sign, password $password: exit $got, expected 1"
    check "tools/package --sign, password $password" "$out" "^tools/package: .*$says"
    check "tools/package --sign, password $password" "$out" "cert\.pfx"
    [ "$(printf '%s\n' "$out" | grep -c .)" = 1 ] || fail "tools/package --sign, password $password: not one line: $out"
    [ ! -e "$work/unsigned/TovikDlg-$version-sdk.zip" ] || fail "tools/package --sign, password $password: wrote a zip"
done <<ROWS
wrong|cannot sign with
(unset)|set TOVIK_SIGN_PASSWORD
ROWS

# --- the CMake package -------------------------------------------------------
# find_package(TovikDlg) from the zip: the architecture by the pointer size,
# the import library by the compiler (GNU or Microsoft linker), and the
# version rule. The Microsoft targets are only configured (clang for an
# *-msvc target), not linked: there is no Windows SDK here.
mkdir "$work/probe-cmake"
cat >"$work/probe-cmake/CMakeLists.txt" <<'PROBE'
cmake_minimum_required(VERSION 3.16)
project(probe C)
find_package(TovikDlg 1.0 REQUIRED CONFIG)
get_target_property(dll TovikDlg::TovikDlg IMPORTED_LOCATION)
get_target_property(implib TovikDlg::TovikDlg IMPORTED_IMPLIB)
get_target_property(include TovikDlg::TovikDlg INTERFACE_INCLUDE_DIRECTORIES)
message(STATUS "probe: ${dll} ${implib} ${include}")
find_package(TovikDlg 2 CONFIG QUIET)
message(STATUS "probe: version 2 found: ${TovikDlg_FOUND}")
PROBE
while IFS='|' read -r compiler target a implib; do
    rm -rf "$work/probe-cmake/build"
    out=$(cmake -S "$work/probe-cmake" -B "$work/probe-cmake/build" -DCMAKE_SYSTEM_NAME=Windows \
        -DCMAKE_C_COMPILER="$compiler" ${target:+-DCMAKE_C_COMPILER_TARGET=$target} \
        -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY -DCMAKE_PREFIX_PATH="$pkg" 2>&1)
    trace="find_package(TovikDlg) with $compiler ${target:-}"
    check "$trace" "$out" "probe: $pkg/bin/$a/TovikDlg.dll $pkg/lib/$a/$implib $pkg/include\$"
    check "$trace" "$out" 'probe: version 2 found: 0$'
done <<ROWS
i686-w64-mingw32-gcc||x86|libTovikDlg.dll.a
x86_64-w64-mingw32-gcc||x64|libTovikDlg.dll.a
clang-14|i686-pc-windows-msvc|x86|TovikDlg.lib
clang-14|x86_64-pc-windows-msvc|x64|TovikDlg.lib
ROWS
# Which versions and ranges find the package (CMake's SameMajorVersion:
# this major version from the one asked for up; both ends of a range in
# this major version), and where TovikDlg_DIR must point. One tree,
# reconfigured per row, forgetting the package's folder each time.
mkdir "$work/probe-version"
cat >"$work/probe-version/CMakeLists.txt" <<'PROBE'
cmake_minimum_required(VERSION 3.19)
project(probe C)
if(DEFINED GUIDE_FILE)
    include("${GUIDE_FILE}")
endif()
find_package(TovikDlg ${WANT} CONFIG QUIET)
message(STATUS "probe: found ${TovikDlg_FOUND}")
PROBE
major=${zip_version%%.*}
minor=${zip_version#*.}; minor=${minor%%.*}
while IFS='|' read -r want dir found; do
    out=$(cmake -S "$work/probe-version" -B "$work/probe-version/build" -DCMAKE_SYSTEM_NAME=Windows \
        -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY \
        -UTovikDlg_DIR -UCMAKE_PREFIX_PATH -DWANT="$want" \
        $([ "$dir" = prefix ] && echo "-DCMAKE_PREFIX_PATH=$pkg" || echo "-DTovikDlg_DIR=$pkg$dir") 2>&1)
    case $dir in prefix) named="CMAKE_PREFIX_PATH" ;; *) named="TovikDlg_DIR=SDK$dir" ;; esac
    check "find_package(TovikDlg $want) of $zip_version, $named" "$out" "probe: found $found\$"
done <<ROWS
|prefix|1
$major.0|prefix|1
$zip_version|prefix|1
$major.$((minor + 1))|prefix|0
$((major + 1))|prefix|0
$major.0...$zip_version|prefix|1
$major.0...<$((major + 1)).0|prefix|1
$major.0...<$zip_version|prefix|0
$((major - 1)).9...$zip_version|prefix|0
$major.0|/lib/cmake/TovikDlg|1
$major.0||0
ROWS
# A cross toolchain that finds packages only below CMAKE_FIND_ROOT_PATH
# does not find the SDK through CMAKE_PREFIX_PATH; the guide's one line
# (its path made the SDK's) does.
cat >"$work/probe-version/toolchain.cmake" <<'TOOLCHAIN'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN
guide_line=$(tr -d '\r' <"$pkg/INTEGRATION.md" | grep '^list(APPEND CMAKE_FIND_ROOT_PATH "[^"]*")$')
[ "$(printf '%s\n' "$guide_line" | grep -c .)" = 1 ] || fail "INTEGRATION.md: not one CMAKE_FIND_ROOT_PATH line: $guide_line"
printf '%s\n' "$guide_line" | sed 's|"[^"]*"|"'"$pkg"'"|' >"$work/probe-version/guide.cmake"
for with in none guide; do
    rm -rf "$work/probe-version/cross"
    out=$(cmake -S "$work/probe-version" -B "$work/probe-version/cross" \
        -DCMAKE_TOOLCHAIN_FILE="$work/probe-version/toolchain.cmake" -DCMAKE_PREFIX_PATH="$pkg" -DWANT="$major.0" \
        $([ $with = guide ] && echo "-DGUIDE_FILE=$work/probe-version/guide.cmake") 2>&1)
    case $with in none) found=0 ;; *) found=1 ;; esac
    check "MODE_PACKAGE ONLY toolchain, CMAKE_PREFIX_PATH, guide's line: $with" "$out" "probe: found $found\$"
done
# The samples' CMake project, built from the zip alone for both machines,
# each in its own folder: its programs with the DLL of their machine and
# Claim.txt beside them.
for a in x86 x64; do
    case $a in
    x86) prefix=i686-w64-mingw32 format=pei-i386 ;;
    x64) prefix=x86_64-w64-mingw32 format=pei-x86-64 ;;
    esac
    out=$(cmake -S "$pkg/samples" -B "$work/cmake-$a" -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_COMPILER=$prefix-gcc -DCMAKE_CXX_COMPILER=$prefix-g++ -DCMAKE_C_FLAGS="-Wall -Wextra -Werror" \
        -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" 2>&1 && cmake --build "$work/cmake-$a" 2>&1) ||
        fail "samples/CMakeLists.txt does not build for $a: $out"
    for file in game.exe link_import.exe load_at_runtime.exe; do
        check "CMake sample $a: $file" "$(LC_ALL=C objdump -f "$work/cmake-$a/$file" 2>&1)" "file format $format\$"
    done
    cmp -s "$work/cmake-$a/TovikDlg.dll" "$pkg/bin/$a/TovikDlg.dll" || fail "CMake sample $a: no bin/$a/TovikDlg.dll beside game.exe"
    cmp -s "$work/cmake-$a/Claim.txt" "$pkg/samples/Claim.txt" || fail "CMake sample $a: no Claim.txt beside game.exe"
done
[ ! -e "$pkg/samples/CMakeCache.txt" ] || fail "the CMake samples wrote into the SDK's folder"

# --- the guide holds ----------------------------------------------------------
# Its build commands for MinGW-w64, run as written in a copy of the zip: each
# architecture's programs in their own folder, with the DLL of their machine
# and Claim.txt beside them. Its code for entering the program's folder is
# the sample's.
cp -R "$pkg" "$work/guide"
for a in x86 x64; do
    case $a in
    x86) prefix=i686-w64-mingw32 format=pei-i386 ;;
    x64) prefix=x86_64-w64-mingw32 format=pei-x86-64 ;;
    esac
    commands=$(tr -d '\r' <"$pkg/INTEGRATION.md" | grep -E "^(mkdir -p out/$a\$|cp \.\./bin/$a/|$prefix-g(cc|\+\+) )")
    [ "$(printf '%s\n' "$commands" | grep -c .)" = 5 ] || fail "INTEGRATION.md: not 5 build commands for $a: $commands"
    out=$(cd "$work/guide/samples" && sh -e -c "$commands" 2>&1) || fail "INTEGRATION.md, the commands for $a: $out"
done
for a in x86 x64; do
    case $a in x86) format=pei-i386 ;; *) format=pei-x86-64 ;; esac
    for file in load_at_runtime.exe link_import.exe game.exe TovikDlg.dll; do
        check "INTEGRATION.md, out/$a/$file" "$(LC_ALL=C objdump -f "$work/guide/samples/out/$a/$file" 2>&1)" \
            "file format $format\$"
    done
    cmp -s "$work/guide/samples/out/$a/Claim.txt" "$pkg/samples/Claim.txt" || fail "INTEGRATION.md: no Claim.txt in out/$a"
done
python3 - "$pkg/INTEGRATION.md" "$pkg/samples/game.cpp" <<'PY' || fail "INTEGRATION.md: its code for the program's folder is not that of samples/game.cpp"
import sys
guide, sample = (open(p, encoding="utf-8").read().replace("\r", "") for p in sys.argv[1:])
start = guide.index("```cpp\n// Makes the folder of this program") + len("```cpp\n")
sys.exit(0 if guide[start:guide.index("```", start)] in sample else 1)
PY

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
$cxx -std=c++17 -Wall -Wextra -Werror -I../include game.cpp -L../lib/$arch -lTovikDlg -static -o "$run/game.exe" ||
    fail "game.cpp does not build with lib/$arch/libTovikDlg.dll.a"
# What the guide says of -static: with the -posix compiler the C++ runtime
# brings winpthreads into the game (whose notice the game then owes), with
# the -win32 one it does not.
for variant in posix win32; do
    if $cxx-$variant -std=c++17 -I../include game.cpp -L../lib/$arch -lTovikDlg -static \
            -Wl,-Map="$work/game-$variant.map" -o "$work/game-$variant.exe"; then
        linked=no
        grep -q -E '^[^ ].*/lib(win)?pthread\.a\(' "$work/game-$variant.map" && linked=yes
        case $variant in posix) want=yes ;; *) want=no ;; esac
        [ $linked = $want ] || fail "game.cpp, $cxx-$variant -static: winpthreads linked: $linked, the guide says $want"
    else
        fail "game.cpp does not build with $cxx-$variant -static"
    fi
done
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
# argument, expected exit status, and what the output must hold. The last
# rows are the player's own refusals: nothing to answer, a wrong command line,
# a program that does not start.
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
yes|agree|--after|Claim.txt link_import_lib.exe|0|returned 0: agreed
no|ok|msvc_probe.exe||8|^box: Warning: Access Denied!!\$
no|ok|game.exe|wrong|8|returned 8: access code refused
no|ok|hostname.exe||241|^nothing shown$
no|agree|hostname.exe||241|^exit 0$
no|maybe|game.exe||240|^usage: tovik-answer ok|agree \[--after FILE\] PROGRAM \[ARGS...\] (see --help)$
no|agree|--after||240|^usage: tovik-answer ok|agree
no|ok|no-such-game.exe||240|^tovik-answer: no-such-game.exe: cannot start (error 2)$
no|--help|||0|^  536871153 (241) nothing to answer appeared within 15 s$
ROWS
# No arguments at all: the usage line, not a read past the list.
out=$(timeout 60 "$WINELOADER" "$answer" 2>&1)
got=$?
[ "$got" = 240 ] || fail "tovik-answer with no arguments: exit $got, expected 240"
check "tovik-answer with no arguments" "$out" '^usage: tovik-answer ok|agree'

# The arguments reach the program as given, read back as programs read a
# command line (CommandLineToArgvW): blanks, quotes, backslashes before a
# quote and at the end, an empty one.
cat >"$work/print_args.c" <<'C'
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
int main(void)
{
    int n = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 1; i < n; ++i)
        printf("[%ls]\n", args[i]);
    return 7;
}
C
tab=$(printf '\t')
if $cc -Wall -Wextra -Werror "$work/print_args.c" -lshell32 -o "$run/print_args.exe"; then
    out=$(timeout 60 "$WINELOADER" "$answer" ok print_args.exe 'C:\My Games\' 'say "hi"' '' 'a\\b' "x${tab}y" '\"' 'end \\' 2>&1)
    got=$?
    [ "$got" = 241 ] || fail "print_args.exe: exit $got, expected 241 (nothing shown)"
    [ "$(printf '%s\n' "$out" | tr -d '\r')" = "$(printf '%s\n' '[C:\My Games\]' '[say "hi"]' '[]' '[a\\b]' \
        "[x${tab}y]" '[\"]' '[end \\]' 'nothing shown' 'exit 7')" ] ||
        fail "print_args.exe through tovik-answer: the arguments arrived changed:
$out"
else
    fail "print_args.c does not build"
fi

# The C++ sample finds Claim.txt in its own folder, started from another one,
# also when that folder's name lies outside the system's code page (Greek,
# Cyrillic and an emoji here, under code page 950); built with CMake.
for folder in "game" "Παιχνίδι Игра 🎮"; do
    mkdir "$work/$folder"
    cp "$work/cmake-$arch/game.exe" "$work/cmake-$arch/TovikDlg.dll" "$work/cmake-$arch/Claim.txt" "$work/$folder/"
    rm -f "$run/Claim.txt"
    out=$(cd "$run" && timeout 60 "$WINELOADER" "$answer" agree "..\\$folder\\game.exe" 2>&1)
    got=$?
    [ "$got" = 0 ] || fail "game.exe in '$folder', started from another folder: exit $got, expected 0; output:
$out"
    check "game.exe in '$folder'" "$out" 'returned 0: agreed, the game goes on'
done

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
# --version and --help: each program says its version or how to use it,
# and exits 0 without doing anything else (no dialog, no file read).
while IFS='|' read -r program option says; do
    out=$(timeout 30 "$WINELOADER" ../bin/$arch/$program $option 2>&1)
    got=$?
    [ $got = 0 ] || fail "bin/$arch/$program $option: exit $got, expected 0; output: $out"
    check "bin/$arch/$program $option" "$out" "$says"
done <<ROWS
tovik-host.exe|--version|^tovik-host $version ($arch)\$
tovik-host.exe|--help|^Usage: tovik-host \[CODE\]
tovik-claimcheck.exe|--version|^tovik-claimcheck $version ($arch)\$
tovik-claimcheck.exe|--help|^Usage: tovik-claimcheck
tovik-preview.exe|--version|^tovik-preview $version ($arch)\$
tovik-preview.exe|--help|^Usage: tovik-preview
ROWS
out=$(timeout 30 "$WINELOADER" ../bin/$arch/tovik-host.exe --hepl 2>&1)
[ $? = 2 ] || fail "bin/$arch/tovik-host.exe --hepl: not refused: $out"
check "tovik-host --hepl" "$out" '^tovik-host: usage: unknown option --hepl (see --help)$'
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

#!/usr/bin/env bash
# The exe carries icon group 101 with eight 32-bit PNG images at the listed sizes, the
# manifest, and version resource 1 with exactly its string fields. Reads the resources back
# out of the linked exe.
set -u
exe=$1
rc=$(x86_64-w64-mingw32-windres -i "$exe" -O rc) || { echo "cannot read resources"; exit 1; }
failed=0
expect() { # NAME PATTERN
  if grep -qF -- "$2" <<<"$rc"; then echo "ok   $1"; else echo "FAIL $1: no '$2'"; failed=1; fi
}

group=$(sed -n '/^101 14 /,/^END/p' <<<"$rc")
sizes=$(sed -n 's/.*"\\\([0-7]*\)\\\([0-7]*\)\\000\\000", 1, 32,.*/\1/p' <<<"$group" |
  while read -r octal; do echo $((8#$octal)); done | tr '\n' ' ')
if [ "$sizes" = "16 20 24 32 40 48 64 0 " ]; then
  echo "ok   icon group 101: 16 20 24 32 40 48 64 256, 32 bits each"
else
  echo "FAIL icon group 101 sizes: $sizes"; failed=1
fi
# Each image's data starts with the PNG signature (read as little-endian words).
pngs=$(grep -A1 -E '^[0-9]+ 3 /\* RT_ICON' <<<"$rc" | grep -c '^BEGIN' || true)
starts=$(grep -A2 -E '^[0-9]+ 3 /\* RT_ICON' <<<"$rc" | grep -c '0x474e5089L, 0xa1a0a0dL' || true)
if [ "$pngs" -eq 8 ] && [ "$starts" -eq 8 ]; then
  echo "ok   eight icon images, all PNG"
else
  echo "FAIL icon images: $pngs images, $starts PNG"; failed=1
fi

expect "file version" "FILEVERSION 1, 7, 0, 0"
expect "product version" "PRODUCTVERSION 1, 7, 0, 0"
expect "string table 0x0409, code page 1200" 'BLOCK "040904B0"'
expect "translation" 'VALUE "Translation", 0x409, 1200'
fields=$(sed -n 's/^ *VALUE "\([A-Za-z]*\)", "\(.*\)"$/\1=\2/p' <<<"$rc" | tr '\n' ';')
want='CompanyName=Harrowsoft;FileDescription=Tidewatch;FileVersion=1.7.0.0;InternalName=tidewatch;OriginalFilename=Tidewatch.exe;ProductName=Tidewatch;ProductVersion=1.7.0.0;'
if [ "$fields" = "$want" ]; then echo "ok   version strings"; else echo "FAIL version strings: $fields"; failed=1; fi

expect "manifest" "1 24 /* RT_MANIFEST */"
expect "assembly identity" 'name=""Harrowsoft.Tidewatch"" version=""1.7.0.0"" processorArchitecture=""amd64""'
expect "as invoker" 'level=""asInvoker"" uiAccess=""false""'
expect "Windows 10" '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'
expect "per-monitor v2, v1 on 1607" '>PerMonitorV2, PerMonitor</dpiAwareness>'
expect "long paths" '>true</longPathAware>'
exit $failed

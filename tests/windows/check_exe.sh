#!/usr/bin/env bash
# The linked exe: at most 64 KB; imports exactly the system DLLs it has (no C or C++
# runtime; hid.dll, nvml.dll, dwmapi.dll, oleacc.dll, ole32.dll and oleaut32.dll are resolved
# at run time from the system directory only); subsystem version 6.0 or later, so that Windows draws today's frame
# metrics; unwind tables kept; and no time stamp in the PE header, the resource directories
# or a debug directory, so that two builds of the same sources are the same bytes; and no
# import newer than the oldest Windows it runs on, Windows 10 1607.
set -u
exe=$1
failed=0
check() { # WHAT CONDITION-RESULT DETAIL
  if [ "$2" = 0 ]; then echo "ok   $1"; else echo "FAIL $1: $3"; failed=1; fi
}
# u16 / u32 OFFSET: little-endian value in the file.
u16() { od -An -t u2 -j "$1" -N 2 "$exe" | tr -d ' '; }
u32() { od -An -t u4 -j "$1" -N 4 "$exe" | tr -d ' '; }

size=$(stat -c %s "$exe")
[ "$size" -le 65536 ]; check "size $size bytes" $? "more than 65536"

dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
[ "$dlls" = "advapi32.dll gdi32.dll kernel32.dll setupapi.dll shell32.dll user32.dll " ]
check "imports: $dlls" $? "not the six system DLLs"

pe=$(u32 60)
optional=$((pe + 24)) # PE32+ optional header
[ "$(u32 $((pe + 8)))" = 0 ]; check "no link time stamp" $? "$(u32 $((pe + 8)))"
major=$(u16 $((optional + 48)))
minor=$(u16 $((optional + 50)))
[ "$major" -ge 6 ]; check "subsystem version $major.$minor" $? "below 6.0"
# Data directories from offset 112: 3 exceptions (.pdata), 6 debug.
[ "$(u32 $((optional + 112 + 3 * 8 + 4)))" -gt 0 ]; check "unwind tables (.pdata)" $? "no exception directory"
debug_size=$(u32 $((optional + 112 + 6 * 8 + 4)))
[ "$debug_size" = 0 ]; check "no debug directory" $? "$debug_size bytes"
stamps=$(x86_64-w64-mingw32-objdump -p "$exe" | grep -o 'Time: [0-9a-f]*' | sort -u | tr '\n' ' ')
[ "$stamps" = "Time: 00000000 " ]; check "resource directories without time stamps" $? "$stamps"

# Functions newer than Windows 8.1, after the Windows 10 version that brought them.
floor=1607
since="1607 AdjustWindowRectExForDpi EnableNonClientDpiScaling GetDpiForSystem GetDpiForWindow
1607 GetSystemMetricsForDpi GetThreadDpiAwarenessContext GetWindowDpiAwarenessContext
1607 SetThreadDpiAwarenessContext SystemParametersInfoForDpi
1703 SetDialogDpiChangeBehavior SetProcessDpiAwarenessContext
1803 GetDpiFromDpiAwarenessContext GetSystemDpiForProcess SetThreadDpiHostingBehavior"
# beyond_floor NAME...: those of the names that the floor lacks, with their version.
beyond_floor() { awk -v floor=$floor -v names=" $* " '$1 > floor {
  for (i = 2; i <= NF; i++) if (index(names, " " $i " ")) printf "%s %s ", $i, $1 }' <<<"$since"; }
[ "$(beyond_floor GetDpiForWindow SetProcessDpiAwarenessContext)" = "SetProcessDpiAwarenessContext 1703 " ]
check "the table of Windows 10 versions finds a 1703 import" $? "it does not"
newer=$(beyond_floor $(x86_64-w64-mingw32-objdump -p "$exe" | awk '/^\t[0-9a-f]+\t +[0-9]+  [A-Za-z_]/ {print $3}'))
[ -z "$newer" ]; check "no import newer than Windows 10 $floor" $? "$newer"
exit $failed

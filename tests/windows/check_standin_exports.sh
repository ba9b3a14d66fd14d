#!/usr/bin/env bash
# Every hid.dll and setupapi.dll function that the programs import, or name for
# GetProcAddress, is exported by the test stand-in of that DLL. (A missing export does not
# stop a program starting under Wine: it crashes at the first call.)
#   check_standin_exports.sh HID_DLL SETUPAPI_DLL -- PROGRAM...
set -eu
objdump=x86_64-w64-mingw32-objdump
hid=$1 setupapi=$2
shift 3

# The names of the export table: the last field of its rows ("[   0] Name" up to binutils 2.40,
# "[   0] +base[   1]  0000 Name" since).
exports() { $objdump -p "$1" | awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && /^\t\[/ {print $NF} on && /^$/ {on = 0}'; }
hid_exports=$(exports "$hid")
setupapi_exports=$(exports "$setupapi")

# Prints "dll function" for each import of the program from hid.dll or setupapi.dll.
imports()
{
    $objdump -p "$1" | awk '
        /DLL Name:/ {dll = tolower($3); next}
        /^$/ {dll = ""}
        (dll == "hid.dll" || dll == "setupapi.dll") && NF == 3 && $1 ~ /^[0-9a-f]+$/ {print dll, $3}'
}

bad=0
for program in "$@"; do
    names=$( (imports "$program"; strings -a "$program" | grep -oE '^(Hid[DP]_[A-Za-z]+|SetupDi[A-Za-z]+)$' |
        sed -E 's/^(Hid[DP]_)/hid.dll \1/; s/^SetupDi/setupapi.dll SetupDi/') | sort -u)
    while read -r dll function; do
        [ -n "$dll" ] || continue
        if [ "$dll" = hid.dll ]; then list=$hid_exports; else list=$setupapi_exports; fi
        if grep -qx "$function" <<<"$list"; then
            echo "$(basename "$program"): $dll $function exported"
        else
            echo "$(basename "$program"): $dll $function NOT exported by the stand-in"
            bad=1
        fi
    done <<<"$names"
done
exit $bad

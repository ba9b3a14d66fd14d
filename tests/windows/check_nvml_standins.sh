#!/usr/bin/env bash
# The stand-in nvml.dll variants differ exactly in the one entry point each omits: "full"
# exports all seven, "no_ENTRY" all but ENTRY. Usage: check_nvml_standins.sh STANDINS_DIR
set -u
standins=$1
entries="nvmlInit_v2 nvmlDeviceGetHandleByIndex_v2 nvmlDeviceGetName nvmlShutdown
  nvmlDeviceGetFanSpeed_v2 nvmlDeviceGetFanSpeedRPM nvmlDeviceGetTemperature"

exports_of()
{
    # The export table's rows end in the name, whatever binutils puts before it.
    x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*\[ *[0-9]*\] .*\b\(nvml[A-Za-z_0-9]*\)$/\1/p' |
        sort | tr '\n' ' '
}

failures=0
all=$(echo $entries | tr ' ' '\n' | sort | tr '\n' ' ')
if [ "$(exports_of "$standins/full/nvml.dll")" != "$all" ]; then
    echo "full stand-in exports: $(exports_of "$standins/full/nvml.dll")"
    failures=$((failures + 1))
fi
for entry in $entries; do
    if [ "$(exports_of "$standins/no_$entry/nvml.dll")" != "$(echo "$all" | sed "s/\b$entry //")" ]; then
        echo "no_$entry exports: $(exports_of "$standins/no_$entry/nvml.dll")"
        failures=$((failures + 1))
    fi
done
[ $failures -eq 0 ] && echo "ok: every variant lacks exactly its entry point"
[ $failures -eq 0 ]

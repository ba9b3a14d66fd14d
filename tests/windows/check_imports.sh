#!/usr/bin/env bash
# The exe imports only system DLLs: no C or C++ runtime, no hid.dll, nvml.dll or dwmapi.dll
# (those three are resolved at run time from the system directory only).
set -eu
exe=$1
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
echo "imports: $(echo $dlls)"
bad=$(echo "$dlls" | grep -E '^(msvcrt|ucrtbase|api-ms-win-crt|libstdc|libgcc|libwinpthread|vcruntime|hid|nvml|dwmapi)' || true)
if [ -n "$bad" ]; then
  echo "unexpected imports: $bad"
  exit 1
fi

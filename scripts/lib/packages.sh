# What the project needs from Debian 12 or 13, installed only when missing and quietly
# otherwise. The fuzz build's sanitizer runtime is named after the release's clang.
case $(. /etc/os-release && echo "$VERSION_CODENAME") in
bookworm) TIDEWATCH_SANITIZERS=libclang-rt-14-dev ;;
trixie) TIDEWATCH_SANITIZERS=libclang-rt-19-dev ;;
*) TIDEWATCH_SANITIZERS=libclang-rt-dev ;; # the default clang's, wherever it is named so
esac
TIDEWATCH_PACKAGES="cmake make g++ libgtest-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xdotool openbox x11-utils imagemagick clang $TIDEWATCH_SANITIZERS zip valgrind"

ensure_packages() {
  local missing=() package
  for package in $TIDEWATCH_PACKAGES; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null &&
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

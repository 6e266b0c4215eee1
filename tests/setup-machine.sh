# Sourced by test.sh, run.sh and bench/run.sh: installs what the builds and the
# tests need on a Debian 12 machine, quickly skipping what is there already.

morvane_setup_machine() {
  local missing=()
  command -v cmake >/dev/null || missing+=(cmake)
  command -v g++ >/dev/null || missing+=(g++)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
  command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686-posix)
  command -v x86_64-w64-mingw32-windres >/dev/null || missing+=(binutils-mingw-w64-x86-64)
  command -v i686-w64-mingw32-windres >/dev/null || missing+=(binutils-mingw-w64-i686)
  command -v wine >/dev/null || missing+=(wine)
  [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
  command -v Xvfb >/dev/null || missing+=(xvfb)
  command -v xdotool >/dev/null || missing+=(xdotool)
  command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick || missing+=(imagemagick)
  command -v python3 >/dev/null || missing+=(python3)
  command -v clang++ >/dev/null || missing+=(clang)
  [ -d /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux ] || missing+=(libclang-rt-14-dev)
  [ -d /usr/src/googletest ] || missing+=(googletest)
  [ -f /usr/share/fonts/truetype/wqy/wqy-microhei.ttc ] || missing+=(fonts-wqy-microhei)
  command -v locale-gen >/dev/null || missing+=(locales)
  if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null && apt-get install -y -qq "${missing[@]}" >/dev/null || {
      echo "could not install ${missing[*]}" >&2
      return 1
    }
  fi
  if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
    sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
  fi
}

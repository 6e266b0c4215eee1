# Sourced by test.sh, run.sh and the benchmarks: a scratch Wine prefix inside the
# build tree, never a user's own. HOME points at a scratch folder before wineboot,
# and the prefix's Desktop (a link to $HOME in a fresh prefix) is replaced by a
# real folder, so that nothing the tool copies or deletes lies outside the prefix.
#
#   morvane_wine_env DIR   sets WINEPREFIX=DIR/prefix and HOME=DIR/home, creates
#                          the prefix when missing, and exports the variables.

morvane_wine_env() {
  local dir="$1"
  mkdir -p "$dir/home"
  export HOME="$dir/home"
  export WINEPREFIX="$dir/prefix"
  export WINEDEBUG=-all
  export WINEARCH=win64
  export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/.morvane-ready" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # A 1024 x 768 virtual desktop for every program of the prefix: frames,
    # caption bars and a screen of known size.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    wineserver -w
    morvane_unlink_user_folders
    touch "$WINEPREFIX/.morvane-ready"
  fi
  morvane_unlink_user_folders
}

# Every user folder of the prefix that is a link (to $HOME or anywhere else)
# becomes a real, empty folder.
morvane_unlink_user_folders() {
  local d
  for d in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$d" ]; then
      rm -f "$d"
      mkdir -p "$d"
    fi
  done
}

# The prefix's own Desktop folder (Unix path).
morvane_wine_desktop() {
  echo "$WINEPREFIX/drive_c/users/$(id -un)/Desktop"
}

# C:\morvane-links in the prefix, for the tests of deletion beside links, which
# only the host can make: outside\ (keep.txt, sub\) and tree\ with plain.txt, a
# folder link "inner" -> outside and a file link "file-link" -> outside\keep.txt.
morvane_link_fixture() {
  local base="$WINEPREFIX/drive_c/morvane-links"
  rm -rf "$base"
  mkdir -p "$base/outside/sub" "$base/tree"
  echo keep >"$base/outside/keep.txt"
  echo plain >"$base/tree/plain.txt"
  ln -s ../outside "$base/tree/inner"
  ln -s ../outside/keep.txt "$base/tree/file-link"
}

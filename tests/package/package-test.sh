#!/usr/bin/env bash
# What a system install holds, checked on a real install tree:
#   package-test.sh install BUILD_DIR         cmake --install of BUILD_DIR into a DESTDIR
#   package-test.sh deb SOURCE_DIR BUILD_DIR  scripts/package's release build in BUILD_DIR and its
#                                             .deb: its dependencies, then its unpacked files
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

id=io.corvela.Launcher
entry=usr/share/applications/$id.desktop
metainfo=usr/share/metainfo/$id.metainfo.xml
icon=usr/share/icons/hicolor/64x64/apps/corvela.png
expected_files=(
  usr/bin/corvela
  usr/bin/cvl_qx
  usr/bin/uninst
  "$entry"
  "$icon"
  "$metainfo"
  usr/share/man/man1/cvl_qx.1
  usr/share/man/man1/uninst.1
)

# check_tree ROOT: ROOT/usr holds the listed files, the icon in larger sizes at most, and nothing
# else, and each passes its checker.
check_tree() {
  local root=$1 f
  local listed actual
  listed=$(printf '%s\n' "${expected_files[@]}" | sort)
  actual=$(cd "$root" && find usr ! -type d ! -path "usr/share/icons/hicolor/*/apps/corvela.png" | sort)
  actual=$(printf '%s\n' $actual "$icon" | sort -u)
  [ "$listed" = "$actual" ] || fail "the install tree differs from the list:
$(diff <(echo "$listed") <(echo "$actual") || true)"
  for f in usr/bin/corvela usr/bin/cvl_qx usr/bin/uninst; do
    [ -x "$root/$f" ] || fail "$f is not executable"
  done

  local said
  said=$(desktop-file-validate "$root/$entry" 2>&1) || fail "desktop-file-validate rejects $entry: $said"
  # What the entry names must be there: the program on the PATH and an icon of that name.
  local exec icon_name
  exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/$entry")
  icon_name=$(sed -n 's/^Icon=//p' "$root/$entry")
  [ -x "$root/usr/bin/$exec" ] || fail "the entry's Exec=$exec is not an installed program"
  [ -f "$root/usr/share/icons/hicolor/64x64/apps/$icon_name.png" ] ||
    fail "the entry's Icon=$icon_name names no installed icon"
  # Every size of the icon lies in the folder of its size.
  [ -f "$root/$icon" ] || fail "$icon is missing"
  local size
  for f in "$root"/usr/share/icons/hicolor/*/apps/corvela.png; do
    size=$(basename "$(dirname "$(dirname "$f")")")
    file "$f" | grep -q "PNG image data, ${size/x/ x }," || fail "${f#"$root"/} is not a $size PNG: $(file "$f")"
  done

  said=$(appstreamcli validate --no-net "$root/$metainfo" 2>&1) || fail "appstreamcli rejects $metainfo: $said"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$root/$metainfo" ||
    fail "the metainfo does not name the installed menu entry"
  local binary
  for binary in $(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$root/$metainfo"); do
    [ -x "$root/usr/bin/$binary" ] || fail "the metainfo provides $binary, which is not installed"
  done

  for f in usr/share/man/man1/cvl_qx.1 usr/share/man/man1/uninst.1; do
    local warnings
    warnings=$(LC_ALL=C.UTF-8 groff -K utf8 -man -ww -z "$root/$f" 2>&1)
    [ -z "$warnings" ] || fail "groff warns on $f: $warnings"
  done
}

case ${1-} in
  install)
    DESTDIR=$tmp/root cmake --install "$2" --prefix /usr >/dev/null
    check_tree "$tmp/root"
    ;;
  deb)
    source=$2 build=$3
    deb=$("$source/scripts/package" "$build" | tail -n 1)
    [ -f "$deb" ] || fail "scripts/package printed no package path"
    # A release build finds none of what only the tests, the benchmarks or the demo use.
    if grep -E '^(GTest_DIR|spdlog_DIR|benchmark_DIR|HTTPLIB_FOUND)[:=]' "$build/CMakeCache.txt"; then
      fail "the release build looked for a test, benchmark or demo dependency"
    fi
    dpkg-deb -I "$deb"
    depends=", $(dpkg-deb -f "$deb" Depends),"
    # The libraries from dpkg-shlibdeps (a sample across the stack) and the two added by hand.
    for want in libc6 libstdc++6 libcurl4 libuuid1 libx11-6 libgtk-3-0 libwebkit2gtk-4.1-0 \
                'fonts-noto-cjk | fonts-wqy-microhei' p7zip-full; do
      [[ $depends == *", $want"[\ ,]* ]] || fail "Depends lacks $want"
    done
    [[ $depends != *-dev[\ ,]* ]] || fail "Depends names a development package"
    dpkg-deb -x "$deb" "$tmp/root"
    check_tree "$tmp/root"
    ;;
  *)
    fail "usage: package-test.sh install BUILD_DIR | deb SOURCE_DIR BUILD_DIR"
    ;;
esac
echo "package-test.sh $1: passed"

#!/usr/bin/env bash
# Builds the Debian package from the build folder (or takes the .deb given
# as $2), unpacks it into a temporary root and checks, as a new user with an
# empty home, that the unpacked kwave makes its program directory from the
# shipped data, works from there, and that a database beside the executable
# still wins.
set -euo pipefail
build_dir=$1
deb=${2:-}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if [ -z "$deb" ]; then
  (cd "$build_dir" && cpack -G DEB -B "$work/package" >"$work/cpack.log") || {
    cat "$work/cpack.log" >&2
    fail "cpack could not build the package"
  }
  deb=$(ls "$work"/package/kestrelwave_*_*.deb)
fi
case $(basename "$deb") in
  kestrelwave_*_amd64.deb | kestrelwave_*_arm64.deb) ;;
  *) fail "unexpected package name $(basename "$deb")" ;;
esac
dpkg-deb -f "$deb" Depends | grep -q libsqlite3 || fail "dependencies not read from the shared libraries"

if command -v lintian >/dev/null; then
  lintian "$deb" >"$work/lintian" 2>&1 || true
  if grep -q '^E:' "$work/lintian"; then
    grep '^E:' "$work/lintian" >&2
    fail "lintian reports errors"
  fi
fi

root=$work/root
dpkg-deb -x "$deb" "$root"
for file in usr/bin/kwave usr/bin/kestrelwave usr/share/kestrelwave/catalogue/channels.tsv \
  usr/share/kestrelwave/Skins/Skins.ini usr/share/man/man1/kwave.1.gz \
  usr/share/bash-completion/completions/kwave usr/share/icons/hicolor/256x256/apps/kestrelwave.png \
  usr/lib/kestrelwave/kestrelwave-webview.so; do
  [ -e "$root/$file" ] || fail "the package lacks /$file"
done

kwave=$root/usr/bin/kwave
home=$work/home
mkdir -p "$home"
user_dir=$home/.local/share/kestrelwave
run() { env -i PATH=/usr/bin:/bin HOME="$1" "${@:2}"; }

# First use: the program directory is made in the user's home.
run "$home" "$kwave" stats >"$work/stats" 2>"$work/stats.err" || fail "kwave stats: $(cat "$work/stats.err")"
grep -q "made the program directory $user_dir" "$work/stats.err" || fail "no first-use note: $(cat "$work/stats.err")"
[ -f "$user_dir/Kestrelwave.dll" ] && [ -f "$user_dir/Kestrelwave.ini" ] && [ -f "$user_dir/Skins/Skins.ini" ] ||
  fail "incomplete program directory in $user_dir"
shipped=$(($(wc -l <"$root/usr/share/kestrelwave/catalogue/channels.tsv") - 1))
listed=$(run "$home" "$kwave" list | wc -l)
[ "$listed" -eq "$shipped" ] || fail "$listed channels listed, the catalogue ships $shipped"

run "$home" "$kwave" tree >"$work/tree" 2>"$work/tree.err" || fail "kwave tree: $(cat "$work/tree.err")"
[ "$(wc -l <"$work/tree")" -gt "$shipped" ] || fail "kwave tree printed too little"
# The second run keeps what the user changed.
run "$home" "$kwave" add --class0 Mine --name UserOnly --url http://127.0.0.1/u >/dev/null
run "$home" "$kwave" stats 2>"$work/again.err" >/dev/null
[ ! -s "$work/again.err" ] || fail "the program directory was made twice: $(cat "$work/again.err")"
run "$home" "$kwave" list | grep -qx UserOnly || fail "the user's channel was lost"

# Portable: a database beside the executable wins over the home folder.
other_home=$work/other-home
mkdir -p "$other_home"
run "$other_home" "$kwave" init "$root/usr/bin" >/dev/null
run "$other_home" "$kwave" add --class0 Mine --name PortableOnly --url http://127.0.0.1/p >/dev/null
run "$other_home" "$kwave" list | grep -qx PortableOnly || fail "the portable directory was not used"
[ ! -e "$other_home/.local" ] || fail "a per-user directory was made beside a portable one"
run "$home" "$kwave" --dir "$user_dir" list | grep -qx UserOnly || fail "--dir did not override"
echo "package checked: $(basename "$deb"), $shipped channels"

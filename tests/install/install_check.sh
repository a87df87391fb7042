#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere (no
# path of the build or of the prefix may be baked in), then runs the
# installed program, reads its manual page and asks its completion.
#   install_check.sh BUILD_DIR SAMPLE_FILE
set -euo pipefail
build=$1 sample=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$work/first" >/dev/null
mv "$work/first" "$work/moved"
prefix=$work/moved
for f in bin/trevalon share/trevalon/epsg.db3 share/applications/trevalon.desktop \
         share/mime/packages/trevalon.xml share/man/man1/trevalon.1 \
         share/bash-completion/completions/trevalon share/icons/hicolor/48x48/apps/trevalon.png \
         share/icons/hicolor/256x256/apps/trevalon.png; do
    [ -f "$prefix/$f" ] || fail "$f not installed"
done
grep -q '^MimeType=application/x-segy;' "$prefix/share/applications/trevalon.desktop" || fail "desktop entry"
grep -q '<glob pattern="\*.segy"/>' "$prefix/share/mime/packages/trevalon.xml" || fail "MIME type"

out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/trevalon" "$sample" info) || fail "info exited $?"
grep -q '^Trace count: [1-9]' <<<"$out" || fail "info printed: $out"
# The catalogue is found beside the installed program's share directory.
env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/trevalon" "$sample" reproject --quiet \
    --in-epsg 23031 --out-epsg 32631 --saveas "$work/reprojected.sgy" || fail "reproject exited $?"
[ -s "$work/reprojected.sgy" ] || fail "no reprojected file"
# A map is drawn by the library that paints, found from the moved prefix.
env -u DISPLAY -u WAYLAND_DISPLAY ASAN_OPTIONS=detect_leaks=0 "$prefix/bin/trevalon" "$sample" geometry \
    --map "$work/map.png" >/dev/null 2>&1 || fail "geometry --map exited $?"
[ -s "$work/map.png" ] || fail "no map drawn"
version=$("$prefix/bin/trevalon" --version)
[ "$version" = "Trevalon $TREVALON_VERSION" ] || fail "version: $version"

page=$(MANWIDTH=100 man -l "$prefix/share/man/man1/trevalon.1" 2>&1) || fail "man -l exited $?"
for text in "EXIT STATUS" "EXAMPLES" "--bin-header byte_offset=new_value" "--ascii-out" "--in-epsg" \
            "--quiet" "3217-3218" "189-192"; do
    grep -qF -- "$text" <<<"$page" || fail "the manual page lacks $text"
done
for command in $("$prefix/bin/trevalon" --help | awk '/^Commands/ {c = 1; next} c && !NF {c = 0} c {print $1}'); do
    grep -qE "^   $command\$" <<<"$page" || fail "the manual page lacks the command $command"
done

complete_words() {  # the completions of the words given, the last one being completed
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _trevalon; echo "${COMPREPLY[*]}"' \
        _ "$prefix/share/bash-completion/completions/trevalon" "$@"
}
[[ " $(complete_words trevalon f.sgy ex) " == *" export-headers "* ]] || fail "command completion"
[[ " $(complete_words trevalon f.sgy edit --in) " == *" --interval "* ]] || fail "option completion"
[[ " $(complete_words trevalon f.sgy edit -t 18) " == *" 189= "* ]] || fail "trace field completion"
[[ " $(complete_words trevalon f.sgy edit -b 321) " == *" 3217= "* ]] || fail "binary field completion"
[[ " $(complete_words trevalon f.sgy stats --fields 9,19) " == *" 9,193 "* ]] || fail "field list completion"
echo "install check: 1 passed, 0 failed"

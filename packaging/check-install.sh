#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build into a staging folder (DESTDIR, prefix /usr) and checks what lands there:
# the list of files and their modes, the README's links, the desktop entry, the AppStream metadata,
# the MIME type, the icons, the manual pages and the changelog.
# Usage: check-install.sh BUILD_DIR STAGING_DIR EXPECTED_LIST CLI_INSTALLED(yes|no) VERSION
set -euo pipefail
build=$1 staging=$2 expected=$3 cli_installed=$4 version=$5
app=org.qzb.QZB
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

rm -rf "$staging"
DESTDIR="$staging" cmake --install "$build" --prefix /usr >/dev/null
share=$staging/usr/share

# The installed files, exactly; qzb-cli and its manual page only where that target is built.
expected_files=$(if [ "$cli_installed" = yes ]; then cat "$expected"; else grep -v 'qzb-cli' "$expected"; fi | sort)
installed_files=$(cd "$staging" && find . ! -type d | sed 's|^\./||' | sort)
diff -u --label expected --label installed <(echo "$expected_files") <(echo "$installed_files") ||
  fail "the installed files differ from $expected"
programs=( -path './usr/bin/*' -o -path './usr/lib/qzb/*' )
wrong_modes=$(cd "$staging" && find . \( -type d ! -perm 755 \) -o \( \( "${programs[@]}" \) ! -perm 755 \) -o \
  \( -type f ! \( "${programs[@]}" \) ! -perm 644 \))
[ -z "$wrong_modes" ] || fail "unexpected permissions on: $wrong_modes"

# The installed README links only to what is installed beside it (its picture, the examples).
doc=$share/doc/qzb
while read -r link; do
  [ -e "$doc/${link%%#*}" ] || fail "the installed README links to $link, which is not installed"
done < <(grep -oE '\]\([^)]+\)' "$doc/README.md" | sed 's/^](//; s/)$//' | grep -vE '^(https?:|mailto:|#)' || true)

# The desktop entry starts an installed program, shows an installed icon and opens .qzb files.
desktop=$share/applications/$app.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $app.desktop"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exec_line" = "qzb %f" ] || fail "Exec is '$exec_line', not 'qzb %f'"
[ -x "$staging/usr/bin/${exec_line%% *}" ] || fail "Exec names ${exec_line%% *}, which is not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon has no installed SVG"
grep -qx 'MimeType=application/x-qzb;' "$desktop" || fail "the desktop entry does not claim application/x-qzb"

# "QZB in the browser" opens the installed page in one file.
browser=$share/applications/$app.Browser.desktop
desktop-file-validate "$browser" || fail "desktop-file-validate rejects $app.Browser.desktop"
page=$(sed -n 's/^Exec=xdg-open //p' "$browser")
[ -n "$page" ] && [ -f "$staging$page" ] || fail "$app.Browser.desktop opens '$page', which is not installed"
grep -q '<script type="module">' "$staging$page" 2>/dev/null || fail "$page is not the page in one file"

# The installed programs answer --version with the package's version, with no display to connect to.
for program in qzb qzb-cli; do
  [ -x "$staging/usr/bin/$program" ] || continue
  answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$staging/usr/bin/$program" --version 2>&1) ||
    fail "$program --version failed: $answer"
  [ "$answer" = "$program $version" ] || fail "$program --version says '$answer', not '$program $version'"
done

# The installed qzb-cli finds the statically linked copy it puts into a Gradescope autograder.
if [ -x "$staging/usr/bin/qzb-cli" ]; then
  autograder=$(mktemp -d)
  printf 'case "c"\nexpect pc=0\n' >"$autograder/t.qzt"
  # The listing is read whole: grep -q leaving a pipe early would fail it under pipefail.
  listing=$("$staging/usr/bin/qzb-cli" gradescope "$autograder/t.qzt" -o "$autograder/a.zip" >/dev/null &&
    unzip -Z1 "$autograder/a.zip") || true
  grep -qx 'qzb-cli' <<<"$listing" || fail "the installed qzb-cli makes no autograder"
  rm -rf "$autograder"
fi

# AppStream: the metadata file itself, then the installed tree as a software centre reads it.
appstreamcli validate --no-net "$share/metainfo/$app.metainfo.xml" >/dev/null ||
  fail "appstreamcli rejects $app.metainfo.xml: $(appstreamcli validate --no-net "$share/metainfo/$app.metainfo.xml")"
appstreamcli validate-tree --no-net "$staging" >/dev/null ||
  fail "appstreamcli rejects the installed tree: $(appstreamcli validate-tree --no-net "$staging")"

# The MIME package: well-formed, accepted by update-mime-database, and the database built from it
# gives a .qzb file the type application/x-qzb, as a file manager sees it, with its comment and icon.
mime_xml=$share/mime/packages/$app.xml
xmllint --noout "$mime_xml" || fail "xmllint rejects $app.xml"
mime_db=$(mktemp -d)
trap 'rm -rf "$mime_db"' EXIT
mkdir -p "$mime_db/mime/packages"
cp "$mime_xml" "$mime_db/mime/packages/"
XDG_DATA_DIRS="$mime_db" update-mime-database "$mime_db/mime" 2>"$mime_db/errors" || true
[ ! -s "$mime_db/errors" ] || fail "update-mime-database: $(cat "$mime_db/errors")"
printf '0\r\n' >"$mime_db/some.qzb"
content_type=$(XDG_DATA_HOME="$mime_db/home" XDG_DATA_DIRS="$mime_db" gio info -a standard::content-type \
  "$mime_db/some.qzb" | sed -n 's/^ *standard::content-type: //p')
[ "$content_type" = application/x-qzb ] || fail "a .qzb file is '$content_type', not application/x-qzb"
grep -q '<comment>QZB setting file</comment>' "$mime_db/mime/application/x-qzb.xml" 2>/dev/null ||
  fail "application/x-qzb lacks the comment 'QZB setting file'"
grep -qx "application/x-qzb:$icon" "$mime_db/mime/icons" 2>/dev/null ||
  fail "application/x-qzb does not show the icon $icon"

# Every PNG has the size its folder names; the SVG is well-formed.
for png in "$share"/icons/hicolor/*x*/apps/"$app".png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  file -b "$png" | grep -q "^PNG image data, ${size%x*} x ${size#*x}," ||
    fail "$png is not a ${size} PNG: $(file -b "$png")"
done
xmllint --noout "$share/icons/hicolor/scalable/apps/$app.svg" || fail "xmllint rejects $app.svg"

# Manual pages and the changelog: sound gzip, no formatting warnings, the package's version.
for page in "$share"/man/man1/*.1.gz; do
  gzip -t "$page" || fail "$page is not a sound gzip file"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
changelog=$share/doc/qzb/changelog.gz
gzip -t "$changelog" || fail "changelog.gz is not a sound gzip file"
changelog_version=$(zcat "$changelog" | dpkg-parsechangelog -l - --show-field Version)
[ "$changelog_version" = "$version" ] ||
  fail "the changelog's latest entry is $changelog_version, the project is $version"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed on the install staged in $staging" >&2
  exit 1
fi
echo "The install staged in $staging passed every check"

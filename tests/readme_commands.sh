#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every "$ qzb-cli ..." line in the README's indented code blocks, run in a scratch folder that holds
# a copy of examples/ (so that asm writes nowhere in the tree), must print exactly the lines the
# README shows below it, stdout and stderr together. A "$ cd DIR" line, or a "cd DIR" line that is
# no command's output, moves the later commands into DIR of the scratch folder.
# Usage: readme_commands.sh README QZB_CLI EXAMPLES_DIR
set -euo pipefail
readme=$1 cli=$(realpath "$2") examples=$3

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/bin" "$scratch/work" "$scratch/expected"
ln -s "$cli" "$scratch/bin/qzb-cli"
cp -R "$examples" "$scratch/work/examples"
rm -f "$scratch/work/examples/CMakeLists.txt"

# Splits the README's code blocks into expected/N.command and expected/N.output. A code block is a
# run of lines indented by four spaces that follows a blank line, with the blank lines inside it;
# the output of a command is what follows it in its block up to the next "$ " line.
awk -v dir="$scratch/expected" '
  /^ *$/ { if (incode) blanks++; previous_blank = 1; next }
  /^    / && (incode || previous_blank) {
    if (!incode) { incode = 1; collecting = 0; blanks = 0 }
    previous_blank = 0
    line = substr($0, 5)
    if (line ~ /^\$ / || (!collecting && line ~ /^cd [^ ]+ *(#.*)?$/)) {
      n++; collecting = line ~ /^\$ /; blanks = 0
      if (collecting) print substr(line, 3) > (dir "/" n ".command")
      else { split(line, words, " "); print "cd " words[2] > (dir "/" n ".command") }
      printf "" > (dir "/" n ".output")
      next
    }
    if (collecting) {
      for (; blanks > 0; blanks--) print "" > (dir "/" n ".output")
      print line > (dir "/" n ".output")
    }
    blanks = 0
    next
  }
  { incode = 0; collecting = 0; blanks = 0; previous_blank = 0 }
' "$readme"

cwd=$scratch/work ran=0 failures=0 made_links=
for ((i = 1; ; i++)); do
  [ -f "$scratch/expected/$i.command" ] || break
  command=$(<"$scratch/expected/$i.command") expected=$(<"$scratch/expected/$i.output")
  case $command in
    "cd "*)
      cwd=$scratch/work/${command#cd }
      [ -d "$cwd" ] || { echo "FAIL: \$ $command: no such folder in the scratch copy"; failures=$((failures + 1)); }
      continue ;;
    "qzb-cli "*) ;;
    *) echo "not run (not a qzb-cli command): \$ $command"; continue ;;
  esac
  actual=$(cd "$cwd" && PATH="$scratch/bin:$PATH" bash -c "$command" 2>&1) || true
  ran=$((ran + 1))
  [[ $command != "qzb-cli link "* ]] || made_links+=$expected$'\n'
  if [ "$actual" != "$expected" ]; then
    echo "FAIL: \$ $command prints something else than the README shows:"
    diff -u --label README --label qzb-cli <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") || true
    failures=$((failures + 1))
  fi
done

# Every link the README shows is what `qzb-cli link` prints for an example, as a command above shows.
while read -r link; do
  if [ -n "$link" ] && ! grep -qxF -- "$link" <<<"$made_links"; then
    echo "FAIL: the README shows the link $link, which no \$ qzb-cli link command in it prints"
    failures=$((failures + 1))
  fi
done < <(grep -oE '#qzb1\.[0-9A-Za-z.]+' "$readme" | sort -u)

[ "$ran" -gt 0 ] || { echo "FAIL: no \$ qzb-cli command found in $readme"; exit 1; }
[ "$failures" -eq 0 ] || { echo "$failures README commands or links differ from what qzb-cli prints"; exit 1; }
echo "$ran README commands print what the README shows"

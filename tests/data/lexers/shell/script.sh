#!/bin/bash
# Expansions, quoting and compound commands.
set -eu
prefix=/usr/local count+=1
readonly VERSION="1.${minor:-0}"

greet() {
  local name="${1:-world}"   # a comment after code
  echo "Hello, $name! $(date "+%H:%M") `uname -r` \$HOME \n ${#name}"
  echo "nested: $(basename "$(dirname "$0")")" 'single $not "expanded"' $'tab\there\'s'
}

function cleanup {
  rm -f -- "$tmp"#not-a-comment
  [ -d "$dir" ] && rmdir "$dir" || true
}

if [[ -n ${x-} && $x -gt 0 ]]; then
  echo "positive"
elif (( x < 0 )); then
  echo $((x * -1 + (2 << 1)))
else
  echo zero; fi

case "$1" in
  start|restart) greet "$2" ;;
  -h|--help)
    exit 0
    ;;
  *) printf '%s\n' "unknown: $1" >&2; exit 2 ;;
esac

for f in ./*.txt; do
  while read -r line; do
    echo "$line" >> out.log 2>&1
  done < "$f"
done

{ echo grouped; echo output; } > /dev/null
arr=(one two "three four")
echo "${arr[@]}" ${arr[0]//o/0} $? $$ $! $#
echo multi'
line single' "multi
line double"

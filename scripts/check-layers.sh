#!/usr/bin/env bash
# Checks that the source folders include one another only downwards:
#   win32 -> ui -> shell, app -> tweaks -> platform -> core
# (shell and app side by side, neither including the other), and that <windows.h>
# is included only in win32. Prints every include that breaks the rule; fails on any.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)/src"

allowed() { # folder -> the folders it may include
  case $1 in
    core) echo "core" ;;
    platform) echo "platform core" ;;
    tweaks) echo "tweaks platform core" ;;
    app) echo "app tweaks platform core" ;;
    shell) echo "shell tweaks platform core" ;;
    ui) echo "ui app shell tweaks platform core" ;;
    win32) echo "win32 ui app shell tweaks platform core" ;;
    *) echo "" ;;
  esac
}

faults=0
checked=0
while IFS= read -r file; do
  rel=${file#"$src"/}
  folder=${rel%%/*}
  ok=" $(allowed "$folder") "
  while IFS= read -r line; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$line")
    checked=$((checked + 1))
    if [[ "$ok" != *" $target "* ]]; then
      echo "$rel: $line ($folder may not include $target)"
      faults=$((faults + 1))
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$file" || true)
  if [ "$folder" != win32 ] && grep -qiE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<windows\.h>' "$file"; then
    echo "$rel: includes <windows.h> outside win32"
    faults=$((faults + 1))
  fi
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \))

echo "layers: $checked includes checked, $faults against the rule"
[ "$faults" -eq 0 ]

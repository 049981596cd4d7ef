#!/usr/bin/env bash
# The layers of the tree, checked on its includes: every arrow points downwards.
#   base/      nothing of ours
#   appended/  base
#   system/    base
#   ui/        base, system
#   app/       base, appended, system, ui, resources
#   exeadder/  base, appended, system   (the builder's tool never reaches into the program)
# A folder may always include its own headers. Exits 1 and names every include that points
# elsewhere.
#   check_layers.sh [ROOT]
set -uo pipefail
ROOT=${1:-$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)}
cd "$ROOT" || exit 2

declare -A ALLOWED=(
  [base]=""
  [appended]="base"
  [system]="base"
  [ui]="base system"
  [app]="base appended system ui resources"
  [exeadder]="base appended system"
)

bad=0
for folder in "${!ALLOWED[@]}"; do
  [ -d "$folder" ] || continue
  allowed=" $folder ${ALLOWED[$folder]} "
  while IFS=: read -r file line target; do
    layer=${target%%/*}
    case "$allowed" in
      *" $layer "*) ;;
      *) echo "$file:$line: includes $target ($folder/ may use:${ALLOWED[$folder]:- nothing of ours})"; bad=1 ;;
    esac
  done < <(grep -n -o -E '^#include "[a-z]+/[^"]+"' "$folder"/*.h "$folder"/*.cpp 2>/dev/null |
             sed -E 's/^([^:]+):([0-9]+):#include "([^"]+)"/\1:\2:\3/')
done
[ "$bad" -eq 0 ] && echo "layers: every include points downwards"
exit "$bad"

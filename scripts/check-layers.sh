#!/usr/bin/env bash
# The source folders are layers: a folder may include headers of its own and of the folders
# below it, never of a folder above. This reads every #include "..." of the source folders and
# names each file and line that reaches up, and each header name that two folders share (an
# include of it could not be told apart). A top-level folder with sources that is neither a layer
# nor one of the folders outside the layers fails too: its includes would go unchecked.
set -euo pipefail
cd "$(dirname "$0")/.."

# Bottom to top; the README's layer diagram shows the same order.
layers=(store summary widgets bars res plot document curves textcfg print alarms views trend app tools)
# Sources outside the layers: they may include any layer (build trees are skipped as well).
outside=(tests bench fuzz)

declare -A rank home
for i in "${!layers[@]}"; do
    rank[${layers[$i]}]=$i
done

status=0
for dir in */; do
    folder=${dir%/}
    case " ${layers[*]} ${outside[*]} " in *" $folder "*) continue ;; esac
    case "$folder" in build*) continue ;; esac
    for file in "$folder"/*.h "$folder"/*.cpp; do
        if [ -e "$file" ]; then
            echo "$folder/: holds C++ sources ($file) but is not in the list of layers of" \
                 "scripts/check-layers.sh; add it to the layers in its place (and to the README)" >&2
            status=1
            break
        fi
    done
done

for folder in "${layers[@]}"; do
    for header in "$folder"/*.h; do
        [ -e "$header" ] || continue
        name=${header##*/}
        if [ -n "${home[$name]:-}" ]; then
            echo "$header: the header name $name is also in ${home[$name]}/" >&2
            status=1
        fi
        home[$name]=$folder
    done
done

for folder in "${layers[@]}"; do
    for file in "$folder"/*.h "$folder"/*.cpp; do
        [ -e "$file" ] || continue
        while IFS=: read -r line name; do
            target=${home[${name##*/}]:-}
            if [ -n "$target" ] && [ "${rank[$target]}" -gt "${rank[$folder]}" ]; then
                echo "$file:$line: includes \"$name\" of $target/, a layer above $folder/" >&2
                status=1
            fi
        done < <(awk 'match($0, /^[ \t]*#[ \t]*include[ \t]*"[^"]*"/) {
                          name = substr($0, RSTART, RLENGTH); sub(/^[^"]*"/, "", name)
                          sub(/"$/, "", name); print FNR ":" name }' "$file")
    done
done

if [ "$status" -eq 0 ]; then
    echo "layers: every include stays in its folder or goes down (${layers[*]})"
fi
exit "$status"

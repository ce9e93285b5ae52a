#!/bin/sh
# Regenerates the map pictures (data/pictures/map.jpg, map@2x.jpg) and the id
# image that tools/map/mapaccuracy measures. Arguments go to generate.mjs:
#   tools/map/generate.sh            draw with the projection in projection.json
#   tools/map/generate.sh --refit    fit the projection to the regions again first
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

for tool in node npm rsvg-convert convert; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "generate.sh: $tool is missing (Debian: nodejs npm librsvg2-bin imagemagick)" >&2
        exit 1
    fi
done

# The exact package versions of package-lock.json, installed only when needed.
if ! npm ls --omit=dev >/dev/null 2>&1; then
    npm ci --no-audit --no-fund
fi

exec node generate.mjs "$@"

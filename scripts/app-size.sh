#!/usr/bin/env bash
# Reports the size of the shipped application and how much of it is pictures and module.
#   scripts/app-size.sh JINGLE_APP_EXE
set -euo pipefail
cd "$(dirname "$0")/.."
exe=$1
total=$(stat -c %s "$exe")
resources=0
for file in resources/background.bmp resources/about_title.bmp resources/jingle.ico resources/jingle.xm; do
  resources=$((resources + $(stat -c %s "$file")))
done
printf 'jingle-app.exe: %d bytes stripped, of which %d are pictures, icon and module (%d%%), %d the rest\n' \
  "$total" "$resources" $((100 * resources / total)) $((total - resources))

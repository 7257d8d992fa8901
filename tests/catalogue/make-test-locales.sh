#!/bin/sh
# make-test-locales.sh <localedef> <folder> <locale>...: compiles each locale (e.g. de_AT) with
# UTF-8 into <folder>, for LOCPATH, then touches <folder>/stamp. localedef's exit code 1 means
# warnings only; the locale is still written.
set -u
localedef=$1 folder=$2
shift 2
mkdir -p "$folder"
for locale in "$@"; do
  "$localedef" -i "$locale" -f UTF-8 "$folder/$locale.UTF-8"
  status=$?
  if [ "$status" -gt 1 ] || [ ! -f "$folder/$locale.UTF-8/LC_MESSAGES/SYS_LC_MESSAGES" ]; then
    echo "make-test-locales: localedef failed for $locale (exit $status)" >&2
    exit 1
  fi
done
touch "$folder/stamp"

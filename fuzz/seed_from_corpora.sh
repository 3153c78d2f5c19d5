#!/usr/bin/env bash
# Copies the shared e-mail corpora into a fuzzing work corpus for fuzz_mime_body, at run time only
# (the corpora are never committed). Usage: fuzz/seed_from_corpora.sh CORPUS_DIR [CORPORA_DIR]
set -euo pipefail
target=${1:?usage: seed_from_corpora.sh CORPUS_DIR [CORPORA_DIR]}
source_dir=${2:-$(cd "$(dirname "$0")/../.." && pwd)/shared/corpora}
if [ ! -d "$source_dir" ]; then
  echo "no corpora at $source_dir; nothing copied" >&2
  exit 0
fi
mkdir -p "$target"
count=0
while IFS= read -r -d '' file; do
  name=$(basename "$file")
  case "${name,,}" in readme*) continue ;; esac
  # Name each copy by its content, so reruns add nothing twice; skip files over 1 MB.
  [ "$(stat -c %s "$file")" -le 1048576 ] || continue
  cp "$file" "$target/corpora-$(sha1sum "$file" | cut -c1-16)"
  count=$((count + 1))
done < <(find "$source_dir" -type f -print0)
echo "copied $count files from $source_dir into $target"

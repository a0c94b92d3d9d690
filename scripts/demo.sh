#!/usr/bin/env bash
# Builds the suite and starts it in a ready demo folder (demo/ beside the sources):
# a fresh database and the sample files, made once and kept between runs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
mkdir -p demo
cd demo
if [ ! -e mailsort.mdb ]; then
  "$root/build/bin/qvmakedb"
fi
# Sample customer files, and a synthetic national set of Post Office files in
# both forms (File > Load new PO database: type podata-comma or podata-fixed
# in the drive box).
for f in "$root"/data/demo/*; do
  [ -e "$(basename "$f")" ] || cp "$f" .
done
[ -e podata-comma ] || "$root/build/bin/qvpogen" --size national --form comma podata-comma
[ -e podata-fixed ] || "$root/build/bin/qvpogen" --size national --form fixed podata-fixed
if [ -x "$root/build/bin/quorvel" ]; then
  exec "$root/build/bin/quorvel"
fi
echo "The demo folder is ready: $root/demo"

#!/usr/bin/env bash
# check-installed.sh ROOT DICTIONARY.mdb: checks an installed Volmira under ROOT/usr (an unpacked package or
# a `cmake --install` prefix): only what a user can use is there, volmira-query, run from there, answers a
# statement on DICTIONARY, and volmira-diff finds that DICTIONARY compared with itself has not changed.
set -euo pipefail
root=$1
dictionary=$2
id=org.volmira.Volmira
status=0
fail() { echo "check-installed: $*" >&2; status=1; }

for f in usr/bin/volmira usr/bin/volmira-query usr/bin/volmira-export usr/bin/volmira-diff \
         usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/$id.svg usr/share/man/man1/volmira.1.gz \
         usr/share/doc/volmira/copyright usr/share/doc/volmira/changelog.gz usr/share/volmira/TAVRIN-sample.mdb; do
  [ -f "$root/$f" ] || fail "missing $f"
done
for side in 16 24 32 48 64 128 256; do
  [ -f "$root/usr/share/icons/hicolor/${side}x${side}/apps/$id.png" ] || fail "missing the ${side} px icon"
done
# Development tools, benchmarks and test data stay out.
while IFS= read -r f; do
  case "$f" in
    usr/bin/volmira | usr/bin/volmira-*) ;;
    usr/share/applications/$id.desktop | usr/share/metainfo/$id.metainfo.xml) ;;
    usr/share/icons/hicolor/*/apps/$id.png | usr/share/icons/hicolor/scalable/apps/$id.svg) ;;
    usr/share/man/man1/volmira*.1.gz | usr/share/doc/volmira/copyright | usr/share/doc/volmira/changelog.gz) ;;
    usr/share/volmira/TAVRIN-sample.mdb) ;;
    *) fail "not meant to be installed: $f" ;;
  esac
done < <(cd "$root" && find . -type f -printf '%P\n')

# The sample a new user opens is the one the build wrote.
cmp -s "$root/usr/share/volmira/TAVRIN-sample.mdb" "$dictionary" || fail "the installed sample differs from $dictionary"
# The programs read Jet files themselves: none links libmdb.
for program in "$root"/usr/bin/volmira*; do
  if ldd "$program" | grep -q libmdb; then fail "$program links libmdb"; fi
done

answer=$("$root/usr/bin/volmira-query" "$dictionary" "Select Distinct Table from Main where [Functional Area]='clcl'") \
  || fail "volmira-query failed"
[ -n "$answer" ] || fail "volmira-query printed no table"
"$root/usr/bin/volmira-diff" "$dictionary" "$dictionary" | grep -q '^No changes' \
  || fail "volmira-diff found changes between a dictionary and itself"
exit "$status"

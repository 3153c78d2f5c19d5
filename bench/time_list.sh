#!/usr/bin/env bash
# Times `velora list` on generated Maildir folders of 10,000 and 100,000 messages, cold (no header
# cache) and warm (cache written by the cold run), beside `mlist DIR | mscan` (mblaze) and
# `notmuch search '*'` (after `notmuch new`) on the same folder, with peak memory.
#
#   bench/time_list.sh [BUILD_DIR]     (default build/release; make it with
#                                       cmake --preset release && cmake --build build/release)
# Environment: COUNTS="10000 100000" to choose the sizes, WORK=DIR to keep the generated folders
# (default: a temporary folder removed at the end), NOTMUCH=no to leave notmuch out (its indexing
# of 100,000 messages takes minutes).
#
# "Cold" means Velora's header cache is empty; the files themselves stay in the page cache (run
# as root after `echo 3 > /proc/sys/vm/drop_caches` for a disk-cold figure).
set -euo pipefail

build=${1:-build/release}
velora=$build/velora
generator=$build/bench/velora_bench_maildir_generator
counts=${COUNTS:-"10000 100000"}
for program in "$velora" "$generator"; do
    [[ -x $program ]] || { echo "missing $program: build the release preset first" >&2; exit 1; }
done

install_if_missing() {  # command package
    command -v "$1" >/dev/null 2>&1 && return 0
    if [[ $(id -u) -eq 0 ]] && command -v apt-get >/dev/null 2>&1; then
        apt-get install -y -q "$2" >/dev/null 2>&1 || { apt-get update -q >/dev/null 2>&1 && apt-get install -y -q "$2" >/dev/null 2>&1; } || true
    fi
    command -v "$1" >/dev/null 2>&1
}
[[ -x /usr/bin/time ]] || install_if_missing time time || { echo "/usr/bin/time is needed (package time)" >&2; exit 1; }
have_mblaze=no; install_if_missing mscan mblaze && have_mblaze=yes
have_notmuch=no; [[ ${NOTMUCH:-yes} == no ]] || { install_if_missing notmuch notmuch && have_notmuch=yes; }

work=${WORK:-}
if [[ -z $work ]]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"

# run LABEL COMMAND...: prints seconds and peak memory of the command (output discarded).
run() {
    local label=$1; shift
    local report
    report=$(mktemp)
    /usr/bin/time -v -o "$report" "$@" >/dev/null 2>"$report.err" || { echo "$label: failed: $(head -c 300 "$report.err")"; rm -f "$report" "$report.err"; return; }
    local elapsed peak cpu
    elapsed=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$report")
    peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$report")
    cpu=$(awk -F': ' '/User time|System time/ {sum += $2} END {print sum}' "$report")
    # m:ss.ss to seconds
    local seconds
    seconds=$(echo "$elapsed" | awk -F: '{ if (NF == 3) print $1*3600 + $2*60 + $3; else print $1*60 + $2 }')
    printf '  %-34s %8.2f s wall %8.2f s cpu %8.1f MB peak\n' "$label" "$seconds" "$cpu" \
        "$(echo "$peak" | awk '{print $1/1024}')"
    rm -f "$report" "$report.err"
}

for count in $counts; do
    folder=$work/maildir-$count
    if [[ ! -d $folder/cur ]]; then
        echo "generating $count messages in $folder"
        "$generator" "$folder" "$count" 1
        # A listing relies on the folders' times only once they are two seconds old; a user's
        # folders are, and the warm figure is about that case.
        sleep 3
    fi
    export XDG_CACHE_HOME=$work/cache-$count XDG_DATA_HOME=$work/data VELORA_HOME=$work/home
    rm -rf "$XDG_CACHE_HOME"
    echo "== $count messages ($(du -sh --exclude=.notmuch "$folder" | cut -f1)), load average $(cut -d' ' -f1-3 /proc/loadavg)"
    run "velora list (cold)" "$velora" list --maildir "$folder"
    run "velora list (warm)" "$velora" list --maildir "$folder"
    run "velora list --sort sender (warm)" "$velora" list --sort sender --maildir "$folder"
    echo "  velora list prints $("$velora" list --maildir "$folder" | wc -l) lines"
    if [[ $have_mblaze == yes ]]; then
        export MBLAZE=$work/mblaze
        mkdir -p "$MBLAZE" && touch "$MBLAZE/seq"
        run "mlist DIR | mscan" bash -c 'mlist "$1" | mscan' _ "$folder"
    else
        echo "  mblaze: not installed"
    fi
    if [[ $have_notmuch == yes ]]; then
        export NOTMUCH_CONFIG=$work/notmuch-config-$count
        if [[ ! -f $NOTMUCH_CONFIG ]]; then
            printf '[database]\npath=%s\n[new]\ntags=\n[maildir]\nsynchronize_flags=false\n' "$folder" > "$NOTMUCH_CONFIG"
        fi
        run "notmuch new (indexing)" notmuch new --quiet
        run "notmuch search '*'" notmuch search '*'
    elif [[ ${NOTMUCH:-yes} == no ]]; then
        echo "  notmuch: left out (NOTMUCH=no)"
    else
        echo "  notmuch: not installed"
    fi
done

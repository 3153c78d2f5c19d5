# Sourced by the timing scripts: finds velora and the script's generator in BUILD_DIR ($1, default
# build/release), makes a temporary work folder removed at exit, and points velora's settings,
# data and cache folders into it so a timing run touches nothing of the user's.
# In: $generator_name (a program of BUILD_DIR/bench). Out: $velora, $generator, $work.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/release}
velora=$build/velora
generator=$build/bench/$generator_name
for tool in "$velora" "$generator"; do
    [[ -x $tool ]] || { echo "$(basename "$0"): $tool is missing; build it first" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export VELORA_HOME=$work/home XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache

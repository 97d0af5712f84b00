# Shared by start.sh, test.sh and the benchmarks: install what is missing, then build, saying what
# happens in a few lines and keeping the tools' own output in a log that is shown on failure.
# Needs POMARIN_SOURCE.

# Runs a command with its output in LOG; on failure shows the log's end and stops.
run_logged() {
    local log=$1 status=0
    shift
    "$@" >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log" >&2
        echo "Failed (exit status $status): $*" >&2
        echo "The whole output: $log" >&2
        exit "$status"
    fi
}

# ensure_tools GROUP...: installs the Debian packages of those groups in scripts/tools.list that
# are missing, then checks that every program the groups name is there. A program still missing
# stops everything at once, naming it and its package, before anything is built.
ensure_tools() {
    local group package programs program missing=() wanted=() names=() sources=()
    while read -r group package programs; do
        [[ -z $group || $group == \#* || " $* " != *" $group "* ]] && continue
        wanted+=("$package")
        for program in $programs; do
            [ "$program" = - ] && continue
            names+=("$program")
            sources+=("$package")
        done
    done <"$POMARIN_SOURCE/scripts/tools.list"

    for package in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        local sudo=() log started=$SECONDS
        [ "$(id -u)" -eq 0 ] || sudo=(sudo)
        log=$(mktemp -t pomarin-apt.XXXXXX.log)
        echo "Installing from Debian: ${missing[*]}"
        run_logged "$log" "${sudo[@]}" apt-get update
        run_logged "$log" "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y --no-install-recommends "${missing[@]}"
        rm -f "$log"
        echo "Installed in $((SECONDS - started)) s."
    fi

    local absent=0 i
    for i in "${!names[@]}"; do
        if ! command -v "${names[$i]}" >/dev/null; then
            echo "Missing program: ${names[$i]} (from the Debian package ${sources[$i]})." >&2
            absent=1
        fi
    done
    [ "$absent" -eq 0 ] || exit 1
}

# configure_build DIR [CMAKE_ARGS...]: configures a build folder when it has none yet or when
# arguments are given; later builds re-run CMake themselves when a CMakeLists.txt changed.
configure_build() {
    local dir=$1
    shift
    [ -f "$dir/CMakeCache.txt" ] && [ $# -eq 0 ] && return 0
    echo "Configuring ${dir#"$POMARIN_SOURCE"/}/"
    mkdir -p "$dir"
    run_logged "$dir/configure.log" cmake -S "$POMARIN_SOURCE" -B "$dir" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}

# build_targets DIR TARGET...: builds on every core with the progress in one line (rewritten in
# place on a terminal, a line per quarter otherwise) and says nothing when all is up to date.
# Callers run with pipefail, so a failed build fails the pipeline.
build_targets() {
    local dir=$1 started=$SECONDS
    shift
    local target targets=()
    for target in "$@"; do targets+=(--target "$target"); done
    if ! cmake --build "$dir" "${targets[@]}" --parallel "$(nproc)" 2>&1 |
        tee "$dir/build.log" | show_build_progress "$*"; then
        tail -n 60 "$dir/build.log" >&2
        echo "Building $* failed; the whole output: $dir/build.log" >&2
        exit 1
    fi
    grep -q -E "$BUILD_STEP" "$dir/build.log" && echo "Built $* in $((SECONDS - started)) s."
    return 0
}

# The lines of CMake's Makefiles that stand for work done, not for targets found up to date.
BUILD_STEP='^\[ *([0-9]+)%\] (Building|Linking)'

show_build_progress() {
    local line shown=-1
    while IFS= read -r line; do
        [[ $line =~ $BUILD_STEP ]] || continue
        local percent=${BASH_REMATCH[1]}
        if [ -t 1 ]; then
            printf '\rBuilding %s: %3d %%' "$1" "$percent"
        elif [ "$shown" -lt 0 ] || [ $((percent / 25)) -gt $((shown / 25)) ]; then
            echo "Building $1: $percent %"
        fi
        shown=$percent
    done
    if [ -t 1 ] && [ "$shown" -ge 0 ]; then echo; fi
    return 0
}

# Shared by start.sh and test.sh: install what is missing, then build.

BUILD_PACKAGES=(cmake make g++ qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins fonts-ipafont-gothic)

# Installs those of the Debian packages given that are not installed yet.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
}

# Builds into build/ beside the sources.
build_pomarin() {
    cmake -S "$POMARIN_SOURCE" -B "$POMARIN_SOURCE/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$POMARIN_SOURCE/build" --parallel "$(nproc)"
}

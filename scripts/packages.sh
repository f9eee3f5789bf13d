# Sourced by the top-level scripts: the Debian packages they need, and a function
# that installs those still missing.

BUILD_PACKAGES=(cmake g++ make pkg-config qtbase5-dev qtbase5-dev-tools fonts-dejavu-core)
TEST_PACKAGES=(xvfb xauth libxcb1-dev desktop-file-utils appstream)

install_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y --no-install-recommends "${missing[@]}"
}

#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config git
    clang clang-format clang-tidy libclang-rt-14-dev lld
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools qt6-l10n-tools libgl-dev
    libplist-dev libedit-dev
    xvfb xauth hyperfine gcovr
    dbus-daemon at-spi2-core python3-pyatspi qt6-translations-l10n
    lintian appstream desktop-file-utils
    man-db groff-base dpkg-dev file strace
    nlohmann-json3-dev python3-jsonschema ansible-core
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "These packages are missing and this is not root: ${missing[*]}" >&2
        exit 1
    fi
    as_root=(sudo)
fi
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"

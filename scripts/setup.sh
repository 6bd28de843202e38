#!/usr/bin/env bash
# Shared by run.sh and test.sh: installs the Debian packages the build, the
# program and its tests need (only those missing), then configures and builds
# in build/: everything, or only the targets named as arguments.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

packages=(
    cmake g++ make
    qt6-base-dev libqt6sql6-sqlite qt6-svg-dev libqt6svg6 qt6-qpa-plugins fonts-dejavu-core
    # The smoke test: a virtual X server, a window driver, and Xlib for its
    # close helper (qt6-base-dev brings libx11-dev too; named here on purpose).
    xvfb xauth xdotool libx11-dev
    # The same session again under a window manager, which it waits for with
    # xprop.
    openbox x11-utils
    imagemagick sqlite3 libsqlite3-dev
    # publish's HTTP.
    libcurl4-openssl-dev
    # import's reading of telephone numbers.
    libphonenumber-dev
    # Installing as desktop software: manual pages from --help, the package's
    # library dependencies (dpkg-shlibdeps, which needs file), and the
    # validators of the menu entry, the software-centre data and the package.
    help2man dpkg-dev file desktop-file-utils appstream lintian
    # publish's and sync's tests: two CardDAV servers, two clients that read
    # the address book back, and Python for a server that lies.
    radicale xandikos vdirsyncer khard python3
    # sync's password from the desktop keyring: a session bus and GNOME
    # Keyring of the test's own, and secret-tool to keep the password there.
    dbus-daemon dbus-bin gnome-keyring libsecret-tools
    # print's phone list: a font for Chinese, Japanese and Korean names, and
    # its tests and picture read the PDF with pdftotext, pdffonts, pdftoppm.
    fonts-noto-cjk poppler-utils
    # The fuzz targets: clang and its libFuzzer and sanitizer runtimes.
    clang-14 libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
    if [[ $(dpkg-query -W -f='${Status}' "$package" 2>/dev/null) != "install ok installed" ]]; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo=()
    if ((EUID != 0)); then sudo=(sudo); fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
# Only what is named is built; the configuration is the same either way, so a
# later build of everything (test.sh) finds every test still there.
cmake --build build -j"$(nproc)" ${1:+--target "$@"}

# Sourced by scripts/run and scripts/test: installs the Debian packages the
# build needs when any is missing. openssl makes the test cluster's TLS
# certificate (scripts/test) when the machine has none.
oru_packages="build-essential cmake pkg-config qt6-base-dev libsqlite3-dev libsodium-dev
libgtest-dev libbenchmark-dev poppler-utils fonts-dejavu-core clang-format libpq-dev postgresql openssl"

oru_install_deps() {
    local missing=""
    for p in $oru_packages; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $missing
}

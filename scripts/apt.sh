# Sourced by the scripts that install Debian packages: apt-get, made to carry
# on while the archive is in the middle of a sync, when a mirror serves index
# files that disagree with their Release file for an hour or more.
. "$(dirname "${BASH_SOURCE[0]}")/as-root.sh"

apt_me=$(basename "$0")
apt_codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
# A failed download is tried again a few times before apt gives up on it.
apt_options=(-q -o Acquire::Retries=3)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# Runs apt-get with its output shown and kept in the file $apt_log.
apt_logged() {
    as_root env DEBIAN_FRONTEND=noninteractive apt-get "${apt_options[@]}" "$@" 2>&1 | tee "$apt_log"
}

# Refreshes the package lists. An index that cannot be fetched is a warning
# that names it; apt goes on with the lists it has.
apt_update() {
    apt_log=$(mktemp)
    if ! apt_logged update; then
        echo "$apt_me: warning: apt could not fetch every index; going on with the lists it has:" >&2
        # "Err:8 <index>" with the reason on the line after it.
        awk '/^Err:/ { sub(/^Err:[0-9]+ /, ""); index_name = $0; getline; sub(/^ +/, "");
                       print "  " index_name ": " $0 }' "$apt_log" >&2
    fi
    rm -f "$apt_log"
}

# apt_install [-t release] package...: installs the packages, or stops the
# script naming those still missing and quoting apt's reasons. When apt
# cannot resolve the install and no release was asked for, it tries once
# more with this machine's own release preferred: a security update on one
# architecture whose twin on the other is missing from a half-synced index
# otherwise leaves multiarch packages (Wine's) with no way to install.
apt_install() {
    local release=()
    if [ "$1" = -t ]; then
        release=(-t "$2")
        shift 2
    fi
    apt_log=$(mktemp)
    if ! apt_logged install -y "${release[@]}" "$@"; then
        if [ ${#release[@]} -eq 0 ] && grep -Eq 'Unable to correct problems|Unmet dependencies|is not installable|has no installation candidate|Unable to locate package' "$apt_log"; then
            echo "$apt_me: apt could not resolve the install; trying once more with $apt_codename preferred (-t $apt_codename)"
            apt_logged install -y -t "$apt_codename" "$@" && { rm -f "$apt_log"; return 0; }
        fi
        local missing=() package
        for package in "$@"; do installed "$package" || missing+=("$package"); done
        echo "$apt_me: could not install ${missing[*]:-the packages}; apt said:" >&2
        grep -E '^ *[^ ]+ : |^ {4,}[A-Za-z-]+: |^E: ' "$apt_log" | sed 's/^ */  /' >&2 || true
        rm -f "$apt_log"
        exit 1
    fi
    rm -f "$apt_log"
}

# Sourced by the scripts that install: runs a command as root, through sudo
# unless this already is root.
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

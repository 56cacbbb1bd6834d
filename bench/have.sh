# The benchmarks' `have`, sourced by their scripts.
#
# have [PACKAGE:]COMMAND...
#   Installs the packages that give the commands named (a command is its own
#   package unless PACKAGE: says otherwise), unless they are there: as root,
#   from the package archive. Returns nonzero when they cannot be had, with
#   the packages missing in the array have_missing.
have() {
  local command
  have_missing=()
  for command in "$@"; do
    command -v "${command#*:}" >/dev/null || have_missing+=("${command%%:*}")
  done
  [ ${#have_missing[@]} -eq 0 ] && return 0
  [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
      "${have_missing[@]}" >/dev/null 2>&1
}

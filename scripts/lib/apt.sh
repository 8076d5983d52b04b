# Shared by scripts/setup and scripts/setup-windows: installs Debian packages that are missing.
#
# apt_install PACKAGE...   installs the packages not yet installed. A failing `apt-get update` (one
# index out of step with the others, a transient network error) is tried three times and then left
# behind: the install goes on with the lists the machine has, and fails, with one line naming the
# packages, only when a package that is needed cannot be installed.

sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

apt_missing() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# APT_TRIES (3) is how often an update is tried; an optional package is worth one try.
apt_update() {
  local try tries=${APT_TRIES:-3}
  for ((try = 1; try <= tries; try++)); do
    if $sudo apt-get update -qq; then return 0; fi
    echo "setup: apt-get update failed (try $try of $tries)" >&2
    [ "$try" -lt "$tries" ] && sleep $((try * 5))
  done
  echo "setup: going on with the package lists this machine has" >&2
}

# APT_UPDATE=yes forces an update even when nothing is missing (after a new source or architecture).
apt_install() {
  local missing
  mapfile -t missing < <(apt_missing "$@")
  if [ ${#missing[@]} -eq 0 ] && [ "${APT_UPDATE:-no}" != yes ]; then return 0; fi
  apt_update
  [ ${#missing[@]} -eq 0 ] && return 0
  if ! $sudo apt-get install -y -qq "${missing[@]}" >/tmp/lumenrt-apt.log 2>&1; then
    # One more try after a fresh update: the first install may have met lists that were out of step.
    if [ "${APT_TRIES:-3}" -gt 1 ]; then apt_update; fi
    if [ "${APT_TRIES:-3}" -le 1 ] || ! $sudo apt-get install -y -qq "${missing[@]}" >>/tmp/lumenrt-apt.log 2>&1; then
      tail -n 20 /tmp/lumenrt-apt.log >&2
      echo "setup: cannot install ${missing[*]} (see /tmp/lumenrt-apt.log)" >&2
      return 1
    fi
  fi
}

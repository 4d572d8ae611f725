# Sourced by the install scripts: installs, as root, the Debian packages of a
# list that are not installed yet, keeping apt's long output in a log.
#
#   apt_install_missing LOG PACKAGE...
#
# Prints one line saying what it installs and how much, and where the log is;
# on failure, the log's tail. A failed download is tried again once.

apt_package_installed() {
  local status
  status=$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true)
  [ "$status" = installed ]
}

# Runs apt-get with the given arguments, its output appended to $apt_log.
# Waits for another apt or dpkg to finish instead of failing on its lock.
apt_logged() {
  DEBIAN_FRONTEND=noninteractive apt-get -q -o DPkg::Lock::Timeout=600 \
    -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold \
    "$@" >>"$apt_log" 2>&1
}

apt_fail() {
  echo "apt-get failed: $1; the last lines of $apt_log:" >&2
  tail -n 25 "$apt_log" >&2
  return 1
}

apt_install_missing() {
  apt_log=$1
  shift
  local missing=() package
  for package in "$@"; do
    apt_package_installed "$package" || missing+=("$package")
  done
  [ ${#missing[@]} -gt 0 ] || return 0

  mkdir -p "$(dirname "$apt_log")"
  : >"$apt_log"
  apt_logged update || apt_logged update || apt_fail "update" || return 1

  # apt's own summary of the work, without doing it.
  local plan count download disk
  plan=$(DEBIAN_FRONTEND=noninteractive apt-get install --assume-no \
    --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}" 2>&1 || true)
  printf '%s\n' "$plan" >>"$apt_log"
  count=$(sed -n 's/.* \([0-9][0-9]*\) newly installed.*/\1/p' <<<"$plan")
  download=$(sed -n 's/^Need to get \([^ ]* [^ ]*\).*/\1/p' <<<"$plan")
  disk=$(sed -n 's/^After this operation, \([^ ]* [^ ]*\) .*/\1/p' <<<"$plan")
  echo "installing ${missing[*]}:" \
    "${count:-?} packages with their dependencies," \
    "${download:-?} to download, ${disk:-?} on disk (log: $apt_log)"

  if ! apt_logged install -y --no-install-recommends "${missing[@]}"; then
    # One dropped connection should not fail the run: fetch again once.
    apt_logged update || true
    apt_logged install -y --no-install-recommends "${missing[@]}" ||
      apt_fail "installing ${missing[*]}" || return 1
  fi
}

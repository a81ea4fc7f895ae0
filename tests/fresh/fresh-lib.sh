# Clean Debian 12 roots for the fresh tier: a minimal root made once with debootstrap from this
# machine's own archive and kept as a tarball (made again when older than a week), then for each
# part a new copy of it with the kernel's file systems bound, the resolver and apt's sources and
# access settings copied in. Sourced by the parts; they set $work (the tier's folder) first.
set -uo pipefail

skipCode=77
suite=bookworm
# In a root: the authorities this machine's Node and npm trust beyond their own.
kNodeExtraCa=etc/ssl/node-extra-ca.pem

pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
failures=0

# Ends the part as skipped, saying why: a run that could not try is never a pass.
skip() {
  echo "SKIPPED: $*"
  exit $skipCode
}

# The first archive URI of this machine's apt sources.
archiveUri() {
  local sources=/etc/apt/sources.list.d/debian.sources
  if [ -r "$sources" ]; then
    sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' "$sources" | head -n 1
  elif [ -r /etc/apt/sources.list ]; then
    awk '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { print $i; exit } }' /etc/apt/sources.list
  fi
}

# Skips the part unless it runs as root and the archive answers: its Release file over plain HTTP, or a connection to
# its port over HTTPS.
requireArchive() {
  local uri host path port
  [ "$(id -u)" -eq 0 ] || skip "clean roots need root (debootstrap, chroot, mounts)"
  uri=$(archiveUri)
  [ -n "$uri" ] || skip "this machine names no Debian archive in its apt sources"
  host=${uri#*://}
  path=/${host#*/}
  host=${host%%/*}
  case $uri in
    https://*) port=443 ;;
    *) port=80 ;;
  esac
  if [ $port -eq 80 ]; then
    local answer
    answer=$(timeout 20 bash -c "exec 3<>/dev/tcp/$host/80 && printf 'HEAD %s/dists/$suite/Release HTTP/1.1\r\nHost: %s\r\nConnection: close\r\n\r\n' '${path%/}' '$host' >&3 && head -n 1 <&3" 2>/dev/null)
    case $answer in
      HTTP/*" 200"* | HTTP/*" 30"[1237]*) return 0 ;;
      *) skip "the archive $uri cannot be reached (${answer:-no answer})" ;;
    esac
  fi
  timeout 20 bash -c "exec 3<>/dev/tcp/$host/$port" 2>/dev/null || skip "the archive $uri cannot be reached"
}

# The cached minimal root as a tarball: made with debootstrap when missing or older than a week.
minimalRootTarball() {
  local tarball=$work/cache/$suite-minbase.tar
  mkdir -p "$work/cache"
  if [ -z "$(find "$tarball" -mtime -7 2>/dev/null)" ]; then
    command -v debootstrap >/dev/null || { echo "FAIL: debootstrap is missing (tools/setup.sh installs it)" >&2; exit 1; }
    local staging=$work/cache/staging
    umount -R "$staging" 2>/dev/null
    rm -rf "$staging" "$tarball"
    local started=$SECONDS
    if ! debootstrap --variant=minbase "$suite" "$staging" "$(archiveUri)" >"$work/cache/debootstrap.log" 2>&1; then
      tail -n 20 "$work/cache/debootstrap.log" >&2
      echo "FAIL: debootstrap could not make the minimal root" >&2
      exit 1
    fi
    tar -C "$staging" -cf "$tarball" . && rm -rf "$staging"
    echo "made the minimal $suite root in $((SECONDS - started)) s" >&2
  fi
  echo "$tarball"
}

# A new root at $1 from the cached one, with /proc, /sys, /dev, /dev/pts and /dev/shm bound, the
# resolver configuration and this machine's apt sources and access settings copied in, and a
# download cache shared by the tier's roots.
newRoot() {
  local root=$1 tarball
  removeRoot "$root"
  tarball=$(minimalRootTarball) || exit 1
  mkdir -p "$root" && tar -C "$root" -xf "$tarball" || { echo "FAIL: cannot unpack the minimal root" >&2; exit 1; }
  cp -L /etc/resolv.conf "$root/etc/resolv.conf"
  if [ -d /etc/apt/sources.list.d ] && ls /etc/apt/sources.list.d/*.sources >/dev/null 2>&1; then
    rm -f "$root/etc/apt/sources.list"
    cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/"
  fi
  # How this machine reaches its archive (a snapshot's validity, proxies) applies in the root too.
  grep -l 'Acquire::' /etc/apt/apt.conf.d/* 2>/dev/null | while read -r conf; do
    cp "$conf" "$root/etc/apt/apt.conf.d/"
  done
  # So do the authorities Node and npm trust beyond their own, where this machine sets them (in
  # the environment or npm's configuration): a network that inspects TLS signs the registry's
  # certificates itself.
  local authorities=${NODE_EXTRA_CA_CERTS:-}
  [ -s "$authorities" ] || authorities=$(npm config get cafile 2>/dev/null)
  if [ -s "$authorities" ]; then
    mkdir -p "$root/etc/ssl" && cp -L "$authorities" "$root/$kNodeExtraCa"
  fi
  bindRoot "$root"
}

# Binds /proc, /sys, /dev, /dev/pts and /dev/shm into the root at $1, and the tier's download cache.
bindRoot() {
  local root=$1 point
  mkdir -p "$work/cache/archives/partial"
  for point in proc sys dev dev/pts dev/shm var/cache/apt/archives; do mkdir -p "$root/$point"; done
  mount -t proc proc "$root/proc"
  mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount --bind /dev/shm "$root/dev/shm"
  mount --bind "$work/cache/archives" "$root/var/cache/apt/archives"
}

# Unbinds the root at $1 but keeps its files, for a later part.
unbindRoot() {
  local root=$1
  umount -R "$root/var/cache/apt/archives" "$root/dev/shm" "$root/dev/pts" "$root/dev" "$root/proc" 2>/dev/null
  umount -R "$root/sys" 2>/dev/null || umount -lR "$root/sys" 2>/dev/null
  return 0
}

# Unbinds and deletes the root at $1 (nothing happens when there is none).
removeRoot() {
  local root=$1
  [ -d "$root" ] || return 0
  unbindRoot "$root"
  if grep -q " $(realpath "$root")/" /proc/mounts; then
    echo "FAIL: $root is still mounted; not deleting it" >&2
    return 1
  fi
  rm -rf "$root"
}

# Runs a shell command in the root at $1 as root, with the environment a new login has.
inRoot() {
  local root=$1 extra=()
  shift
  [ -s "$root/$kNodeExtraCa" ] && extra=(NODE_EXTRA_CA_CERTS="/$kNodeExtraCa")
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 USER=root LOGNAME=root "${extra[@]}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c "$*"
}

# A clean clone of the commit under test (never the work tree) at $2 in the root $1.
cloneInto() {
  local root=$1 folder=$2 source=$3 commit
  commit=$(git -C "$source" rev-parse HEAD) || { echo "FAIL: $source is not a git checkout" >&2; exit 1; }
  if [ -n "$(git -C "$source" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
    echo "note: $source has uncommitted changes; they are not part of this run"
  fi
  git clone --quiet --no-local "$source" "$root$folder" && git -C "$root$folder" checkout --quiet "$commit" ||
    { echo "FAIL: cannot clone $source" >&2; exit 1; }
  echo "commit under test: $commit"
}

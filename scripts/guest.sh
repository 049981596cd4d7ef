# Sourced by ./dev and scripts/demo.sh: an emulated PC (qemu, software CPU) that runs the
# shipped 32-bit build under 32-bit Wine where this kernel runs no 32-bit program.
#
# The guest's root is a Debian root made by debootstrap from the mirror of this machine's own apt
# configuration, kept in a cache outside the clone and keyed by its recipe (the package list and
# this script's recipe version): made when missing or changed, reused after that. The guest boots
# that root's own kernel, mounts two 9p shares (the clone, read-only, and a job folder under
# build/), copies the tree into its own memory at the same absolute path (Wine cannot map files
# from 9p, and no FIFO can be made there), runs the job script, writes its output to the job
# folder and powers itself off.
#
#   guest_ensure_root      make or reuse the cached root (sets GUEST_DIR)
#   guest_ensure_prefix    make or reuse the cached 32-bit Wine prefix of that root
#   guest_run NAME LIMIT SCRIPT   boot, run SCRIPT (bash text, run in the tree's copy) as job NAME,
#                          stop the machine after LIMIT seconds; output in build/guest/NAME/

GUEST_RECIPE_VERSION=1
GUEST_SUITE=bookworm
# What the guest runs: the kernel, 32-bit Wine and its display, ctest, and the Linux-side tools of
# the tests and the demo (signing, screenshots, window properties).
GUEST_PACKAGES=(
  wine wine32:i386 wine64 libwine:i386 fonts-wine
  xvfb xauth x11-utils imagemagick
  locales libc-bin fonts-ipafont-gothic fonts-ipafont-mincho
  cmake osslsigncode openssl file procps
)
GUEST_BASE_PACKAGES=linux-image-amd64,kmod
GUEST_CACHE_BASE=${UNINST_GUEST_CACHE:-/var/cache/korvane-uninst-guest}

# The init of the guest: mounts, the job, power off. The job's exit code goes to job.rc; a guest
# that never writes it has failed.
guest_init_text() {
  cat <<'EOF'
#!/bin/sh
PATH=/usr/sbin:/usr/bin:/sbin:/bin
export PATH HOME=/root
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
ip link set lo up 2>/dev/null || ifconfig lo up 2>/dev/null
modprobe 9pnet_virtio && modprobe 9p
mkdir -p /job /src
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 job /job &&
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,ro src /src &&
  { /bin/bash /job/job.sh >/job/job.log 2>&1; echo $? >/job/job.rc; }
sync
echo o >/proc/sysrq-trigger
sleep 60
EOF
}

# The recipe's key: what the root holds and how it is made.
guest_recipe_key() {
  { echo "$GUEST_RECIPE_VERSION $GUEST_SUITE $GUEST_BASE_PACKAGES"
    printf '%s\n' "${GUEST_PACKAGES[@]}"
    guest_init_text
  } | sha256sum | cut -c1-16
}

# The Debian mirror of this machine's apt configuration (one-line or deb822 sources).
guest_mirror() {
  local f uri
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    uri=$(awk -v s="$GUEST_SUITE" '$1 == "deb" { for (i = 2; i <= NF; i++) if ($i !~ /^\[/ && $i ~ /:\/\//) { if ($(i+1) == s) { print $i; exit } break } }' "$f")
    [ -n "$uri" ] && { echo "$uri"; return 0; }
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    uri=$(awk -v s="$GUEST_SUITE" '
      /^[ \t]*$/ { if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " s " ") && uris != "") { split(uris, u, " "); print u[1]; exit } types = suites = uris = ""; next }
      /^Types:/ { sub(/^Types:[ \t]*/, ""); types = $0 }
      /^Suites:/ { sub(/^Suites:[ \t]*/, ""); suites = $0 }
      /^URIs:/ { sub(/^URIs:[ \t]*/, ""); uris = $0 }
      END { if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " s " ") && uris != "") { split(uris, u, " "); print u[1] } }' "$f")
    [ -n "$uri" ] && { echo "$uri" | head -n 1; return 0; }
  done
  return 1
}

# Makes the root (debootstrap, then 32-bit Wine and the rest in a chroot) into DIR.tmp, packs it
# into an ext4 image and moves it to DIR: an interrupted build leaves no half root behind.
guest_build_root() {
  local dir=$1 tmp=$1.tmp mirror
  mirror=$(guest_mirror) || { echo "guest: no $GUEST_SUITE mirror in this machine's apt configuration" >&2; return 1; }
  rm -rf "$tmp"
  mkdir -p "$tmp"
  echo "guest: debootstrap $GUEST_SUITE from this machine's mirror into $tmp (log $tmp/build.log)"
  debootstrap --variant=minbase --include="$GUEST_BASE_PACKAGES" "$GUEST_SUITE" "$tmp/root" "$mirror" \
    >"$tmp/build.log" 2>&1 || { tail -n 30 "$tmp/build.log" >&2; echo "guest: debootstrap failed" >&2; return 1; }
  echo "guest: installing 32-bit Wine and the tests' tools in the root"
  local r=$tmp/root
  mount -t proc proc "$r/proc" && mount -t sysfs sys "$r/sys" && mount --bind /dev "$r/dev" ||
    { echo "guest: cannot mount into the chroot" >&2; guest_umount_chroot "$r"; return 1; }
  local rc=0
  LC_ALL=C DEBIAN_FRONTEND=noninteractive chroot "$r" /bin/sh -c '
    set -e
    dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "$@"
    apt-get clean' sh "${GUEST_PACKAGES[@]}" >>"$tmp/build.log" 2>&1 || rc=1
  guest_umount_chroot "$r"
  [ "$rc" -eq 0 ] || { tail -n 30 "$tmp/build.log" >&2; echo "guest: installing packages failed" >&2; return 1; }
  guest_init_text >"$r/sbin/uninst-guest-init" && chmod 755 "$r/sbin/uninst-guest-init"
  cp "$(ls "$r"/boot/vmlinuz-* | sort | tail -n 1)" "$tmp/vmlinuz" &&
    cp "$(ls "$r"/boot/initrd.img-* | sort | tail -n 1)" "$tmp/initrd.img" ||
    { echo "guest: the root has no kernel or initrd" >&2; return 1; }
  echo "guest: packing the root into an ext4 image"
  mkfs.ext4 -q -F -L uninst-guest -d "$r" "$tmp/root.img" 8G >>"$tmp/build.log" 2>&1 ||
    { tail -n 10 "$tmp/build.log" >&2; echo "guest: mkfs.ext4 failed" >&2; return 1; }
  rm -rf "$r"
  rm -rf "$dir"
  mv "$tmp" "$dir"
}

guest_umount_chroot() {
  local r=$1 m
  for m in dev sys proc; do mountpoint -q "$r/$m" && umount -l "$r/$m"; done
  return 0
}

# Sets GUEST_DIR to the cached root of the current recipe, made first when missing (GUEST_BUILT=1).
GUEST_BUILT=0
guest_ensure_root() {
  GUEST_DIR=$GUEST_CACHE_BASE/$(guest_recipe_key)
  [ -f "$GUEST_DIR/root.img" ] && [ -f "$GUEST_DIR/vmlinuz" ] && return 0
  mkdir -p "$GUEST_CACHE_BASE" || return 1
  # One maker at a time: a second run waits for the first one's root.
  local lock rc=0
  exec {lock}>"$GUEST_CACHE_BASE/.lock" && flock "$lock"
  if [ ! -f "$GUEST_DIR/root.img" ] || [ ! -f "$GUEST_DIR/vmlinuz" ]; then
    GUEST_BUILT=1
    guest_build_root "$GUEST_DIR" || rc=1
  fi
  exec {lock}>&-
  return "$rc"
}

# A ready 32-bit Wine prefix, made once in the guest for the current root and the current prefix
# set-up (uninst_ensure_wine of scripts/wine-env.sh, which must be sourced), kept beside the root
# as an ext4 image: every job mounts it, through a throwaway overlay, as its test prefix, as new
# as a prefix made there and then, minutes sooner (a copy through 9p takes minutes too).
# Sets GUEST_PREFIX (the image); GUEST_PREFIX_BUILT=1 when it was made now.
GUEST_PREFIX_BUILT=0
guest_ensure_prefix() {
  GUEST_PREFIX=$GUEST_DIR/prefix-$(declare -f uninst_ensure_display uninst_ensure_wine | sha256sum | cut -c1-16).img
  [ -f "$GUEST_PREFIX" ] && return 0
  local lock rc=0
  exec {lock}>"$GUEST_CACHE_BASE/.lock" && flock "$lock"
  [ -f "$GUEST_PREFIX" ] || { GUEST_PREFIX_BUILT=1; guest_make_prefix || rc=1; }
  exec {lock}>&-
  return "$rc"
}

guest_make_prefix() {
  local made=$GUEST_PREFIX.tgz
  if [ ! -f "$made" ]; then
    local keep=$GUEST_PREFIX
    GUEST_PREFIX=
    guest_run prefix "${UNINST_GUEST_PREFIX_LIMIT:-1500}" '
. scripts/wine-env.sh
uninst_choose_route || { echo "$UNINST_WIN_ROUTE"; exit 1; }
uninst_ensure_wine || exit 1
[ -f "$WINEPREFIX/.uninst-ready" ] || exit 1
uninst_stop_wine
tar -C "$WINEPREFIX" -czf /job/prefix.tgz .'
    local rc=$?
    GUEST_PREFIX=$keep
    [ "$rc" -eq 0 ] || return 1
    mv "$UNINST_ROOT/build/guest/prefix/prefix.tgz" "$made" || return 1
  fi
  local tmp=$GUEST_PREFIX.tmp
  rm -rf "$tmp.d"; mkdir -p "$tmp.d"
  tar -xzf "$made" -C "$tmp.d" && mkfs.ext4 -q -F -L uninst-prefix -d "$tmp.d" "$tmp" 4G >/dev/null 2>&1 ||
    { rm -rf "$tmp.d" "$tmp"; echo "guest: packing the prefix failed" >&2; return 1; }
  rm -rf "$tmp.d" "$made"
  mv "$tmp" "$GUEST_PREFIX"
}

GUEST_QEMU_PID=
# Ends the machine of this shell, if one runs (by its process id).
guest_stop() {
  if [ -n "$GUEST_QEMU_PID" ] && kill -0 "$GUEST_QEMU_PID" 2>/dev/null; then
    kill "$GUEST_QEMU_PID" 2>/dev/null
    local i
    for i in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$GUEST_QEMU_PID" 2>/dev/null || break; sleep 1; done
    kill -9 "$GUEST_QEMU_PID" 2>/dev/null
    wait "$GUEST_QEMU_PID" 2>/dev/null
  fi
  GUEST_QEMU_PID=
}

# guest_run NAME LIMIT SCRIPT: boots the guest with the job folder build/guest/NAME, runs SCRIPT
# there in the tree's copy, and returns the job's exit code; 124 when the guest was stopped at the
# limit, 125 when it ended without a result. The console is kept in build/guest/NAME/console.log.
guest_run() {
  local name=$1 limit=$2 script=$3
  local job=$UNINST_ROOT/build/guest/$name
  rm -rf "$job"
  mkdir -p "$job"
  # The cached prefix: a second disk, its writes kept apart and dropped.
  local prefix_disk=()
  if [ -n "${GUEST_PREFIX:-}" ] && [ -f "$GUEST_PREFIX" ]; then
    prefix_disk=(-drive "file=$GUEST_PREFIX,format=raw,if=virtio,snapshot=on")
  fi
  # The job: the tree copied into the guest's memory at its own path (source, the 32-bit tree
  # without its objects and its GoogleTest listings, which the guest makes with the real programs;
  # the compiled locales; the other trees are left out), then SCRIPT there.
  {
    echo "set -uo pipefail"
    echo "ROOT=$(printf %q "$UNINST_ROOT")"
    cat <<'EOF'
echo "guest-time: boot $(cut -d. -f1 /proc/uptime)"
start=$(date +%s)
mkdir -p "$ROOT" && mount -t tmpfs -o size=3g tmpfs "$ROOT" || exit 90
cd /src && tar -cf - --exclude=./build --exclude=./.git . | tar -xf - -C "$ROOT" || exit 91
mkdir -p "$ROOT/build"
for d in win32 locale native/exeadder; do
  [ -e "/src/build/$d" ] || continue
  mkdir -p "$ROOT/build/$(dirname "$d")"
  (cd /src/build && tar -cf - --exclude='*.obj' --exclude='*.o' --exclude='*.a' --exclude=wineprefix --exclude=wine-state --exclude='*]_tests.cmake' "$d") |
    tar -xf - -C "$ROOT/build" || exit 92
done
cd "$ROOT" || exit 93
export UNINST_WIN_ARCH=x86 JOB=/job
# The cached prefix, as the test prefix (the demo moves it to its own place).
if [ -b /dev/vdb ]; then
  mkdir -p build/win32/wineprefix && mount /dev/vdb build/win32/wineprefix || exit 94
fi
echo "guest-time: copy $(( $(date +%s) - start ))"
EOF
    printf '%s\n' "$script"
  } >"$job/job.sh"
  local qemu=(qemu-system-x86_64 -machine q35 -accel tcg,thread=multi -cpu Nehalem -smp 2 -m 4096
    -display none -monitor none -serial "file:$job/console.log" -no-reboot
    -kernel "$GUEST_DIR/vmlinuz" -initrd "$GUEST_DIR/initrd.img"
    -append "root=/dev/vda rw console=ttyS0 init=/sbin/uninst-guest-init quiet panic=1"
    -drive "file=$GUEST_DIR/root.img,format=raw,if=virtio,snapshot=on" "${prefix_disk[@]}"
    -fsdev "local,id=job,path=$job,security_model=none" -device virtio-9p-pci,fsdev=job,mount_tag=job
    -fsdev "local,id=src,path=$UNINST_ROOT,security_model=none,readonly=on" -device virtio-9p-pci,fsdev=src,mount_tag=src)
  "${qemu[@]}" >"$job/qemu.log" 2>&1 </dev/null &
  GUEST_QEMU_PID=$!
  local waited=0
  while kill -0 "$GUEST_QEMU_PID" 2>/dev/null; do
    if [ "$waited" -ge "$limit" ]; then
      echo "guest: the emulated machine did not end within ${limit}s; stopped (console: build/guest/$name/console.log)" >&2
      guest_stop
      return 124
    fi
    sleep 2; waited=$((waited + 2))
  done
  wait "$GUEST_QEMU_PID" 2>/dev/null
  GUEST_QEMU_PID=
  if [ ! -f "$job/job.rc" ]; then
    echo "guest: the emulated machine ended without a result (console: build/guest/$name/console.log, qemu: build/guest/$name/qemu.log)" >&2
    tail -n 15 "$job/console.log" "$job/qemu.log" >&2 2>/dev/null
    return 125
  fi
  return "$(cat "$job/job.rc")"
}

# x86-32 build: the crash guard's machinery on its system layer. The test
# programs run natively where the kernel runs 32-bit code, through
# qemu-user (registered here) where it cannot.
m32_ensure_runner() {
  local probe
  probe="$(mktemp -d)"
  printf 'int main(void){return 0;}\n' > "$probe/p.c"
  gcc -m32 "$probe/p.c" -o "$probe/p"
  if ! "$probe/p" 2>/dev/null; then
    echo "m32: registering qemu-i386 for 32-bit programs"
    local SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    mountpoint -q /proc/sys/fs/binfmt_misc || $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' | $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
  rm -rf "$probe"
}

m32_stage() {
  m32_ensure_runner
  build m32 -DQUORVI_BACKEND=headless -DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32 -DQUORVI_WERROR=ON
  run_ctest m32
}

m32_stage

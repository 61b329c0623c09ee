# Sourced by the scripts: can this machine run 32-bit (i386) Linux programs?
# Some kernels boot with their 32-bit emulation off; then no i386 program starts,
# and with it neither the 32-bit Wine loader nor any 32-bit .exe.

# Runs a 93-byte static i386 program that only exits with 0: it starts exactly
# when the kernel runs 32-bit programs. Needs nothing installed.
machine_runs_32bit() {
  local probe rc
  probe=$(mktemp "${TMPDIR:-/tmp}/varnelle-i386.XXXXXX") || return 1
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000\061\333\270\001\000\000\000\315\200' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  rc=$?
  rm -f "$probe"
  return $rc
}

# Prints one line saying what this machine runs; sets VARNELLE_RUNS_32BIT=1 or 0.
describe_machine_arch() {
  if machine_runs_32bit; then
    VARNELLE_RUNS_32BIT=1
    echo "arch: this machine runs 32-bit programs: the x86 and x64 builds can both run here"
  else
    VARNELLE_RUNS_32BIT=0
    echo "arch: this machine cannot run 32-bit programs (the kernel's 32-bit emulation is off): only the x64 build runs here"
  fi
}

# From ARCH (x64, x86, or empty for every architecture this machine runs) sets
# RUN_ARCHS (what runs), BUILD_ARCHS (what is built for it) and SKIPPED_ARCHS (why one
# is left out). Returns 2, with a message, for an ARCH this machine cannot run.
select_archs() {
  local want=${1:-}
  RUN_ARCHS=() BUILD_ARCHS=() SKIPPED_ARCHS=()
  case $want in
    '')
      RUN_ARCHS=(x64)
      if ((VARNELLE_RUNS_32BIT)); then RUN_ARCHS+=(x86)
      else SKIPPED_ARCHS+=("x86: not run: this machine cannot run 32-bit programs (built in build/bin, not run)"); fi
      BUILD_ARCHS=(x64 x86)
      ;;
    x64) RUN_ARCHS=(x64) BUILD_ARCHS=(x64) ;;
    x86)
      if ! ((VARNELLE_RUNS_32BIT)); then
        echo "ARCH=x86 asked for, but this machine cannot run 32-bit programs" >&2
        return 2
      fi
      RUN_ARCHS=(x86) BUILD_ARCHS=(x64 x86)
      ;;
    *) echo "unknown ARCH '$want' (x86, x64, or unset for every architecture this machine runs)" >&2; return 2 ;;
  esac
}

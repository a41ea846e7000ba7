# Whole-process times for the benchmark scripts, sourced by them.

# A folder for a benchmark's files, in memory where the machine has a tmpfs: a virtual disk's
# writeback makes a large picture's fsync take a quarter of a second one run and two seconds
# the next, which would decide the figures instead of the programs.
bench_work_dir() {
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then mktemp -d /dev/shm/skerrowen-bench.XXXXXX; else mktemp -d; fi
}
# One run of a command: "WALL CPU" in milliseconds, the processor time (user and system, its
# children included) as the kernel counts it, finer than time(1) prints it; nothing when the
# command fails.
run_ms() {
  python3 -c '
import resource, subprocess, sys, time
def children():
    used = resource.getrusage(resource.RUSAGE_CHILDREN)
    return used.ru_utime + used.ru_stime
before, start = children(), time.perf_counter()
done = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
wall = time.perf_counter() - start
if done.returncode == 0:
    print(round(wall * 1000), round((children() - before) * 1000))' "$@"
}

# One run's times appended to the arrays named WALLS and CPUS. The command must succeed.
time_once() {
  local -n walls=$1 cpus=$2
  shift 2
  local wall cpu
  read -r wall cpu < <(run_ms "$@") && [ -n "$cpu" ] || { echo "failed: $*" >&2; exit 1; }
  walls+=("$wall")
  cpus+=("$cpu")
}
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

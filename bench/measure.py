#!/usr/bin/env python3
"""measure.py ROUNDS PAUSE CLEAN NAME=CMD...: times commands run interleaved,
one run of each per round, CLEAN (a shell command: remove outputs, sync)
before every run and PAUSE seconds after it, so that no run starts while
another's writes or freed memory are still being settled. Prints the median,
the spread (min, max) of each and the ratio of the first two medians; then
one untimed run of each with its peak resident memory sampled every 5 ms from
/proc/PID/status, split into anonymous (RssAnon) and file-backed memory
(RssFile + RssShmem)."""
import shlex, statistics, subprocess, sys, time


def run_timed(cmd):
    start = time.perf_counter()
    subprocess.run(cmd, shell=True, check=True)
    return time.perf_counter() - start


def run_sampled(cmd):
    proc = subprocess.Popen(["/bin/sh", "-c", "exec " + cmd])
    peak = {"RssAnon": 0, "RssFile": 0, "RssShmem": 0, "VmHWM": 0}
    while proc.poll() is None:
        try:
            with open(f"/proc/{proc.pid}/status") as f:
                for line in f:
                    key = line.split(":")[0]
                    if key in peak:
                        peak[key] = max(peak[key], int(line.split()[1]) * 1024)
        except (FileNotFoundError, ProcessLookupError):
            pass
        time.sleep(0.005)
    if proc.returncode != 0:
        raise SystemExit(f"failed ({proc.returncode}): {cmd}")
    return peak


def main():
    rounds, pause, clean = int(sys.argv[1]), float(sys.argv[2]), sys.argv[3]
    commands = [a.split("=", 1) for a in sys.argv[4:]]
    times = {name: [] for name, _ in commands}
    for _ in range(rounds):
        for name, cmd in commands:
            subprocess.run(clean, shell=True, check=True)
            time.sleep(pause)
            times[name].append(run_timed(cmd))
    for name, values in times.items():
        med = statistics.median(values)
        print(f"  {name:8} median {med:7.3f} s   min {min(values):7.3f}   max {max(values):7.3f}   "
              f"spread {100 * (max(values) - min(values)) / med:5.1f} %   ({len(values)} runs)")
    (a, ta), (b, tb) = list(times.items())[:2]
    print(f"  {a} / {b} = {statistics.median(ta) / statistics.median(tb):.2f}   "
          f"(best runs {min(ta) / min(tb):.2f})")
    for name, cmd in commands[:2]:
        subprocess.run(clean, shell=True, check=True)
        time.sleep(pause)
        p = run_sampled(cmd)
        print(f"  peak {name:8} anon {p['RssAnon'] / 1e6:7.0f} MB   file {(p['RssFile'] + p['RssShmem']) / 1e6:7.0f} MB"
              f"   (VmHWM {p['VmHWM'] / 1e6:.0f} MB)")
        if name == a:
            print(f"PEAK_ANON {p['RssAnon']}")


if __name__ == "__main__":
    main()

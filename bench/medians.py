"""medians.py: the timing loop of the benchmark scripts (bench/run.sh, bench/library.sh).

medians(commands, runs) runs every command once to warm the page cache, then runs times more, and
prints and returns the median wall time of each in seconds, by name. paired(a, b, runs) runs two
commands in turn, a b a b ..., and returns the median of the ratios a/b pair by pair, which holds when
the machine's speed drifts during the run. A command fails the run when it
exits with 2 or more; velmora-report's 1 (a motion lacks names, a file is cut) is a report, not a
failure.
"""
import statistics
import subprocess
import time


def run(cmd):
    code = subprocess.run(cmd, stdout=subprocess.DEVNULL).returncode
    if code < 0 or code >= 2:
        raise SystemExit(f"{cmd[0]} exited with {code}")


def medians(commands, runs):
    width = max(len(name) for name in commands) + 2
    result = {}
    for name, cmd in commands.items():
        run(cmd)  # warm the page cache
        times = []
        for _ in range(runs):
            start = time.perf_counter()
            run(cmd)
            times.append(time.perf_counter() - start)
        result[name] = statistics.median(times)
        print(f"{name:{width}s} median {result[name] * 1000:9.1f} ms over {runs} runs")
    return result


def timed(cmd):
    start = time.perf_counter()
    run(cmd)
    return time.perf_counter() - start


def paired(a, b, runs):
    run(a)
    run(b)  # warm the page cache
    ratios, times_a, times_b = [], [], []
    for _ in range(runs):
        ta, tb = timed(a), timed(b)
        times_a.append(ta)
        times_b.append(tb)
        ratios.append(ta / tb)
    print(f"  paired over {runs} runs: median {statistics.median(times_a) * 1000:.1f} ms against "
          f"{statistics.median(times_b) * 1000:.1f} ms")
    return statistics.median(ratios)

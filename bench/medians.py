"""medians.py: the timing loop of the benchmark scripts (bench/run.sh, bench/library.sh).

medians(commands, runs) runs every command once to warm the page cache, then runs times more, and
prints and returns the median wall time of each in seconds, by name.
"""
import statistics
import subprocess
import time


def medians(commands, runs):
    width = max(len(name) for name in commands) + 2
    result = {}
    for name, cmd in commands.items():
        subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True)  # warm the page cache
        times = []
        for _ in range(runs):
            start = time.perf_counter()
            subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True)
            times.append(time.perf_counter() - start)
        result[name] = statistics.median(times)
        print(f"{name:{width}s} median {result[name] * 1000:9.1f} ms over {runs} runs")
    return result

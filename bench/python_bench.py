#!/usr/bin/python3
"""Python calls per second of the module `tessaline`.

    PYTHONPATH=build /usr/bin/python3 bench/python_bench.py [SECONDS]

Times tessaline.render("ean13", ...) to PNG and SVG, tessaline.Symbol (the
report alone) and PNG rendering on 1, 2 and 4 threads at once (rendering
releases the GIL). Each figure runs for SECONDS (default 2)."""
import sys
import threading
import time

import tessaline

TEXTS = [f"{n:012d}" for n in range(590123412000, 590123412100)]


def per_second(call, seconds):
    """Calls of call(i) per second over about `seconds`."""
    count, start = 0, time.perf_counter()
    deadline = start + seconds
    while True:
        for i in range(20):
            call(count + i)
        count += 20
        now = time.perf_counter()
        if now >= deadline:
            return count / (now - start)


def threaded(threads, seconds):
    counts = [0] * threads
    stop = time.perf_counter() + seconds

    def work(slot):
        n = 0
        while time.perf_counter() < stop:
            tessaline.render("ean13", TEXTS[n % len(TEXTS)])
            n += 1
        counts[slot] = n

    workers = [threading.Thread(target=work, args=(i,)) for i in range(threads)]
    start = time.perf_counter()
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    return sum(counts) / (time.perf_counter() - start)


def main():
    seconds = float(sys.argv[1]) if len(sys.argv) > 1 else 2.0
    rows = [
        ("render ean13 png", lambda i: tessaline.render("ean13", TEXTS[i % len(TEXTS)])),
        ("render ean13 png, given size", lambda i: tessaline.render("ean13", TEXTS[i % len(TEXTS)],
                                                                    width=400, height=200)),
        ("render ean13 svg", lambda i: tessaline.render("ean13", TEXTS[i % len(TEXTS)], "svg")),
        ("Symbol ean13 (report)", lambda i: tessaline.Symbol("ean13", TEXTS[i % len(TEXTS)]).checksum),
    ]
    print(f"tessaline {tessaline.__version__}, Python {sys.version.split()[0]}, {seconds:g} s a figure")
    for name, call in rows:
        print(f"{name:34} {per_second(call, seconds):10.0f} calls/s")
    for threads in (1, 2, 4):
        print(f"{'render ean13 png, ' + str(threads) + ' thread(s)':34} {threaded(threads, seconds):10.0f} calls/s")


if __name__ == "__main__":
    main()

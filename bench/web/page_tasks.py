#!/usr/bin/python3
"""How long the page keeps the browser's main thread busy, from Chromium's own
trace of the renderer's main thread: the longest tasks while the page starts
(from the navigation until its first paint is shown) and the tasks that
handle a pick and a Search. Each task with its wall time and the thread's CPU
time in it (on a shared machine the CPU time says more). The page is served
from a loopback server, in a 1920 x 1080 viewport unless told otherwise.

Usage: bench/web/page_tasks.py build/web/web [--size 1920x1080] [--runs 5]"""
import argparse
import json
import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "programs", "web"))
import window_in_browser as page_driver  # noqa: E402

FRAME_MS = 1000 / 60


def page_main_thread(events):
    """The renderer's main thread that ran the page: (pid, tid)."""
    names = {(e["pid"], e["tid"]): e["args"]["name"] for e in events if e.get("name") == "thread_name"}
    pids = {e["pid"] for e in events if "/index.html" in json.dumps(e.get("args", {}))}
    return next(thread for thread, name in names.items() if name == "CrRendererMain" and thread[0] in pids)


def split_tasks(events):
    """The page's main-thread tasks before the first click, and those that
    handled the clicks' pointer events (the program handles an event within
    the task that dispatches it)."""
    thread = page_main_thread(events)
    on_thread = [e for e in events if (e["pid"], e["tid"]) == thread and e.get("ph") == "X"]
    tasks = [e for e in on_thread if e.get("name") == "RunTask"]
    pointer = [e for e in on_thread if e.get("name") == "EventDispatch" and
               e.get("args", {}).get("data", {}).get("type") in ("pointerdown", "pointerup")]
    inside = lambda task, event: task["ts"] <= event["ts"] <= task["ts"] + task["dur"]
    clicks = [t for t in tasks if any(inside(t, p) for p in pointer)]
    first_click = min((t["ts"] for t in clicks), default=float("inf"))
    return [t for t in tasks if t["ts"] < first_click], clicks


def durations(tasks):
    """(wall ms, CPU ms) of each task, longest CPU time first."""
    return sorted(((t["dur"] / 1000, t.get("tdur", 0) / 1000) for t in tasks), key=lambda d: -d[1])


def one_run(folder, size):
    """Chromium traces once per session: the start-up and the clicks are told
    apart by the clicks' own events."""
    with tempfile.TemporaryDirectory() as work:
        page = page_driver.Page(folder, work, trace=True)
        try:
            page.resize(*size)
            page.driver.get(f"http://127.0.0.1:{page.server.server_address[1]}/index.html")
            page.wait_until("the first paint", lambda: page.js(
                "return document.getElementById('shown-text').children.length > 0"))
            time.sleep(1)
            # A pick in the series panel and a press in the result panel
            # (Search): where they are follows from the client size alone.
            width, height = page.client_size()
            page.click_client(width // 4, height * 2 // 3)
            page.click_client(width * 3 // 4, height * 2 // 3)
            time.sleep(0.5)
            start, clicks = split_tasks(page.trace_events())
            return durations(start), durations(clicks), page.shown_text()
        finally:
            page.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--size", default="1920x1080")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    size = tuple(int(v) for v in args.size.split("x"))
    starts, clicks = [], []
    for _ in range(args.runs):
        start, click, shown = one_run(args.folder, size)
        if not any(line.startswith(" subset center") for line in shown):
            sys.exit("the pick and Search showed no result: " + repr(shown))
        starts.append(start)
        clicks.append(click)
    for what, runs in (("start-up", starts), ("pick and Search", clicks)):
        longest = [run[0] for run in runs]
        print(f"{what}: longest main-thread task, median of {len(runs)} runs: "
              f"{statistics.median(d[0] for d in longest):.1f} ms wall, "
              f"{statistics.median(d[1] for d in longest):.1f} ms CPU "
              f"(a frame: {FRAME_MS:.1f} ms); the three longest of each run (wall/CPU ms): "
              + "; ".join(", ".join(f"{w:.1f}/{c:.1f}" for w, c in run[:3]) for run in runs))


if __name__ == "__main__":
    main()

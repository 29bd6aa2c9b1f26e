#!/usr/bin/python3
"""How soon kvs stops a large save on a signal, and what it leaves.

    /usr/bin/python3 bench/output/stop_on_signal.py [KVS] [--client WxH]

Runs `kvs demo --client WxH pick:10,20 save:big.bmp` (default 8192x8192, a
256 MiB picture) over an old big.bmp in a scratch folder, once per signal
(SIGINT, SIGTERM, SIGHUP). Each signal is sent as soon as the temporary
file beside big.bmp holds bytes, that is while the picture is being
written; the time from the signal to the end of kvs, its exit, whether the
old file kept its bytes and what else the folder holds are printed."""
import os
import signal
import subprocess
import sys
import tempfile
import time

OLD = b"the old picture\n"


def writing(folder):
    for name in os.listdir(folder):
        if name != "big.bmp" and os.path.getsize(os.path.join(folder, name)) > 0:
            return True
    return False


def stop(kvs, client, signal_number):
    with tempfile.TemporaryDirectory() as folder:
        target = os.path.join(folder, "big.bmp")
        with open(target, "wb") as old:
            old.write(OLD)
        environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        run = subprocess.Popen([kvs, "demo", "--client", client, "pick:10,20", "save:" + target],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=environment)
        while run.poll() is None and not writing(folder):
            time.sleep(0.001)
        sent = time.monotonic()
        run.send_signal(signal_number)
        run.wait()
        seconds = time.monotonic() - sent
        with open(target, "rb") as now:
            kept = now.read() == OLD
        left = sorted(name for name in os.listdir(folder) if name != "big.bmp")
        print(f"{signal.Signals(signal_number).name:8} ended {seconds:.3f} s after the signal, "
              f"exit {run.returncode}, old file kept: {kept}, also left: {left or 'nothing'}")


def main():
    arguments = sys.argv[1:]
    client = "8192x8192"
    if "--client" in arguments:
        at = arguments.index("--client")
        client = arguments[at + 1]
        del arguments[at:at + 2]
    kvs = arguments[0] if arguments else "build/plain/cli/kvs"
    for signal_number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        stop(kvs, client, signal_number)


if __name__ == "__main__":
    main()

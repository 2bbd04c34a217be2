#!/usr/bin/env python3
"""Times the game's start: from exec to the first frame of the first scene on
screen, with the game's full data, over several runs, and prints the median of
each phase the start-up trace marks.

    bench/startup-timing.py [--runs N] [--xvfb] [GAME]

GAME defaults to build/release/ripple (make run builds it). Every run starts
with settings of its own (windowed, last run ended normally) and is closed
with SIGTERM once its first frame is drawn. With --xvfb the runs show on an
Xvfb screen of their own with openbox managing the window, as a player's
desktop would; otherwise SDL's dummy video and audio drivers stand in.

Phases, in milliseconds from exec:
  resources    ripple.bin found and registered
  sound        the sound engine opened (the loader thread starts after it)
  window       the main window made and shown with its loading screen
  scene        the data file read: sounds decoded, sprites created with
               their images decoded (bench/StartupBench splits this part)
  running      the canvas started
  first frame  the first frame of the scene drawn into the window (the main
               thread shows it at its next present)
The trace stamps its lines with the monotonic clock, which this script reads
too, so the figures include loading the program and its libraries.
"""

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

PHASES = ["resources", "sound", "window", "scene", "running", "first frame"]


def start_xvfb(folder):
    for tool in ("Xvfb", "openbox", "xprop"):
        if not shutil.which(tool):
            sys.exit(f"{tool} missing: run scripts/install-deps or leave out --xvfb")
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
        pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as f:
        display = ":" + f.readline().strip()
    env = dict(os.environ, DISPLAY=display)
    wm = subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    for _ in range(100):
        check = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                               capture_output=True, text=True)
        if "window" in check.stdout:
            break
        time.sleep(0.1)
    time.sleep(0.5)
    return display, [wm, server]


def one_run(game, folder, display):
    home = tempfile.mkdtemp(dir=folder)
    settings = os.path.join(home, "Lumora", "Ripple")
    os.makedirs(settings)
    with open(os.path.join(settings, "settings.reg"), "w") as f:
        f.write('[Ripple]\n"FULLSCREEN"=dword:00000000\n"NORMALEXIT"=dword:00000001\n')
    env = dict(os.environ, XDG_DATA_HOME=home, RIPPLE_TRACE_STARTUP="1", SDL_AUDIODRIVER="dummy")
    if display:
        env["DISPLAY"] = display
        env.pop("SDL_VIDEODRIVER", None)
        env["SDL_RENDER_DRIVER"] = "software"
    else:
        env["SDL_VIDEODRIVER"] = "dummy"
    started = time.monotonic_ns() // 1000
    game_process = subprocess.Popen([game], env=env, stderr=subprocess.PIPE, text=True,
                                    cwd=folder)
    phases = {}
    deadline = time.monotonic() + 60
    for line in game_process.stderr:
        if not line.startswith("startup: ") or " clock=" not in line:
            continue
        head, clock = line.rsplit(" clock=", 1)
        name = head[len("startup: "):].rsplit(" ", 1)[0]
        phases[name] = (int(clock) - started) / 1000.0
        # The canvas may draw its first frame before the main thread marks it
        # running: both are waited for.
        if ("first frame" in phases and "running" in phases) or time.monotonic() > deadline:
            break
    game_process.send_signal(signal.SIGTERM)
    game_process.communicate(timeout=60)
    shutil.rmtree(home, ignore_errors=True)
    missing = [name for name in PHASES if name not in phases]
    if missing:
        sys.exit(f"the game did not trace {missing}; traced: {phases}")
    return phases


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("game", nargs="?", default="build/release/ripple")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--xvfb", action="store_true")
    args = parser.parse_args()
    game = os.path.abspath(args.game)
    if not os.path.exists(game):
        sys.exit(f"{game} not found: build it first (make run, or cmake --build build/release)")
    folder = tempfile.mkdtemp()
    helpers = []
    try:
        display = None
        if args.xvfb:
            display, helpers = start_xvfb(folder)
        runs = [one_run(game, folder, display) for _ in range(args.runs)]
    finally:
        for p in helpers:
            p.terminate()
            p.wait()
        shutil.rmtree(folder, ignore_errors=True)
    print(f"{game}: {args.runs} runs, {'Xvfb with openbox' if display else 'dummy video'}, "
          f"load average {os.getloadavg()[0]:.1f} on {os.cpu_count()} cores")
    print(f"{'phase':<12} {'median ms':>9} {'min':>7} {'max':>7}   median of its own part")
    for i, name in enumerate(PHASES):
        values = [r[name] for r in runs]
        parts = [r[name] - (r[PHASES[i - 1]] if i else 0.0) for r in runs]
        print(f"{name:<12} {statistics.median(values):9.1f} {min(values):7.1f} "
              f"{max(values):7.1f}   {statistics.median(parts):+.1f}")

if __name__ == "__main__":
    main()

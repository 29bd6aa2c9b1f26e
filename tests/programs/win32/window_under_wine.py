#!/usr/bin/python3
"""The Windows program under Wine: it opens maximised; a pick and Search paint
the subset colour where the pick lies; the client area equals the Qt build's
for the same size and clicks; Save image writes a BMP that equals the screen;
the menu comes from the resource script; About shows its texts and icon; the
Exit button ends the program with code 0."""
import argparse
import os
import subprocess
import sys

from PIL import Image

SUBSET = (204, 102, 202)   # the subset's colour
PICKED = (255, 0, 0)       # the first pick's copies
PICK = (75, 25)            # per cent across and down the series panel

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def run_wine(args, work, timeout=300):
    env = dict(os.environ, WINEDEBUG="-all")
    return subprocess.run(["wine"] + args, cwd=work, env=env, timeout=timeout,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def use_virtual_desktop(work):
    # Wine's own desktop of the screen's size, so that windows are maximised
    # and framed by Wine itself, as on Windows, with no window manager.
    for key, name, value in (("HKCU\\Software\\Wine\\Explorer", "Desktop", "Default"),
                             ("HKCU\\Software\\Wine\\Explorer\\Desktops", "Default", "1024x768")):
        run_wine(["reg", "add", key, "/v", name, "/d", value, "/f"], work)


def read_log(path):
    with open(path) as f:
        return f.read().splitlines()


def field(lines, name):
    return next((line[len(name) + 1:] for line in lines if line.startswith(name + " ")), None)


def rect(text):
    return tuple(int(v) for v in text.split(","))


def pixels_of(picture, color, box):
    left, top, right, bottom = box
    return [(x, y) for y in range(top, bottom + 1) for x in range(left, right + 1)
            if picture.getpixel((x, y)) == color]


def main():
    parser = argparse.ArgumentParser()
    for name in ("program", "work", "icon", "xpm", "qt-replay"):
        parser.add_argument("--" + name, default="")
    a = parser.parse_args()
    os.makedirs(a.work, exist_ok=True)
    use_virtual_desktop(a.work)
    out = lambda name: os.path.join(a.work, name)
    for name in ("saved.bmp", "saved.pcx", "searched.bmp", "qt.bmp"):
        if os.path.exists(out(name)):
            os.remove(out(name))

    # Paths the program's 256-byte name cannot hold, typed whole or as a name
    # in the prompt's folder: up to 263 bytes the system's prompt refuses them
    # itself; from 264 on Wine's prompt would overrun its own path buffer, so
    # the program measures them first.
    folder = wine_path(out("")).rstrip("\\") + "\\"
    too_long = [folder + "a" * (size - len(folder) - 4) + ".bmp" for size in (257, 263, 264, 300, 1000)]
    too_long.append("b" * 300 + ".bmp")
    refusals = []
    for name in too_long + [wine_path(out("saved.png"))]:
        refusals += ["menu &File| Save image as...", f"answer Snapshot File Name|{name}", "answer About Bitmap"]
    # Folded to its title bar and menu, the window has no client pixels to save.
    folded = ["frame 120 21", "state", "menu &File| Save image as...", "answer About Bitmap", "frame 1024 740"]
    script = [
        "state",
        f"pick {PICK[0]} {PICK[1]}",
        "button Search",
        f"grab {wine_path(out('searched.bmp'))}",
        "menu &File| Save image as...",
        f"answer Snapshot File Name|{wine_path(out('saved.bmp'))}",
        "menu &File| Save image as...",
        f"answer Snapshot File Name|{wine_path(out('saved.pcx'))}",
        *refusals,
        *folded,
        "menu &Help|&About ...",
        "answer About",
        "button Exit",
    ]
    with open(out("script.txt"), "w") as f:
        f.write("\n".join(script) + "\n")
    run = run_wine([a.program, wine_path(out("script.txt")), wine_path(out("log.txt"))], a.work)
    log = read_log(out("log.txt"))
    print("\n".join("  log: " + line for line in log))

    check(run.returncode == 0, f"the Exit button ends the program with code 0 (got {run.returncode})")
    check(field(log, "maximized") == "1", "the window opens maximised")
    check(field(log, "title") == "KestrandVectorsSubset", "the title bar reads the class name")
    check(not any(line.startswith(("no menu item", "never shown", "unknown", "cannot")) for line in log),
          "every menu item and modal window of the script was there")
    answers = [line for line in log if line.startswith("answered About Bitmap")]
    check(len(answers) == len(too_long) + 2 and
          all("[File name is too long: at most 255 bytes]" in line for line in answers[:len(too_long)]) and
          not any(name.startswith(("aaaa", "bbbb")) for name in os.listdir(a.work)),
          f"every chosen path longer than the name buffer, up to 1000 bytes, is refused with a message, "
          f"and nothing is written ({len(answers)} messages)")
    check(len(answers) > len(too_long) and "[File name must end in .bmp or .pcx]" in answers[len(too_long)] and
          not os.path.exists(out("saved.png")), "a name with another extension is refused with a message")
    clients = [line for line in log if line.startswith("client ")]
    check(len(clients) == 2 and clients[1].endswith(" 0") and len(answers) == len(too_long) + 2 and
          "[Nothing to save: the client area is empty]" in answers[-1],
          f"a window folded to its menu bar has nothing to save, and says so ({clients[1:]})")
    check("answered About [icon] [Kestrand Version 1.0] [OK]" in log,
          "About shows the icon, the version text and OK")

    width, height = (int(v) for v in field(log, "client").split())
    layout = field(log, "layout")
    series = rect(layout.split()[3])
    result = rect(layout.split()[5])
    searched = Image.open(out("searched.bmp")).convert("RGB")
    check(searched.size == (width, height), "the grab covers the client area")
    # Noise level 0: all copies of the pick lie on one dot, which the subset covers.
    dots = pixels_of(searched, SUBSET, result)
    centre = (result[0] + (result[2] - result[0]) * PICK[0] // 100,
              result[1] + (result[3] - result[1]) * PICK[1] // 100)
    mean = (sum(x for x, _ in dots) / max(len(dots), 1), sum(y for _, y in dots) / max(len(dots), 1))
    # The click and the dot each truncate on the way, so the dot stands within its radius of the click.
    check(len(dots) >= 30 and abs(mean[0] - centre[0]) <= 4 and abs(mean[1] - centre[1]) <= 4,
          f"the subset's dot lies where the pick maps in the result panel ({len(dots)} pixels about {mean}, pick at {centre})")
    check(not pixels_of(searched, SUBSET, series), "the series panel shows no subset colour")
    check(len(pixels_of(searched, PICKED, series)) >= 30, "the series panel shows the pick's copies in red")

    saved = Image.open(out("saved.bmp"))
    with open(out("saved.bmp"), "rb") as f:
        depth = int.from_bytes(f.read(30)[28:30], "little")
    check(saved.size == (width, height), f"Save image writes a BMP of the client area ({depth} bits per pixel)")
    check(list(saved.convert("RGB").getdata()) == list(searched.getdata()), "the saved BMP equals the screen")

    # The PCX holds 1 where the screen shows the background colour, white, and 0 elsewhere.
    pcx = Image.open(out("saved.pcx"))
    white = [p == (255, 255, 255) for p in searched.getdata()]
    check(pcx.size == (width, height) and [p != 0 for p in pcx.getdata()] == white,
          "Save image as .pcx writes the screen's background and the rest in two colours")

    icon = Image.open(a.icon)
    for size in (16, 32):
        xpm = Image.open(os.path.join(a.xpm, f"main_icon_{size}.xpm")).convert("RGB")
        check(list(icon.ico.getimage((size, size)).convert("RGB").getdata()) == list(xpm.getdata()),
              f"the program's {size}-pixel icon is the XPM's picture")

    if a.qt_replay:
        compare_with_qt(a, out, width, height, layout, searched)
    else:
        print("skip the comparison with the Qt build: no replay program given")
    return 1 if failures else 0


def relative(points, box):
    return sorted((x - box[0], y - box[1]) for x, y in points)


def compare_with_qt(a, out, width, height, layout, searched):
    """The Qt build at the same client size, after the same clicks. The body
    fonts differ (Wine's stock variable font is not the one the Qt backend
    stands in for), and the layout follows the font's line height and average
    width: so the panels are compared from their own corners, where the dots,
    frames and axes must agree pixel for pixel."""
    with open(out("qt_script.txt"), "w") as f:
        f.write(f"size {width} {height}\npick {PICK[0]} {PICK[1]}\nbutton Search\nstate\ngrab {out('qt.bmp')}\n")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    subprocess.run([a.qt_replay, out("qt_script.txt"), out("qt_log.txt")], env=env, check=True, timeout=120)
    qt_log = read_log(out("qt_log.txt"))
    qt_layout = field(qt_log, "layout")
    log = read_log(out("log.txt"))
    # The first state's menu bar: each state logs it again.
    menu = [line for line in log[:log.index(next(line for line in log if line.startswith("maximized ")))]
            if line.startswith("menuitem ")]
    check(len(menu) == 7 and menu == [line for line in qt_log if line.startswith("menuitem ")],
          "the program's menu bar, from its resource script, is the Qt build's item for item")
    print(f"  qt layout:    {qt_layout}\n  win32 layout: {layout}")
    qt = Image.open(out("qt.bmp")).convert("RGB")
    check(qt.size == searched.size, "the Qt build's client area has the Windows build's size")
    for index, name in ((3, "series"), (5, "result")):
        mine, theirs = rect(layout.split()[index]), rect(qt_layout.split()[index])
        check(mine[2] - mine[0] == theirs[2] - theirs[0] and mine[3] - mine[1] == theirs[3] - theirs[1],
              f"the {name} panel has the Qt build's size")
        for color in (SUBSET, PICKED, (0, 0, 0)):
            same = relative(pixels_of(searched, color, mine), mine) == relative(pixels_of(qt, color, theirs), theirs)
            if color == (0, 0, 0):
                # The frame and axes, leaving out the text lines at the panel's top left.
                below_text = lambda box: (box[0], box[1] + 60, box[2], box[3])
                same = (relative(pixels_of(searched, color, below_text(mine)), mine) ==
                        relative(pixels_of(qt, color, below_text(theirs)), theirs))
            check(same, f"the {name} panel's {color} pixels are the Qt build's, from the panel's corner")
    check(all(bevel(searched, rect(mine)) == bevel(qt, rect(theirs))
              for mine, theirs in zip(layout.split()[7:], qt_layout.split()[7:])),
          "every button's bevel is the Qt build's, from the button's corners")


def bevel(picture, box):
    """The three outer rings of a button at its corners and across the middle
    of its edges, each pixel placed from the nearest corner: the same whatever
    the button's size. The middle of the button is its label's."""
    left, top, right, bottom = box
    xs = [left, left + 1, left + 2, (left + right) // 2, right - 2, right - 1, right, right + 1]
    ys = [top, top + 1, top + 2, (top + bottom) // 2, bottom - 2, bottom - 1, bottom, bottom + 1]
    return [picture.getpixel((x, y)) for j, y in enumerate(ys) for i, x in enumerate(xs) if (i, j) != (3, 3)]


if __name__ == "__main__":
    sys.exit(main())

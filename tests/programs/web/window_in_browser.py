#!/usr/bin/python3
"""The window in a web page, in headless Chromium, set beside the Qt build's
window at the same client size after the same clicks (tests/programs/replay's
replay_window): one behaviour per test name.

The page is served from a loopback server; clicks go through Chromium's own
input path (DevTools' Input domain), at device pixels of the client area.
Text is drawn by the browser's fonts, so text areas are compared by what
they say (the page lists the texts its canvas shows, for screen readers) and
by how much ink they hold; every other pixel must be the Qt build's."""
import argparse
import functools
import http.server
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import base64

from PIL import Image, ImageChops, ImageDraw
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync"]
WAIT = 20  # seconds for the page to do what it was asked, far above what it takes
LINE = 13  # a body text line: a 12-pixel line height and one pixel between
RANGE = 180  # the vector plane's half width
BACKGROUND = (255, 255, 255)

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


# --- The page ------------------------------------------------------------------


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


class Page:
    """The page in a headless Chromium, served from a loopback server."""

    def __init__(self, folder, work, scale=1, trace=False):
        handler = functools.partial(QuietHandler, directory=folder)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.downloads = os.path.join(work, "downloads")
        shutil.rmtree(self.downloads, ignore_errors=True)
        os.makedirs(self.downloads)
        options = webdriver.ChromeOptions()
        # The scale is the screen's own, as a high-density display has it.
        flags = [f"--force-device-scale-factor={scale}", "--user-data-dir=" + tempfile.mkdtemp(dir=work)]
        for flag in CHROMIUM_FLAGS + flags:
            options.add_argument(flag)
        options.binary_location = "/usr/bin/chromium"
        if trace:  # the browser's own record of its main thread's tasks, read with trace_events
            options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
            options.add_experimental_option("perfLoggingPrefs", {
                "traceCategories": "devtools.timeline,disabled-by-default-devtools.timeline",
                "enableNetwork": False, "enablePage": False})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.cdp("Browser.setDownloadBehavior", behavior="allow", downloadPath=self.downloads)
        self.scale = scale

    def close(self):
        self.driver.quit()
        self.server.shutdown()

    def cdp(self, command, **parameters):
        return self.driver.execute_cdp_cmd(command, parameters)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def open(self, width, height):
        """Loads the page in a viewport of width x height page pixels and
        waits for its first paint."""
        self.resize(width, height)
        self.driver.get(f"http://127.0.0.1:{self.server.server_address[1]}/index.html")
        self.wait_until("the first paint", lambda: self.js(
            "return document.getElementById('shown-text').children.length > 0"))

    def trace_events(self):
        """The trace events recorded since the last call."""
        messages = (json.loads(entry["message"])["message"] for entry in self.driver.get_log("performance"))
        return [m["params"] for m in messages if m["method"] == "Tracing.dataCollected"]

    def resize(self, width, height):
        self.cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=0, mobile=False)
        self.settle()

    def wait_until(self, what, condition):
        deadline = time.monotonic() + WAIT
        while time.monotonic() < deadline:
            if condition():
                return True
            time.sleep(0.05)
        raise AssertionError("the page never showed " + what)

    def settle(self):
        """Two animation frames: whatever the last input caused is painted."""
        self.driver.execute_async_script(
            "const done = arguments[0]; requestAnimationFrame(() => requestAnimationFrame(done));")

    def client_size(self):
        return tuple(self.js("const c = document.getElementById('client-image'); return [c.width, c.height];"))

    def canvas(self):
        url = self.js("return document.getElementById('client-image').toDataURL('image/png');")
        return Image.open(io.BytesIO(base64.b64decode(url.split(",")[1]))).convert("RGB")

    def shown_text(self):
        return self.js("return [...document.querySelectorAll('#shown-text li')].map((li) => li.textContent);")

    def mouse(self, kind, x, y):
        self.cdp("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)

    def click_client(self, x, y):
        """A press and release at the client area's device pixel (x, y)."""
        left, top = self.js("const r = document.getElementById('client-image').getBoundingClientRect();"
                            "return [r.left, r.top];")
        at = (left + (x + 0.5) / self.scale, top + (y + 0.5) / self.scale)
        self.mouse("mousePressed", *at)
        self.mouse("mouseReleased", *at)
        self.settle()

    def click_element(self, css):
        rect = self.js("const r = document.querySelector(arguments[0]).getBoundingClientRect();"
                       "return [r.left + r.width / 2, r.top + r.height / 2];", css)
        self.mouse("mouseMoved", *rect)
        self.mouse("mousePressed", *rect)
        self.mouse("mouseReleased", *rect)
        self.settle()

    def keys(self, *keys):
        """Keys typed in turn; a tuple is a chord, its first keys held."""
        for key in keys:
            chain = ActionChains(self.driver)
            if isinstance(key, tuple):
                for held in key[:-1]:
                    chain.key_down(held)
                chain.send_keys(key[-1])
                for held in reversed(key[:-1]):
                    chain.key_up(held)
            elif key == Keys.ALT:
                chain.key_down(Keys.ALT).key_up(Keys.ALT)
            else:
                chain.send_keys(key)
            chain.perform()
            self.settle()

    def menu_state(self):
        """The open menus' highlighted items, or the highlighted title, or nothing."""
        return self.js("""
            const open = [...document.querySelectorAll('.menu-title.open, .menu-title.active')]
                .map((t) => t.firstChild.textContent);
            const items = [...document.querySelectorAll('.menu-popup:not([hidden]) > .menu-item.highlighted')]
                .map((i) => i.firstChild.textContent);
            return open.concat(items);""")

    def modal(self):
        """The topmost modal window: its caption, texts, buttons, pictures and
        filters, or None."""
        return self.js("""
            const layers = document.querySelectorAll('.modal-layer:not([hidden])');
            if (!layers.length) return null;
            const d = layers[layers.length - 1];
            const all = (css) => [...d.querySelectorAll(css)];
            const select = d.querySelector('select');
            return {caption: d.querySelector('.dialog-title span').textContent,
                    texts: all('.dialog-text').map((e) => e.textContent),
                    buttons: all('.dialog-button').map((e) => e.textContent),
                    pictures: all('.dialog-picture').map((e) => [e.width, e.height,
                        [...e.getContext('2d').getImageData(0, 0, e.width, e.height).data]]),
                    filters: select ? [...select.options].map((o) => o.text) : [],
                    selected: select ? select.selectedOptions[0].text : null,
                    name: d.querySelector('input') ? d.querySelector('input').value : null};""")

    def type_name(self, name):
        box = self.driver.find_element(By.CSS_SELECTOR, ".modal-layer:not([hidden]) input")
        box.send_keys(name)

    def download(self, name):
        path = os.path.join(self.downloads, name)
        self.wait_until("the download " + name, lambda: os.path.exists(path) and not any(
            entry.endswith(".crdownload") for entry in os.listdir(self.downloads)))
        with open(path, "rb") as f:
            return f.read()


# --- The Qt build's window -----------------------------------------------------------


class Layout:
    """The layout line of a replay's state: the panels and buttons, both edges inside."""

    def __init__(self, line):
        words = line.split()
        rect = lambda text: tuple(int(v) for v in text.split(","))
        self.line_height = int(words[2].split(",")[0])
        self.series = rect(words[4])
        self.result = rect(words[6])
        self.buttons = [rect(w) for w in words[8:]]

    def button(self, index):
        left, top, right, bottom = self.buttons[index]
        return (left + right) // 2, (top + bottom) // 2


BUTTONS = {"Repeat": 0, "NoiseLevelUp": 1, "NoiseLevelDown": 2, "Restart": 3, "Search": 4, "Exit": 5}


def replay(args, steps, name):
    """Plays steps on the Qt build's window offscreen; the log's lines."""
    script = os.path.join(args.work, name + ".txt")
    log = os.path.join(args.work, name + ".log")
    with open(script, "w") as f:
        f.write("\n".join(steps) + "\n")
    subprocess.run([args.qt_replay, script, log], env=dict(os.environ, QT_QPA_PLATFORM="offscreen"),
                   check=True, timeout=120, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(log) as f:
        return f.read().splitlines()


def qt_layout(args, size):
    lines = replay(args, [f"size {size[0]} {size[1]}", "state"], "layout")
    return Layout(next(line for line in lines if line.startswith("layout ")))


def truncated(a, b):
    return -(-a // b) if a < 0 else a // b


def click_vector(layout, x, y):
    """The vector the window's click mapping turns a client point of the series panel into."""
    left, top, right, bottom = layout.series
    cx, cy = (left + right) // 2, (top + bottom) // 2
    w, h = right - left + 1, bottom - top + 1
    return truncated((x - cx) * 2 * RANGE, w), truncated((cy - y) * 2 * RANGE, h)


def starts_run(layout, x, y, axis):
    """Whether the click mapping gives (x, y) another coordinate on the axis
    than the pixel before it on that axis."""
    before = (x - 1, y) if axis == 0 else (x, y - 1)
    return click_vector(layout, x, y)[axis] != click_vector(layout, *before)[axis]


def pick_point(layout, vector):
    """A client point of the series panel that the click mapping turns into vector."""
    left, top, right, bottom = layout.series
    xs = [x for x in range(left, right + 1) if click_vector(layout, x, top)[0] == vector[0]]
    ys = [y for y in range(top, bottom + 1) if click_vector(layout, left, y)[1] == vector[1]]
    return xs[len(xs) // 2], ys[len(ys) // 2]


def work_area(size):
    margin_x, margin_y = size[0] // 170, size[1] // 131
    return margin_x, margin_y, size[0] - margin_x, size[1] - margin_y


def text_areas(layout, size):
    """Where the window draws text, right and bottom exclusive: the title,
    the buttons' labels and the panels' lines."""
    left, top, _, _ = work_area(size)
    title_top = top + layout.line_height + 1
    # The title runs past the work area when the window is narrow.
    areas = [(left + 26, title_top - 2, size[0], title_top + 28)]
    areas += [(l + 3, t + 3, r - 2, b - 2) for l, t, r, b in layout.buttons]
    for panel, lines in ((layout.series, 3), (layout.result, 4)):
        areas.append((panel[0] + 1, panel[1] + 1, min(panel[0] + 200, panel[2]), panel[1] + 4 + lines * LINE + 1))
    return areas


def differences(web, qt, areas):
    """The number of pixels that differ outside the text areas."""
    if web.size != qt.size:
        return -1
    mask = Image.new("L", web.size, 255)
    draw = ImageDraw.Draw(mask)
    for area in areas:
        draw.rectangle((area[0], area[1], area[2] - 1, area[3] - 1), fill=0)
    diff = ImageChops.difference(web, qt).convert("L").point(lambda v: 255 if v else 0)
    return sum(1 for v in ImageChops.multiply(diff, mask).getdata() if v)


def ink(picture, area):
    """How many pixels of the area are neither white nor the work area's green."""
    box = picture.crop(area)
    return sum(1 for p in box.getdata() if p not in (BACKGROUND, (235, 240, 225)))


def same_as_qt(web, qt, layout, what):
    size = web.size
    areas = text_areas(layout, size)
    check(web.size == qt.size, f"{what}: the client area is the Qt build's size {qt.size}")
    count = differences(web, qt, areas)
    check(count == 0, f"{what}: every pixel outside the text is the Qt build's ({count} differ)")
    inks = [(ink(web, a), ink(qt, a)) for a in areas]
    close = all(abs(a - b) <= max(12, b // 4) for a, b in inks)
    check(close, f"{what}: each text area holds about as much ink as the Qt build's {inks}")


def grab_steps(name, args):
    return f"grab {os.path.join(args.work, name + '.bmp')}"


def qt_picture(args, name):
    return Image.open(os.path.join(args.work, name + ".bmp")).convert("RGB")


# --- The tests -------------------------------------------------------------------------


def panels_equal_qt(page, args):
    """A pick and Search, by clicks on the canvas: the client area is the Qt build's."""
    page.open(1280, 900)
    size = page.client_size()
    layout = qt_layout(args, size)
    left, top, right, bottom = layout.series
    point = (left + (right - left) * 75 // 100, top + (bottom - top) * 25 // 100)
    page.click_client(*point)
    page.click_client(*layout.button(BUTTONS["Search"]))
    replay(args, [f"size {size[0]} {size[1]}", f"point {point[0]} {point[1]}", "button Search",
                  grab_steps("searched", args)], "searched")
    same_as_qt(page.canvas(), qt_picture(args, "searched"), layout, "a pick and Search")
    shown = page.shown_text()
    check(" series length 1000" in shown and any(t.startswith(" subset center [") for t in shown),
          f"the result panel's captions are listed for readers ({shown})")


def scenarios_give_documented_centres(page, args):
    """The replays of the manual's kvs demo guide, clicked: each step's picture is the Qt build's and
    the centres are the documented ones."""
    page.open(1280, 900)
    size = page.client_size()
    layout = qt_layout(args, size)
    first, second = pick_point(layout, (120, -45)), pick_point(layout, (-30, 60))
    actions = [("pick", first, " w[1] = (120,-45)"), ("up", None, None), ("up", None, None),
               ("up", None, None), ("search", None, " subset center [119,-43]"), ("repeat", None, "no result"),
               ("search", None, " subset center [120,-48]"), ("restart", None, "no result"),
               ("pick", second, " w[1] = (-30,60)"), ("search", None, " subset center [-30,60]"),
               ("pick", first, " subset center [-30,60]")]
    buttons = {"up": "NoiseLevelUp", "search": "Search", "repeat": "Repeat", "restart": "Restart"}
    steps = [f"size {size[0]} {size[1]}"]
    for number, (action, point, expected) in enumerate(actions):
        point = point or layout.button(BUTTONS[buttons[action]])
        page.click_client(*point)
        steps += [f"point {point[0]} {point[1]}", grab_steps(f"step{number}", args)]
        if expected:
            shown = page.shown_text()
            centre = [t for t in shown if t.startswith(" subset center")]
            ok = not centre if expected == "no result" else expected in shown
            check(ok, f"after {action} {number}: {expected} ({centre or shown})")
        page.canvas().save(os.path.join(args.work, f"web_step{number}.png"))
    replay(args, steps, "scenarios")
    for number, (action, _, _) in enumerate(actions):
        web = Image.open(os.path.join(args.work, f"web_step{number}.png")).convert("RGB")
        same_as_qt(web, qt_picture(args, f"step{number}"), layout, f"step {number} ({action})")


def saves_equal_qt(page, args):
    """File → Save image as... downloads the bytes the Qt build writes,
    outside the text, and exactly the picture the canvas shows."""
    page.open(1280, 900)
    size = page.client_size()
    layout = qt_layout(args, size)
    point = pick_point(layout, (120, -45))
    page.click_client(*point)
    page.click_client(*layout.button(BUTTONS["Search"]))
    shown = page.canvas()
    steps = [f"size {size[0]} {size[1]}", f"point {point[0]} {point[1]}", "button Search"]
    for name in ("shot.bmp", "shot.pcx"):
        page.click_element(".menu-title:nth-child(1)")
        page.click_element(".menu-popup:not([hidden]) > .menu-item:nth-child(1)")
        page.type_name(name)
        page.keys(Keys.ENTER)
        qt_file = os.path.join(args.work, "qt_" + name)
        if os.path.exists(qt_file):
            os.remove(qt_file)
        steps += ["menu &File| Save image as...", f"answer Snapshot File Name|{qt_file}"]
    replay(args, steps, "saves")
    areas = text_areas(layout, size)
    for name, header in (("shot.bmp", 54), ("shot.pcx", 128)):
        mine = page.download(name)
        with open(os.path.join(args.work, "qt_" + name), "rb") as f:
            theirs = f.read()
        check(mine[:header] == theirs[:header], f"{name}: its header is the Qt build's byte for byte")
        picture = Image.open(io.BytesIO(mine)).convert("RGB")
        qt = Image.open(io.BytesIO(theirs)).convert("RGB")
        check(differences(picture, qt, areas) == 0, f"{name}: every pixel outside the text is the Qt build's")
        if name.endswith(".bmp"):
            check(list(picture.getdata()) == list(shown.getdata()), f"{name}: the file is the canvas's picture")
        else:
            white = [p == BACKGROUND for p in shown.getdata()]
            check([p == BACKGROUND for p in picture.getdata()] == white,
                  f"{name}: the file holds the canvas's background and the rest in two colours")


def menus_and_dialogs(page, args):
    """Every menu item by mouse and by keyboard; About; the prompt's refusals."""
    page.open(1280, 900)
    size = page.client_size()
    qt_items = [line[len("menuitem "):] for line in replay(args, [f"size {size[0]} {size[1]}", "state"], "menu")
                if line.startswith("menuitem ")]
    web_items = page.js("""
        const lines = [];
        for (const title of document.querySelectorAll('.menu-title')) {
          const name = title.firstChild.innerHTML.replace(/<u>(.)<\\/u>/, '&$1');
          for (const item of title.querySelectorAll('.menu-item')) {
            if (item.classList.contains('menu-separator')) { lines.push(name + '|-|0'); continue; }
            const text = item.firstChild.innerHTML.replace(/<u>(.)<\\/u>/, '&$1');
            lines.push(name + '|' + text + '|' + item.dataset.command);
          }
        }
        return lines;""")
    check(web_items == qt_items, f"the menu bar is the Qt build's item for item ({web_items})")

    # By keyboard: F10 opens File; the arrows go through every item of every menu.
    page.keys(Keys.F10)
    seen = [tuple(page.menu_state())]
    for key in [Keys.DOWN, Keys.DOWN, Keys.RIGHT, Keys.DOWN, Keys.DOWN, Keys.RIGHT]:
        page.keys(key)
        seen.append(tuple(page.menu_state()))
    check(seen == [("File", " Save image as..."), ("File", " Exit"), ("File", " Save image as..."),
                   (" Processing", " Create vector series"), (" Processing", " Repeat"),
                   (" Processing", " Search"), ("Help", "About ...")],
          f"F10 and the arrows reach every item, separators passed over ({seen})")
    page.keys(Keys.ESCAPE)
    check(page.menu_state() == ["Help"], "Escape closes the menu and leaves its title highlighted")
    page.keys(Keys.ESCAPE)
    check(page.menu_state() == [], "a second Escape leaves the menu bar")
    page.keys(Keys.ALT)
    check(page.menu_state() == ["File"], "Alt alone moves to the menu bar")
    page.keys(Keys.RIGHT, Keys.ENTER, Keys.ENTER)
    check(" series length 1000" not in page.shown_text() and "repeats 502" in page.shown_text(),
          "Alt, Right, Enter, Enter chooses Processing → Create vector series")

    page.keys((Keys.ALT, "h"))
    check(page.menu_state() == ["Help", "About ..."], "Alt+H opens Help")
    page.keys("a")
    about = page.modal()
    icon = about and about["pictures"] and about["pictures"][0]
    check(about and about["caption"] == "About" and about["texts"] == ["Kestrand Version 1.0"] and
          about["buttons"] == ["OK"], f"the mnemonic A opens About with its text and OK ({about and about['texts']})")
    check(icon and icon[:2] == [32, 32] and bytes(icon[2]) == icon_rgba(args.xpm, 32),
          "About shows the program's 32-pixel icon")
    page.keys(Keys.ENTER)
    check(page.modal() is None, "Enter closes About")
    page.click_element(".menu-title:nth-child(3)")
    page.click_element(".menu-popup:not([hidden]) > .menu-item:nth-child(1)")
    check(page.modal() is not None and page.modal()["caption"] == "About", "Help → About ... by mouse opens About")
    page.click_element(".modal-layer:not([hidden]) .close-box")
    check(page.modal() is None, "the close box closes About")

    # The save prompt, by mouse: its title and filters; the refusals and their messages.
    page.click_element(".menu-title:nth-child(1)")
    page.click_element(".menu-popup:not([hidden]) > .menu-item:nth-child(1)")
    prompt = page.modal()
    check(prompt and prompt["caption"] == "Snapshot File Name" and prompt["name"] == "" and
          prompt["filters"] == ["Bitmap Files (*.bmp)", "PCX Files (*.pcx)"] and
          prompt["selected"] == "Bitmap Files (*.bmp)",
          f"the save prompt: its title, an empty name, the filters with BMP selected ({prompt})")
    page.type_name("a" * 252 + ".bmp")
    page.keys(Keys.ENTER)
    refusal = page.modal()
    check(refusal and refusal["caption"] == "About Bitmap" and
          refusal["texts"] == ["File name is too long: at most 255 bytes"],
          f"a name longer than the window's 256-byte buffer is refused with its message ({refusal})")
    page.keys(Keys.ESCAPE)
    page.keys(Keys.F10, Keys.ENTER)
    page.keys(Keys.ESCAPE)
    time.sleep(0.5)
    check(os.listdir(page.downloads) == [], "neither refusal nor Cancel downloads anything")

    # Processing's items by mouse do what they do on the desktop; then File → Exit.
    steps = [f"size {size[0]} {size[1]}", "menu  Processing| Create vector series"]
    for number, item in enumerate((" Create vector series", " Repeat", " Search", " Repeat"), 1):
        page.click_element(".menu-title:nth-child(2)")
        page.click_element(f".menu-popup:not([hidden]) > .menu-item:nth-child({[0, 1, 2, 3, 2][number]})")
        steps.append(f"menu  Processing|{item}")
    layout = qt_layout(args, size)
    replay(args, steps + [grab_steps("processing", args)], "processing")
    same_as_qt(page.canvas(), qt_picture(args, "processing"), layout, "after Processing's items by mouse")
    page.click_element(".menu-title:nth-child(1)")
    page.click_element(".menu-popup:not([hidden]) > .menu-item:nth-child(3)")
    closed = page.js("return [document.getElementById('closed').hidden, document.getElementById('client').hidden]")
    check(closed == [False, True], "File → Exit closes the window and the page says so")


def messages_until_closed(page):
    """The caption and texts of each message box in turn, each closed with Enter."""
    shown = []
    while (modal := page.modal()) is not None and modal["caption"] != "Snapshot File Name" and len(shown) < 5:
        shown.append((modal["caption"], modal["texts"]))
        page.keys(Keys.ENTER)
    return shown


def save_refusals(page, args):
    """Names the page cannot download under, another extension and a client
    area without pixels: each is refused with the desktop's messages, and
    nothing is downloaded."""
    page.open(1280, 900)
    not_created = [("About Bitmap", ["CreateFile ERROR!"]), ("About Bitmap", ["Bitmap file is not created"])]
    for name, messages in (("a/", not_created), ("dir/", not_created), ("c:\\tmp\\", not_created),
                           ("x/.bmp", not_created), ("x/.PCX", [("About PCX", ["CreateFile ERROR!"]),
                                                                ("About Bitmap", ["PCX file is not created"])]),
                           ("shot.png", [("About Bitmap", ["File name must end in .bmp or .pcx"])])):
        page.keys(Keys.F10, Keys.ENTER)
        page.type_name(name)
        page.keys(Keys.ENTER)
        shown = messages_until_closed(page)
        check(shown == messages, f"{name!r} is refused with {messages} ({shown})")
    # Viewports that leave the window no client pixels below its menu bar.
    for width, height in ((1, 1), (40, 2)):
        page.resize(width, height)
        page.keys(Keys.F10, Keys.ENTER)
        shown = messages_until_closed(page)
        check(shown == [("About Bitmap", ["Nothing to save: the client area is empty"])],
              f"a {width} x {height} viewport has nothing to save, and says so, without a prompt ({shown})")
    time.sleep(0.5)
    check(os.listdir(page.downloads) == [], f"no refusal downloads anything ({os.listdir(page.downloads)})")


def icon_rgba(folder, size):
    picture = Image.open(os.path.join(folder, f"main_icon_{size}.xpm")).convert("RGBA")
    return picture.tobytes()


def resize_relays_out(page, args):
    """The browser's window resized: the layout runs afresh, as on the desktop."""
    page.open(1280, 900)
    sizes, steps = [], []
    for width, height in ((1280, 900), (1000, 640), (640, 420)):
        page.resize(width, height)
        size = page.client_size()
        sizes.append(size)
        page.canvas().save(os.path.join(args.work, f"web_size{len(sizes)}.png"))
        steps += [f"size {size[0]} {size[1]}", "state", grab_steps(f"size{len(sizes)}", args)]
    lines = replay(args, steps, "sizes")
    layouts = [Layout(line) for line in lines if line.startswith("layout ")]
    for number, (size, layout) in enumerate(zip(sizes, layouts), 1):
        web = Image.open(os.path.join(args.work, f"web_size{number}.png")).convert("RGB")
        same_as_qt(web, qt_picture(args, f"size{number}"), layout, f"at {size[0]} x {size[1]}")
    check(len(set(sizes)) == 3, f"the canvas followed the window's size ({sizes})")


def device_pixel_ratio(page, args):
    """At two device pixels to a page pixel the canvas has the device's
    pixels, so the picture is sharp, and a click hits the device pixel under it."""
    page.open(640, 450)
    size = page.client_size()
    css = page.js("const r = document.getElementById('client-image').getBoundingClientRect();"
                  "return [r.width, r.height];")
    check(list(size) == [round(css[0] * 2), round(css[1] * 2)],
          f"the canvas holds the device's pixels ({size} for {css} page pixels)")
    layout = qt_layout(args, size)
    # An odd device pixel that starts a vector's run of pixels: a click one
    # device pixel off, where whole page pixels would land, picks another vector.
    left, top, right, bottom = layout.series
    x = next(x for x in range(left + 101, right, 2) if starts_run(layout, x, top, 0))
    y = next(y for y in range(top + 101, bottom, 2) if starts_run(layout, left, y, 1))
    page.click_client(x, y)
    page.click_client(*layout.button(BUTTONS["Search"]))
    replay(args, [f"size {size[0]} {size[1]}", f"point {x} {y}", "button Search", grab_steps("scaled", args)], "scaled")
    same_as_qt(page.canvas(), qt_picture(args, "scaled"), layout, "at two device pixels a page pixel")
    picked = " w[1] = ({},{})".format(*click_vector(layout, x, y))
    shown = page.shown_text()
    check(picked in shown, f"the click at the odd device pixel ({x}, {y}) picked{picked} ({shown})")


TESTS = {f.__name__: f for f in (panels_equal_qt, scenarios_give_documented_centres, saves_equal_qt,
                                 menus_and_dialogs, save_refusals, resize_relays_out, device_pixel_ratio)}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("test", choices=sorted(TESTS))
    parser.add_argument("--page", required=True, help="the built web folder")
    parser.add_argument("--qt-replay", required=True, help="replay_window of a Qt build")
    parser.add_argument("--xpm", required=True, help="the folder of the program's XPM icons")
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    args.work = os.path.join(args.work, args.test)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    page = Page(args.page, args.work, scale=2 if args.test == "device_pixel_ratio" else 1)
    try:
        TESTS[args.test](page, args)
    finally:
        page.close()
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

// The page around the program: the client area's canvas, the menu bar, the
// modal windows, the bundled faces and downloads. The page never calls the
// program: what the visitor does becomes an event in a queue, which the
// program's message loop takes when it is ready for it (page_library.js
// carries the calls the other way).
"use strict";

const KvPage = (() => {
  // The faces the page bundles; the program names them by their place here
  // (platform/web/fonts.cpp).
  const faces = [
    { family: "KV Body", file: "fonts/body.ttf" },
    { family: "KV Serif", file: "fonts/serif.ttf" },
  ];
  // Two presses this close in time (ms) and place (device pixels) are a double click.
  const DOUBLE_CLICK_MS = 500;
  const DOUBLE_CLICK_DISTANCE = 4;

  // The event kinds, as platform/web/page_bridge.h numbers them.
  const Event = { Resized: 1, PointerDown: 2, PointerUp: 3, PointerMove: 4, KeyDown: 5, MenuCommand: 6,
                  ModalCommand: 7 };
  const COMMAND_OK = 1;
  const COMMAND_CANCEL = 2;

  const queue = [];
  let wake = null;
  let canvas, context, client, menuBar, shownText;
  let observed = null; // the client area's last size as the browser reported it
  const faceTables = [];
  let glyphCanvas = null;
  let lastPress = null;

  function post(kind, a = 0, b = 0, c = 0) {
    const last = queue[queue.length - 1];
    // A move or a resize replaces one that waits untaken: only the latest counts.
    if (last && last.kind === kind && (kind === Event.PointerMove || kind === Event.Resized)) queue.pop();
    queue.push({ kind, values: [a, b, c] });
    if (wake) {
      const resume = wake;
      wake = null;
      resume();
    }
  }

  function nextEvent() {
    return new Promise((resolve) => {
      if (queue.length) resolve();
      else wake = resolve;
    });
  }

  // --- Faces ---------------------------------------------------------------

  // The sizes the program lays text out by, from the face's own tables.
  function readTables(bytes) {
    const view = new DataView(bytes);
    const tables = {};
    const count = view.getUint16(4);
    for (let i = 0; i < count; i++) {
      const at = 12 + 16 * i;
      const tag = String.fromCharCode(view.getUint8(at), view.getUint8(at + 1), view.getUint8(at + 2),
                                      view.getUint8(at + 3));
      tables[tag] = view.getUint32(at + 8);
    }
    const head = tables["head"], hhea = tables["hhea"], os2 = tables["OS/2"];
    return [view.getUint16(head + 18), view.getInt16(hhea + 4), view.getInt16(hhea + 6), view.getInt16(hhea + 8),
            view.getInt16(os2 + 2), view.getUint16(hhea + 10)];
  }

  async function loadFace(face, index) {
    const response = await fetch(face.file);
    if (!response.ok) throw new Error(`cannot load ${face.file}: ${response.status}`);
    const bytes = await response.arrayBuffer();
    faceTables[index] = readTables(bytes);
    const loaded = await new FontFace(face.family, bytes).load();
    document.fonts.add(loaded);
  }

  // The boxes stand side by side on one canvas, read back once.
  function renderGlyphs(face, pixelSize, weight, italic, codePoints, ascent, margin, width, height) {
    if (!glyphCanvas) glyphCanvas = document.createElement("canvas").getContext("2d", { willReadFrequently: true });
    const g = glyphCanvas;
    const count = codePoints.length;
    if (g.canvas.width < width * count || g.canvas.height < height) {
      g.canvas.width = Math.max(g.canvas.width, width * count);
      g.canvas.height = Math.max(g.canvas.height, height);
    }
    g.clearRect(0, 0, width * count, height);
    g.font = `${italic ? "italic " : ""}${weight} ${pixelSize}px "${faces[face].family}"`;
    g.textBaseline = "alphabetic";
    g.fillStyle = "#000";
    const advances = codePoints.map((codePoint, i) => {
      const character = String.fromCodePoint(codePoint);
      g.fillText(character, i * width + margin, ascent);
      return Math.round(g.measureText(character).width);
    });
    return { rgba: g.getImageData(0, 0, width * count, height).data, advances };
  }

  // --- The client area -----------------------------------------------------

  // The client area's size in device pixels as it is now: the browser's
  // own count of its device pixels when it has reported this size, else the
  // page pixels scaled (the browser reports a change only once its layout
  // has run, and the program may ask before that, as when its menu bar has
  // just been built).
  function clientSize() {
    const rect = client.getBoundingClientRect();
    if (observed && observed.width === rect.width && observed.height === rect.height &&
        observed.ratio === devicePixelRatio) return observed.device;
    return [Math.round(rect.width * devicePixelRatio), Math.round(rect.height * devicePixelRatio)];
  }

  function observe(entry) {
    const box = entry.devicePixelContentBoxSize && entry.devicePixelContentBoxSize[0];
    observed = box ? { width: entry.contentRect.width, height: entry.contentRect.height, ratio: devicePixelRatio,
                       device: [box.inlineSize, box.blockSize] } : null;
  }

  // The program's picture goes on the canvas at the next animation frame,
  // as part of drawing the page: the blocks painted meanwhile are put at
  // once, straight from the program's memory (pixels() views it as it is
  // then). A canvas of another size takes the picture's size and all of it.
  let shown = null;

  function present(pixels, width, height, x, y, blockWidth, blockHeight) {
    const block = { left: x, top: y, right: x + blockWidth, bottom: y + blockHeight };
    if (shown && shown.width === width && shown.height === height) {
      shown.block = { left: Math.min(shown.block.left, block.left), top: Math.min(shown.block.top, block.top),
                      right: Math.max(shown.block.right, block.right),
                      bottom: Math.max(shown.block.bottom, block.bottom) };
      shown.pixels = pixels;
      return;
    }
    if (!shown) requestAnimationFrame(show);
    shown = { pixels, width, height, block };
  }

  function show() {
    if (!shown) return;
    const { pixels, width, height, block } = shown;
    shown = null;
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
      Object.assign(block, { left: 0, top: 0, right: width, bottom: height });
    }
    context.putImageData(new ImageData(pixels(), width, height), 0, 0, block.left, block.top,
                         block.right - block.left, block.bottom - block.top);
  }

  // A pointer's place in device pixels of the client area.
  function devicePoint(event) {
    const rect = canvas.getBoundingClientRect();
    const [width, height] = clientSize();
    const x = Math.floor(((event.clientX - rect.left) * width) / rect.width);
    const y = Math.floor(((event.clientY - rect.top) * height) / rect.height);
    return { x, y, inside: x >= 0 && y >= 0 && x < width && y < height };
  }

  function clickCount(point, time) {
    const twice = lastPress && time - lastPress.time < DOUBLE_CLICK_MS &&
      Math.abs(point.x - lastPress.x) <= DOUBLE_CLICK_DISTANCE &&
      Math.abs(point.y - lastPress.y) <= DOUBLE_CLICK_DISTANCE;
    lastPress = twice ? null : { x: point.x, y: point.y, time };
    return twice ? 2 : 1;
  }

  function listenToClient() {
    canvas.addEventListener("pointerdown", (event) => {
      if (event.button !== 0 || !event.isPrimary) return;
      canvas.focus({ preventScroll: true });
      const point = devicePoint(event);
      post(Event.PointerDown, point.x, point.y, clickCount(point, event.timeStamp));
    });
    // A release outside the client area is not the window's, as on the desktop.
    canvas.addEventListener("pointerup", (event) => {
      const point = devicePoint(event);
      if (event.button === 0 && event.isPrimary && point.inside) post(Event.PointerUp, point.x, point.y);
    });
    canvas.addEventListener("pointermove", (event) => {
      const point = devicePoint(event);
      if (event.isPrimary && point.inside) post(Event.PointerMove, point.x, point.y);
    });
    new ResizeObserver((entries) => {
      observe(entries[entries.length - 1]);
      post(Event.Resized);
    }).observe(client, { box: "device-pixel-content-box" });
  }

  function setShownText(lines) {
    shownText.replaceChildren(...lines.split("\n").filter((line) => line.length).map((line) => {
      const item = document.createElement("li");
      item.textContent = line;
      return item;
    }));
  }

  function windowClosed() {
    shown = null;
    Menus.closeAll();
    menuBar.hidden = true;
    client.hidden = true;
    document.getElementById("closed").hidden = false;
  }

  function download(name, bytes) {
    const link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob([bytes], { type: "application/octet-stream" }));
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  // --- Texts with mnemonics --------------------------------------------------

  // "&File": the letter after a single ampersand is the mnemonic, shown
  // underlined; "&&" is an ampersand.
  function mnemonicText(element, text) {
    let mnemonic = "";
    for (let i = 0; i < text.length; i++) {
      if (text[i] === "&" && i + 1 < text.length) {
        i++;
        if (text[i] !== "&" && !mnemonic) {
          mnemonic = text[i].toLowerCase();
          const letter = document.createElement("u");
          letter.textContent = text[i];
          element.append(letter);
          continue;
        }
      }
      element.append(text[i]);
    }
    return mnemonic;
  }

  // --- The menu bar ----------------------------------------------------------

  const Menus = (() => {
    const titles = [];   // {element, popup, mnemonic}
    const building = []; // the popups being filled
    let mode = "idle";   // "idle", "bar" (a title highlighted), "open" (a popup open)
    let active = -1;     // the title highlighted or open
    let open = [];       // the open popups, outermost first, each {popup, highlighted}
    let altAlone = false;

    function entriesOf(popup) {
      return [...popup.children].filter((child) => child.classList.contains("menu-item"));
    }

    function openPopup(popup, highlightFirst) {
      popup.hidden = false;
      const level = { popup, highlighted: -1 };
      open.push(level);
      if (highlightFirst) step(level, 1);
    }

    function closeFrom(depth) {
      while (open.length > depth) {
        const level = open.pop();
        level.popup.hidden = true;
        entriesOf(level.popup).forEach((item) => item.classList.remove("highlighted"));
      }
    }

    function showTitles() {
      titles.forEach((title, i) => {
        title.element.classList.toggle("active", i === active && mode === "bar");
        title.element.classList.toggle("open", i === active && mode === "open");
        title.element.setAttribute("aria-expanded", String(i === active && mode === "open"));
      });
    }

    function openTitle(index, highlightFirst) {
      closeFrom(0);
      active = (index + titles.length) % titles.length;
      mode = "open";
      openPopup(titles[active].popup, highlightFirst);
      showTitles();
    }

    function toBar(index) {
      closeFrom(0);
      active = index;
      mode = "bar";
      showTitles();
    }

    function closeAll() {
      closeFrom(0);
      mode = "idle";
      active = -1;
      showTitles();
      if (canvas && !Modals.isOpen()) canvas.focus({ preventScroll: true });
    }

    function highlight(level, index) {
      const items = entriesOf(level.popup);
      items.forEach((item, i) => item.classList.toggle("highlighted", i === index));
      level.highlighted = index;
    }

    // Up or down to the next item that is not a separator.
    function step(level, direction) {
      const items = entriesOf(level.popup);
      for (let n = 1; n <= items.length; n++) {
        const index = (level.highlighted + direction * n + items.length * (n + 1)) % items.length;
        if (!items[index].classList.contains("menu-separator")) {
          highlight(level, index);
          return;
        }
      }
    }

    function choose(item) {
      const submenu = item.querySelector(":scope > .menu-popup");
      if (submenu) {
        closeFrom(open.findIndex((level) => level.popup === item.parentElement) + 1);
        openPopup(submenu, true);
        return;
      }
      closeAll();
      post(Event.MenuCommand, Number(item.dataset.command));
    }

    function openPopupFor(text) {
      const popup = document.createElement("div");
      popup.className = "menu-popup";
      popup.setAttribute("role", "menu");
      popup.hidden = true;
      if (building.length === 0) {
        const element = document.createElement("div");
        element.className = "menu-title";
        element.setAttribute("role", "menuitem");
        element.setAttribute("aria-haspopup", "menu");
        const label = document.createElement("span");
        const mnemonic = mnemonicText(label, text);
        const index = titles.length;
        element.append(label, popup);
        element.addEventListener("mousedown", (event) => {
          if (event.target.closest(".menu-popup")) return;
          event.preventDefault();
          if (mode === "open" && active === index) closeAll();
          else openTitle(index, false);
        });
        element.addEventListener("mouseenter", () => {
          if (mode === "open" && active !== index) openTitle(index, false);
        });
        menuBar.append(element);
        titles.push({ element, popup, mnemonic });
      } else {
        const item = itemFor(text, "menu-item menu-submenu");
        item.setAttribute("aria-haspopup", "menu");
        item.append(popup);
        building[building.length - 1].append(item);
      }
      building.push(popup);
    }

    function itemFor(text, className) {
      const item = document.createElement("div");
      item.className = className;
      item.setAttribute("role", "menuitem");
      const label = document.createElement("span");
      item.dataset.mnemonic = mnemonicText(label, text);
      item.append(label);
      item.addEventListener("mouseenter", () => {
        const level = open.find((entry) => entry.popup === item.parentElement);
        if (!level) return;
        closeFrom(open.indexOf(level) + 1);
        highlight(level, entriesOf(level.popup).indexOf(item));
      });
      item.addEventListener("mouseup", (event) => {
        if (event.target.closest(".menu-popup") !== item.parentElement) return;
        choose(item);
      });
      return item;
    }

    function addItem(text, command) {
      const item = itemFor(text, "menu-item");
      item.dataset.command = String(command);
      building[building.length - 1].append(item);
    }

    function addSeparator() {
      const separator = document.createElement("div");
      separator.className = "menu-item menu-separator";
      separator.setAttribute("role", "separator");
      building[building.length - 1].append(separator);
    }

    function titleOfMnemonic(letter) {
      return titles.findIndex((title) => title.mnemonic && title.mnemonic === letter);
    }

    function keyInOpenMenu(event) {
      const level = open[open.length - 1];
      const items = entriesOf(level.popup);
      switch (event.key) {
        case "ArrowDown": step(level, 1); break;
        case "ArrowUp": step(level, -1); break;
        case "ArrowRight":
          if (level.highlighted >= 0 && items[level.highlighted].classList.contains("menu-submenu"))
            choose(items[level.highlighted]);
          else openTitle(active + 1, true);
          break;
        case "ArrowLeft":
          if (open.length > 1) closeFrom(open.length - 1);
          else openTitle(active - 1, true);
          break;
        case "Enter": case " ":
          if (level.highlighted >= 0) choose(items[level.highlighted]);
          break;
        case "Escape":
          if (open.length > 1) closeFrom(open.length - 1);
          else toBar(active);
          break;
        default: {
          const letter = event.key.toLowerCase();
          const item = items.find((entry) => entry.dataset.mnemonic && entry.dataset.mnemonic === letter);
          if (item) choose(item);
        }
      }
    }

    function keyInBar(event) {
      switch (event.key) {
        case "ArrowRight": toBar((active + 1) % titles.length); break;
        case "ArrowLeft": toBar((active - 1 + titles.length) % titles.length); break;
        case "ArrowDown": case "ArrowUp": case "Enter": case " ": openTitle(active, true); break;
        case "Escape": closeAll(); break;
        default: {
          const index = titleOfMnemonic(event.key.toLowerCase());
          if (index >= 0) openTitle(index, true);
        }
      }
    }

    // F10 and Alt belong to the menu bar: F10 opens the first menu, Alt
    // pressed and released alone moves the keyboard to the bar and back,
    // Alt with a title's mnemonic opens that menu. While the bar has the
    // keyboard it takes every key. True when the key was the menu's.
    function keyDown(event) {
      if (!titles.length) return false;
      altAlone = event.key === "Alt" && !event.repeat;
      if (event.key === "Alt") return true;
      if (event.key === "F10" && !event.altKey && !event.ctrlKey && !event.shiftKey && !event.metaKey) {
        if (mode === "idle") openTitle(0, true);
        else closeAll();
        return true;
      }
      if (event.altKey && !event.ctrlKey && !event.metaKey && event.key.length === 1) {
        const index = titleOfMnemonic(event.key.toLowerCase());
        if (index >= 0) {
          openTitle(index, true);
          return true;
        }
      }
      if (mode === "bar") keyInBar(event);
      else if (mode === "open") keyInOpenMenu(event);
      else return false;
      return true;
    }

    function keyUp(event) {
      if (event.key !== "Alt" || !altAlone || !titles.length) return false;
      altAlone = false;
      if (mode === "idle") toBar(0);
      else closeAll();
      return true;
    }

    function pointerOutside(event) {
      if (mode !== "idle" && !menuBar.contains(event.target)) closeAll();
    }

    return { openPopupFor, addItem, addSeparator, closePopup: () => building.pop(), keyDown, keyUp, closeAll,
             pointerOutside };
  })();

  // --- Modal windows -----------------------------------------------------------

  const Modals = (() => {
    const stack = []; // {layer, dialog, client, defaultId, nameBox}

    function top() {
      return stack[stack.length - 1];
    }

    function open(caption, x, y, width, height) {
      const layer = document.createElement("div");
      layer.className = "modal-layer";
      layer.hidden = true;
      const dialog = document.createElement("div");
      dialog.className = "dialog";
      dialog.setAttribute("role", "dialog");
      dialog.setAttribute("aria-modal", "true");
      const title = document.createElement("div");
      title.className = "dialog-title";
      const captionText = document.createElement("span");
      captionText.textContent = caption;
      captionText.id = `dialog-caption-${stack.length}`;
      dialog.setAttribute("aria-labelledby", captionText.id);
      const closeBox = document.createElement("button");
      closeBox.className = "close-box";
      closeBox.type = "button";
      closeBox.tabIndex = -1;
      closeBox.setAttribute("aria-label", "Close");
      closeBox.textContent = "\u00d7";
      closeBox.addEventListener("click", () => post(Event.ModalCommand, COMMAND_CANCEL));
      title.append(captionText, closeBox);
      const area = document.createElement("div");
      area.className = x < 0 ? "dialog-client flowing" : "dialog-client placed";
      if (x >= 0) {
        area.style.width = `${width}px`;
        area.style.height = `${height}px`;
      }
      dialog.append(title, area);
      layer.append(dialog);
      document.body.append(layer);
      stack.push({ layer, dialog, client: area, placed: x >= 0 ? { x, y } : null, defaultId: COMMAND_OK,
                   defaultButton: null, nameBox: null, buttons: null });
    }

    function place(control, x, y, width, height) {
      if (x < 0) return;
      control.style.left = `${x}px`;
      control.style.top = `${y}px`;
      if (width > 0) control.style.width = `${width}px`;
      if (height > 0) control.style.height = `${height}px`;
    }

    function addPicture(x, y, rgba, width, height) {
      const picture = document.createElement("canvas");
      picture.className = "dialog-picture";
      picture.width = width;
      picture.height = height;
      picture.getContext("2d").putImageData(new ImageData(rgba, width, height), 0, 0);
      picture.setAttribute("role", "img");
      picture.setAttribute("aria-label", "icon");
      place(picture, x, y, width, height);
      top().client.append(picture);
    }

    function addText(x, y, width, height, text) {
      const label = document.createElement("div");
      label.className = "dialog-text";
      label.textContent = text;
      place(label, x, y, width, height);
      top().client.append(label);
    }

    function addButton(x, y, width, height, text, id, isDefault) {
      const modal = top();
      const button = document.createElement("button");
      button.type = "button";
      button.className = isDefault ? "dialog-button default" : "dialog-button";
      mnemonicText(button, text);
      button.dataset.id = String(id);
      button.addEventListener("click", () => post(Event.ModalCommand, id));
      place(button, x, y, width, height);
      if (x < 0) {
        if (!modal.buttons) {
          modal.buttons = document.createElement("div");
          modal.buttons.className = "dialog-buttons";
          modal.client.append(modal.buttons);
        }
        modal.buttons.append(button);
      } else {
        modal.client.append(button);
      }
      if (isDefault) {
        modal.defaultId = id;
        modal.defaultButton = button;
      }
    }

    function addNameBox(labelText) {
      const row = document.createElement("label");
      row.className = "dialog-field";
      const label = document.createElement("span");
      label.textContent = labelText;
      const input = document.createElement("input");
      input.type = "text";
      input.spellcheck = false;
      input.autocomplete = "off";
      row.append(label, input);
      top().client.append(row);
      top().nameBox = input;
    }

    // Choosing a filter puts its extension in place of the typed name's own, if it has one.
    function addFilterChoice(labelText, filters, selected) {
      const row = document.createElement("label");
      row.className = "dialog-field";
      const label = document.createElement("span");
      label.textContent = labelText;
      const choice = document.createElement("select");
      for (let i = 0; i + 1 < filters.length; i += 2) {
        const bracketed = `(${filters[i + 1]})`;
        const option = new Option(filters[i].endsWith(bracketed) ? filters[i] : `${filters[i]} ${bracketed}`);
        option.dataset.pattern = filters[i + 1];
        choice.append(option);
      }
      if (selected >= 0 && selected < choice.options.length) choice.selectedIndex = selected;
      const nameBox = top().nameBox;
      choice.addEventListener("change", () => {
        const extension = choice.selectedOptions[0].dataset.pattern.replace(/^\*\./, "");
        const name = nameBox ? nameBox.value : "";
        const dot = name.lastIndexOf(".");
        if (nameBox && dot > Math.max(name.lastIndexOf("/"), name.lastIndexOf("\\")) && /^[^*?;]+$/.test(extension))
          nameBox.value = name.slice(0, dot + 1) + extension;
      });
      row.append(label, choice);
      top().client.append(row);
    }

    function show() {
      const modal = top();
      modal.layer.hidden = false;
      const area = client.getBoundingClientRect();
      const frame = modal.dialog.getBoundingClientRect();
      const inner = modal.client.getBoundingClientRect();
      // A placed window's client area stands at its place from the window's
      // client area; a flowing one is centred over it.
      const left = modal.placed ? area.left + modal.placed.x - (inner.left - frame.left)
                                : area.left + (area.width - frame.width) / 2;
      const topEdge = modal.placed ? area.top + modal.placed.y - (inner.top - frame.top)
                                   : area.top + Math.max(0, (area.height - frame.height) / 3);
      modal.dialog.style.left = `${Math.round(left)}px`;
      modal.dialog.style.top = `${Math.round(topEdge)}px`;
      (modal.nameBox || modal.defaultButton || modal.dialog).focus({ preventScroll: true });
    }

    function close() {
      const modal = stack.pop();
      if (modal) modal.layer.remove();
      if (stack.length) show();
      else if (canvas) canvas.focus({ preventScroll: true });
    }

    // Enter gives the default button (a focused button gives its own),
    // Escape Cancel; Tab goes round the window's controls only; other keys
    // are the focused control's. True when the modal window took the key.
    function keyDown(event) {
      const modal = top();
      if (event.key === "Enter" && !(event.target instanceof HTMLButtonElement)) {
        post(Event.ModalCommand, modal.defaultId);
      } else if (event.key === "Escape") {
        post(Event.ModalCommand, COMMAND_CANCEL);
      } else if (event.key === "Tab") {
        const controls = [...modal.dialog.querySelectorAll("input, select, button:not(.close-box)")];
        const at = controls.indexOf(document.activeElement);
        const next = (at + (event.shiftKey ? -1 : 1) + controls.length) % controls.length;
        if (controls.length) controls[at < 0 ? 0 : next].focus();
      } else {
        return false;
      }
      return true;
    }

    return { open, addPicture, addText, addButton, addNameBox, addFilterChoice, show, close, keyDown,
             name: () => (top() && top().nameBox ? top().nameBox.value : ""), isOpen: () => stack.length > 0 };
  })();

  // --- Keys -------------------------------------------------------------------

  function keyDown(event) {
    if (Modals.isOpen()) {
      if (Modals.keyDown(event)) event.preventDefault();
      return;
    }
    if (Menus.keyDown(event)) {
      event.preventDefault();
      return;
    }
    if (document.activeElement === canvas || document.activeElement === document.body)
      post(Event.KeyDown, event.keyCode);
  }

  function keyUp(event) {
    if (!Modals.isOpen() && Menus.keyUp(event)) event.preventDefault();
  }

  // --- Start-up ---------------------------------------------------------------

  function fail(message) {
    const note = document.getElementById("failed");
    note.textContent = message;
    note.hidden = false;
  }

  async function start(createModule) {
    canvas = document.getElementById("client-image");
    // Kept in the page's memory: pictures come from the program's memory,
    // and putting them there is a copy, not an upload.
    context = canvas.getContext("2d", { willReadFrequently: true });
    client = document.getElementById("client");
    menuBar = document.getElementById("menu-bar");
    shownText = document.getElementById("shown-text");
    try {
      await Promise.all(faces.map(loadFace));
    } catch (error) {
      fail(`The page could not load its fonts (${error.message}). Serve its folder over HTTP and open it from there.`);
      return;
    }
    listenToClient();
    document.addEventListener("keydown", keyDown, true);
    document.addEventListener("keyup", keyUp, true);
    document.addEventListener("pointerdown", (event) => Menus.pointerOutside(event), true);
    canvas.focus({ preventScroll: true });
    try {
      await createModule({ onAbort: (what) => fail(`The program stopped: ${what}`) });
    } catch (error) {
      fail(`The program could not start: ${error.message || error}`);
    }
  }

  return {
    start, nextEvent,
    takeEvent: () => queue.shift() || null,
    clientSize,
    present,
    setTitle: (title) => { document.title = title; },
    setShownText, windowClosed, download,
    menuOpenPopup: (text) => Menus.openPopupFor(text),
    menuAddItem: (text, command) => Menus.addItem(text, command),
    menuAddSeparator: () => Menus.addSeparator(),
    menuClosePopup: () => Menus.closePopup(),
    modalOpen: Modals.open, modalAddPicture: Modals.addPicture, modalAddText: Modals.addText,
    modalAddButton: Modals.addButton, modalAddNameBox: Modals.addNameBox,
    modalAddFilterChoice: Modals.addFilterChoice, modalShow: Modals.show, modalName: Modals.name,
    modalClose: Modals.close,
    faceTables: (face) => faceTables[face],
    renderGlyphs,
  };
})();

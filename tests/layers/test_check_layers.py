"""The layer check on small trees of its own: what it lets through and what it refuses."""
import os
import sys

import pytest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_layers  # noqa: E402


def make_tree(root, files):
    for path, text in files.items():
        full = root / path
        full.parent.mkdir(parents=True, exist_ok=True)
        full.write_text(text)


BASE = {
    "platform/window.h": "#pragma once\n",
    "window/app/main_window.h": '#include "platform/window.h"\n',
    "window/app/app_state.h": "#pragma once\n",
    "window/display/panels.h": '#include "platform/window.h"\n',
}


@pytest.mark.parametrize("extra, expected", [
    # Downward, by every way of naming the file: clean.
    ({"programs/qt/main.cpp": '#include "app/main_window.h"\n#include <vector>\n'}, []),
    ({"window/app/commands.cpp": '#include "display/panels.h"\n#include "main_window.h"\n'}, []),
    ({"tests/window/app/any_test.cpp": '#include "app/main_window.h"\n'}, []),
    # A painter reaching the window's state: it is handed a view instead.
    ({"window/display/panels.cpp": '#include "app/app_state.h"\n'},
     ["window/display/panels.cpp:1: window/display includes window/app/app_state.h"]),
    # Upward: the platform reaching the window, the window reaching a program or a test.
    ({"platform/qt/window.cpp": '#include <app/main_window.h>\n'},
     ["platform/qt/window.cpp:1: platform/qt includes window/app/main_window.h"]),
    ({"window/app/main_window.cpp": '\n#include "../../programs/qt/entry.h"\n', "programs/qt/entry.h": ""},
     ["window/app/main_window.cpp:2: window/app includes programs/qt/entry.h"]),
    ({"platform/memory.cpp": '#include "tests/support/fake.h"\n', "tests/support/fake.h": ""},
     ["platform/memory.cpp:1: platform includes tests/support/fake.h"]),
    # Sideways: one backend reaching another.
    ({"platform/win32/window.cpp": '#include "platform/qt/fonts.h"\n', "platform/qt/fonts.h": ""},
     ["platform/win32/window.cpp:1: platform/win32 includes platform/qt/fonts.h"]),
    # A folder of sources no layer places.
    ({"gadgets/gadget.cpp": ""}, ["gadgets/gadget.cpp: its folder is in no layer"]),
])
def test_includes_held_to_the_layers(tmp_path, extra, expected):
    make_tree(tmp_path, {**BASE, **extra})
    found = check_layers.violations(str(tmp_path))
    assert len(found) == len(expected), found
    for message, start in zip(found, expected):
        assert message.startswith(start)


def test_build_trees_are_not_read(tmp_path):
    make_tree(tmp_path, {**BASE, "build/CMakeCache.txt": "", "build/gen/upward.cpp": '#include "app/main_window.h"\n'})
    assert check_layers.violations(str(tmp_path)) == []


def test_a_loop_among_the_layers_is_refused(monkeypatch, tmp_path):
    make_tree(tmp_path, BASE)
    layers = dict(check_layers.LAYERS, platform=["window/app"])
    monkeypatch.setattr(check_layers, "LAYERS", layers)
    found = check_layers.violations(str(tmp_path))
    assert any(message.startswith("layers loop: ") and "platform" in message for message in found), found


def test_the_exit_status_tells(tmp_path, capsys):
    make_tree(tmp_path, {**BASE, "platform/posix/file_io.cpp": '#include "app/main_window.h"\n'})
    assert check_layers.main(["check_layers.py", str(tmp_path)]) == 1
    assert "platform/posix includes window/app/main_window.h" in capsys.readouterr().err
    (tmp_path / "platform/posix/file_io.cpp").write_text('#include "platform/window.h"\n')
    assert check_layers.main(["check_layers.py", str(tmp_path)]) == 0

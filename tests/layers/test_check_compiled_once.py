"""The compile-once check on small compile databases: what it lets through and what it refuses."""
import json
import os
import subprocess
import sys

import pytest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_compiled_once  # noqa: E402


def entry(source, target, *flags):
    return {"directory": "/b", "file": f"/s/{source}",
            "command": " ".join(["c++", *flags, "-o", f"{target}/CMakeFiles/{target}.dir/x.o", "-c", f"/s/{source}"])}


@pytest.mark.parametrize("entries, expected", [
    # Each file once, or once more as a test seam: clean.
    ([entry("a.cpp", "one"), entry("b.cpp", "two")], []),
    ([entry("a.cpp", "lib"), entry("a.cpp", "seam", "-DKV_TEST_HOOKS")], []),
    # The same file built by two targets, plainly or as two seams.
    ([entry("a.cpp", "lib"), entry("a.cpp", "tests", "-DNDEBUG")], ["/s/a.cpp: compiled for lib, tests"]),
    ([entry("a.cpp", "s1", "-DKV_TEST_HOOKS"), entry("a.cpp", "s2", "-DKV_TEST_HOOKS")],
     ["/s/a.cpp: compiled for s1, s2"]),
    # A resource compiler names its object with no -o.
    ([{"directory": "/b", "file": "/s/a.rc", "command": "windres -O coff /s/a.rc res/CMakeFiles/res.dir/a.rc.res"},
      {"directory": "/b", "file": "/s/a.rc", "command": "windres -O coff /s/a.rc app/CMakeFiles/app.dir/a.rc.res"}],
     ["/s/a.rc: compiled for app, res"]),
    # A define that merely names the hooks is no seam.
    ([entry("a.cpp", "lib"), entry("a.cpp", "other", "-DKV_TEST_HOOKS_OFF")], ["/s/a.cpp: compiled for lib, other"]),
])
def test_finds_files_compiled_twice(entries, expected):
    assert check_compiled_once.twice(entries) == expected


def test_exit_status_and_message(tmp_path):
    (tmp_path / "compile_commands.json").write_text(json.dumps([entry("a.cpp", "x"), entry("a.cpp", "y")]))
    run = subprocess.run([sys.executable, check_compiled_once.__file__, str(tmp_path)], capture_output=True, text=True)
    assert run.returncode == 1
    assert "/s/a.cpp: compiled for x, y" in run.stderr

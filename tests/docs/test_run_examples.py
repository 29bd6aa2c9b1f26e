"""The example runner finds every block, and tells a page that says what
its commands print from one that does not."""
import os
import sys

import pytest

sys.path.insert(0, os.path.dirname(__file__))
import run_examples  # noqa: E402

PAGE = """# A page

```console
$ echo one; echo two >&2
one
two
$ printf 'a \\
b\\n'
a b
```

Text, then a block that is shown only:

```sh
rm -rf /
```

- in a list:

  ```pycon
  >>> 1 + 1
  2
  ```

```{literalinclude} nearest.c
:language: c
```

```console
$ true
```
"""


def test_blocks_and_commands_are_found():
    found = run_examples.blocks(PAGE)
    assert [(language, line) for language, line, _ in found] == [
        ("console", 4), ("sh", 15), ("pycon", 21), ("literalinclude", 26), ("console", 30)]
    assert found[2][2] == [">>> 1 + 1", "2"]
    commands = run_examples.session(found[0][2], found[0][1])
    assert [(line, command) for line, command, _ in commands] == [
        (4, "echo one; echo two >&2"), (7, "printf 'a \nb\\n'")]


@pytest.mark.parametrize("block, failures", [
    (["$ echo 'centre 5'", "centre 5"], 0),
    (["$ echo 'centre 5'", "centre 6"], 1),
    (["$ echo 'took 0.25 s'", "took ... s"], 0),
    (["$ false"], 1),
    (["$ true"], 0),
    (["$ echo said"], 1),
    (["$ echo 'a'; echo 'b'", "a"], 1),
    (["$ cat made.txt", "made"], 0),
])
def test_console_output_is_compared(tmp_path, block, failures):
    (tmp_path / "made.txt").write_text("made\n")
    said = run_examples.run_console("page.md", block, 1, str(tmp_path), dict(os.environ))
    assert len(said) == failures


def test_a_block_without_a_command_is_refused():
    with pytest.raises(ValueError, match="line 3"):
        run_examples.session(["output"], 3)


@pytest.mark.parametrize("examples, failed", [
    ([[">>> x = 2"], [">>> x * 3", "6"]], False),
    ([[">>> [1, 2,", "...  3]", "[1, 2, 3]"]], False),
    ([[">>> 2 * 3", "7"]], True),
])
def test_pycon_blocks_are_one_doctest(tmp_path, examples, failed):
    assert bool(run_examples.run_pycon("page.md", examples, str(tmp_path))) == failed


def test_links_that_lead_nowhere_are_found(tmp_path):
    (tmp_path / "docs").mkdir()
    (tmp_path / "docs" / "index.md").write_text("")
    page = str(tmp_path / "README.md")
    text = "[a](docs/index.md) [b](docs/index.md#part) [c](https://example.org) [d](#top) [e](docs/gone.md)"
    assert run_examples.broken_links(page, text) == [f"{page}: the link to docs/gone.md leads nowhere"]

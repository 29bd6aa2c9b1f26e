#!/usr/bin/env python3
"""kvs's options, held to the one table of them (docs/reference/options.md).

For each command the table lists, the options that `kvs COMMAND --help`
lists are the table's, long and short names alike; where the help shows an
option's default, it is the table's, and it names each word the option
takes. The manual page names every option of
the table in its command's section (and no other), with each word an
option takes; its synopsis names kvs's own. Each shell completion script names every option and word.

Usage: check_options.py --kvs KVS --man KVS_1_IN --completions DIR OPTIONS_MD
"""
import argparse
import re
import subprocess
import sys

SECTION = re.compile(r"^## `kvs ?(\w*)`\s*$")
NAME = re.compile(r"`(--?[\w-]+)`")
HELP_NAMES = re.compile(r"^\s{1,8}((?:-\w|--[\w-]+)(?:,\s*(?:-\w|--[\w-]+))*)(.*)$")
MAN_SECTION = re.compile(r'^\.S[SH] "?(?:kvs )?(\w+)')


class Option:
    def __init__(self, names, value, default):
        self.names = names
        self.long = next(name for name in names if name.startswith("--"))
        self.choices = value.split("|") if "|" in value else []
        self.default = default


def cell_text(cell):
    return cell.strip().strip("`").replace("\\|", "|")


def read_table(path):
    """{command: [Option]}: "" is kvs itself."""
    table, command = {}, None
    with open(path, encoding="utf-8") as file:
        for line in file:
            heading = SECTION.match(line)
            if heading:
                command = heading.group(1)
                table[command] = []
                continue
            if command is None or not line.startswith("| `-"):
                continue
            cells = re.split(r"(?<!\\)\|", line.strip())[1:-1]
            default = cells[2].strip()
            table[command].append(Option(NAME.findall(cells[0]), cell_text(cells[1]),
                                         cell_text(default) if default.startswith("`") else None))
    return table


def help_lines(kvs, command):
    """{option name: its help line} as `kvs [COMMAND] --help` prints them."""
    said = subprocess.run([kvs] + ([command] if command else []) + ["--help"], check=True,
                          stdout=subprocess.PIPE, text=True).stdout
    lines, names = {}, []
    for line in said.split("\n"):
        match = HELP_NAMES.match(line)
        if match:
            names = re.split(r",\s*", match.group(1))
            lines.update({name: line for name in names})
        elif names and line.startswith(" " * 20):  # the description, on a line of its own
            lines.update({name: lines[name] + " " + line.strip() for name in names})
        else:
            names = []
    return lines


def shown_default(line):
    """The default a help line shows, if it shows one: CLI11's "TYPE=value"
    after the names, or the text's own "[default: value]" or "(default
    value...)"."""
    match = re.search(r"^\s*\S+ \S+=(\S+)|\[default:?\s*([^\]]+)\]|\(default:?\s*([^):]+)", line)
    return next(group for group in match.groups() if group).strip() if match else None


def man_sections(path):
    """{command: text} of the manual page's sections, escapes undone; the
    synopsis stands for kvs itself."""
    sections, name = {}, None
    with open(path, encoding="utf-8") as file:
        for line in file:
            heading = MAN_SECTION.match(line)
            if heading:
                name = {"SYNOPSIS": ""}.get(heading.group(1), heading.group(1))
                sections.setdefault(name, "")
                continue
            if name is not None:
                text = re.sub(r"\\f[BIRP]", "", line.replace("\\-", "-"))
                sections[name] += text
    return sections


def mentions(text, word):
    return re.search(r"(^|[^\w-])" + re.escape(word) + r"([^\w-]|$)", text) is not None


def check(table, kvs, man, completions):
    faults = []
    sections = man_sections(man)
    scripts = {name: open(f"{completions}/{name}", encoding="utf-8").read() for name in ("kvs.bash", "_kvs", "kvs.fish")}
    for command, options in table.items():
        where = f"kvs {command}".strip()
        listed = {name for option in options for name in option.names}
        helped = help_lines(kvs, command)
        for name in sorted(set(helped) ^ listed):
            faults.append(f"{where}: {name} is {'in --help but not in the table' if name in helped else 'in the table but not in --help'}")
        section = sections.get(command, "")
        in_man = set(re.findall(r"(?<![\w-])(--[a-z][\w-]*)", section))
        for option in options:
            line = helped.get(option.long, "")
            for word in option.choices:
                if line and not mentions(line, word):
                    faults.append(f"{where} {option.long}: --help does not name '{word}'")
            shown = shown_default(line)
            if shown is not None and option.default is not None and option.default not in shown:
                faults.append(f"{where} {option.long}: --help shows the default '{shown}', the table '{option.default}'")
            if option.long not in ("--help", "--version") or not command:
                for word in [option.long] + option.choices:
                    if not mentions(section, word):
                        faults.append(f"{where} {option.long}: the manual page's section lacks '{word}'")
            for script, text in scripts.items():
                for word in ([option.long] if command else []) + option.choices:
                    if not mentions(text, word.lstrip("-") if script == "kvs.fish" and word.startswith("--") else word):
                        faults.append(f"{where} {option.long}: {script} lacks '{word}'")
        for name in sorted(in_man - {option.long for option in options} if command else ()):
            faults.append(f"{where}: the manual page names {name}, which the table does not")
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--kvs", required=True)
    parser.add_argument("--man", required=True)
    parser.add_argument("--completions", required=True)
    parser.add_argument("table")
    args = parser.parse_args()
    table = read_table(args.table)
    if set(table) != {"", "search", "demo", "study"}:
        print(f"check_options: the table lists the commands {sorted(table)}", file=sys.stderr)
        return 1
    faults = check(table, args.kvs, args.man, args.completions)
    for fault in faults:
        print("check_options:", fault, file=sys.stderr)
    count = sum(len(options) for options in table.values())
    print(f"check_options: {count} options of {len(table)} commands, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Keeps the documents true: runs their runnable command blocks and checks
their relative links and heading anchors.

Usage: python3 tools/doc-test.py [--links-only] FILE.md|DIR ...

A runnable block is a fenced block right after the marker line

    <!-- doc-test: run [columns=N] [exit=N] -->

Each line of the block that starts with "$ " is a command, run by bash from
the repository's folder with its stderr joined to its stdout. The lines after
a command, up to the next command, are its output as the document shows it:
the command's output must match them line for line (trailing blanks do not
count). A line "..." stands for any number of lines; a line that ends in
" (glob)" matches with "*" standing for any text. The exit status must be 0,
or the block's exit=N, or N where the command's shown output ends in a line
"[N]". A command shown without output has only its exit status checked.
columns=N runs the block with COLUMNS=N.

Exit status: 0 when everything holds, 1 when a block or a link fails,
2 for a bad command line.
"""
import difflib
import fnmatch
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MARKER = re.compile(r"^<!--\s*doc-test:\s*run\b(.*?)-->\s*$")
FENCE = re.compile(r"^(```|~~~)")
LINK = re.compile(r"(?<!!)\[[^\]]*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")
HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$")


def slug(text):
    """The anchor a heading gets: lower case, punctuation dropped, blanks to dashes."""
    text = re.sub(r"`|\*\*|__", "", text)
    text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", text)
    text = text.strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def read_lines(path):
    with open(path, encoding="utf-8") as f:
        return f.read().split("\n")


def prose_lines(lines):
    """(number, line) of every line outside fenced blocks."""
    inside = False
    for n, line in enumerate(lines, 1):
        if FENCE.match(line):
            inside = not inside
            continue
        if not inside:
            yield n, line


def anchors(path, cache={}):
    if path not in cache:
        seen = {}
        found = set()
        for _, line in prose_lines(read_lines(path)):
            m = HEADING.match(line)
            if not m:
                continue
            base = slug(m.group(2))
            k = seen.get(base, 0)
            seen[base] = k + 1
            found.add(base if k == 0 else f"{base}-{k}")
        cache[path] = found
    return cache[path]


def paragraphs(lines):
    """(number of each line, joined text) of every run of prose lines: a link's
    text may wrap onto the next line, so links are looked for in the run."""
    numbers, texts = [], []
    for n, line in list(prose_lines(lines)) + [(0, "")]:
        if line.strip() and (not numbers or numbers[-1] == n - 1):
            numbers.append(n)
            texts.append(re.sub(r"`[^`]*`", "", line))
            continue
        if numbers:
            yield numbers, texts
        numbers, texts = ([n], [re.sub(r"`[^`]*`", "", line)]) if line.strip() else ([], [])


def check_links(path, lines):
    faults = []
    count = 0
    for numbers, texts in paragraphs(lines):
        text = "\n".join(texts)
        for m in LINK.finditer(text):
            target = m.group(1)
            if re.match(r"^[a-z]+:", target):
                continue
            count += 1
            n = numbers[text.count("\n", 0, m.start(1))]
            file_part, _, anchor = target.partition("#")
            dest = os.path.normpath(os.path.join(os.path.dirname(path), file_part)) if file_part else path
            if not os.path.exists(dest):
                faults.append(f"{rel(path)}:{n}: link to {target}: {rel(dest)} does not exist")
            elif anchor and dest.endswith(".md") and anchor not in anchors(dest):
                faults.append(f"{rel(path)}:{n}: link to {target}: no heading with the anchor #{anchor}")
    return count, faults


def blocks(lines):
    """(line number, options, body lines) of every runnable block."""
    i = 0
    while i < len(lines):
        m = MARKER.match(lines[i])
        if m and i + 1 < len(lines) and FENCE.match(lines[i + 1]):
            opts = dict(kv.split("=", 1) for kv in m.group(1).split() if "=" in kv)
            j = i + 2
            while j < len(lines) and not FENCE.match(lines[j]):
                j += 1
            yield i + 2, opts, lines[i + 2 : j]
            i = j
        i += 1


def matches(expected, actual):
    if not expected:
        return True
    head = expected[0]
    if head == "...":
        return any(matches(expected[1:], actual[k:]) for k in range(len(actual) + 1))
    if not actual:
        return False
    return line_matches(head, actual[0]) and matches(expected[1:], actual[1:])


def line_matches(head, line):
    if head.endswith(" (glob)"):
        return fnmatch.fnmatchcase(line, head[: -len(" (glob)")].replace("[", "[[]"))
    return head == line


def difference(shown, out):
    """A diff of the shown lines against the output; with "..." in the shown
    lines, the shown lines the output lacks, in order."""
    if "..." not in shown:
        return difflib.unified_diff(shown, out, "the document", "the command", lineterm="", n=1)
    missing, k = [], 0
    for line in (l for l in shown if l != "..."):
        found = next((j for j in range(k, len(out)) if line_matches(line, out[j])), None)
        if found is None:
            missing.append("- " + line)
        else:
            k = found + 1
    return ["the command did not print these lines of the document:"] + missing + \
           [f"(it printed {len(out)} lines)"]


def run_block(path, start, opts, body):
    env = dict(os.environ)
    env.pop("COLUMNS", None)
    if "columns" in opts:
        env["COLUMNS"] = opts["columns"]
    want_exit = int(opts.get("exit", "0"))
    commands = []
    for k, line in enumerate(body):
        if line.startswith("$ "):
            commands.append([start + k + 1, line[2:], []])
        elif commands:
            commands[-1][2].append(line.rstrip())
    faults = []
    for n, command, shown in commands:
        while shown and not shown[-1]:
            shown.pop()
        status = want_exit
        if shown and re.fullmatch(r"\[\d+\]", shown[-1]):
            status = int(shown.pop()[1:-1])
        p = subprocess.run(["bash", "-c", command], cwd=ROOT, env=env, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        out = [l.rstrip() for l in p.stdout.decode("utf-8", "replace").replace("\r\n", "\n").split("\n")]
        while out and not out[-1]:
            out.pop()
        if p.returncode != status:
            faults.append(f"{rel(path)}:{n}: $ {command}\n  exit status {p.returncode}, the document expects {status}")
        if shown and not matches(shown, out):
            faults.append(f"{rel(path)}:{n}: $ {command}\n  its output differs from the document:\n"
                          + "\n".join("  " + l for l in difference(shown, out)))
    return len(commands), faults


def rel(path):
    return os.path.relpath(path, ROOT)


def markdown_files(args):
    for arg in args:
        if os.path.isdir(arg):
            for name in sorted(os.listdir(arg)):
                if name.endswith(".md"):
                    yield os.path.abspath(os.path.join(arg, name))
        elif os.path.isfile(arg):
            yield os.path.abspath(arg)
        else:
            print(f"doc-test: {arg}: no such file or folder", file=sys.stderr)
            sys.exit(2)


def main(argv):
    links_only = "--links-only" in argv
    args = [a for a in argv if a != "--links-only"]
    if not args:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    faults, nlinks, nblocks, ncommands = [], 0, 0, 0
    for path in markdown_files(args):
        lines = read_lines(path)
        count, found = check_links(path, lines)
        nlinks += count
        faults += found
        if links_only:
            continue
        for start, opts, body in blocks(lines):
            nblocks += 1
            count, found = run_block(path, start, opts, body)
            ncommands += count
            faults += found
    for fault in faults:
        print(fault)
    print(f"doc-test: {nblocks} blocks, {ncommands} commands, {nlinks} links: "
          + ("all hold" if not faults else f"{len(faults)} faults"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

#!/usr/bin/env python3
"""One-place mutations of the product code, run against one or more test suites.

  bench/mutants.py list  [--seed S] [--count N]            the sample, one mutant a line
  bench/mutants.py run   --tree DIR:BUILD [--tree ...] [--seed S] [--count N] [--first K]
                         [--timeout T] [--log FILE]

A mutant changes one place of a .cpp file under player/, lib/, cli/ or app/ (not the SDL, Win32
or web shells): an operator (+ -, < <=, == !=, && ||, ...), an integer constant (n to n+1, 0 to 1),
a condition (if (c) to if (!(c))) or a statement deleted. The sample is drawn with a fixed seed,
so the same arguments give the same mutants on any checkout whose product files are the same.

Each TREE is a source tree with a configured release build directory. For each mutant the file
is changed in every tree, each build rebuilds what the change touches (the object and the links), and each tree's ctest runs with --stop-on-failure under a time cap; then the file is put
back. A mutant that does not compile is left out of the rates. Results go to the log as JSON
lines, so an interrupted run resumes where it stopped.

To compare two suites on the same sample, draw it from one unchanged product tree (--sample-from,
a checkout of the commit the old suite belongs to): a product file added or changed since then
changes the places and so the sample. `compare OLD.jsonl NEW.jsonl` gives both kill rates and
every mutant the old suite killed and the new one let through.
"""
import argparse
import json
import os
import random
import re
import signal
import subprocess
import sys
import time

ROOTS = ["player", "lib", "cli", "app"]
SKIP = re.compile(r"^app/(sdl|win32|web)/|simd128")

OPERATORS = [
    ("==", "!="), ("!=", "=="), ("<=", "<"), (">=", ">"), ("&&", "||"), ("||", "&&"),
    ("<", "<="), (">", ">="), ("+", "-"), ("-", "+"), ("*", "/"), ("/", "*"), ("%", "*"),
    ("+=", "-="), ("-=", "+="), ("<<", ">>"), (">>", "<<"), ("&", "|"), ("|", "&"),
]
OP_RE = re.compile(r"==|!=|<=|>=|&&|\|\||<<|>>|\+=|-=|[-+*/%<>&|]")
INT_RE = re.compile(r"(?<![\w.])(\d+)(?![\w.'])")
IF_RE = re.compile(r"\b(if|while) \((.*)\)( \{|$)")
STATEMENT_RE = re.compile(r"^\s+[\w:.\->\[\]()*]+(\s*[-+*/|&]?=\s*.+|\(.*\)|\+\+|--);$")


def product_files(root):
    files = []
    for top in ROOTS:
        for base, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                path = os.path.relpath(os.path.join(base, name), root)
                if name.endswith(".cpp") and not SKIP.search(path):
                    files.append(path)
    return sorted(files)


def code_part(line):
    """The line without strings, characters and comments (blanked), or None for lines to skip."""
    stripped = line.strip()
    if not stripped or stripped.startswith(("#", "//", "/*", "*", "static_assert", "namespace")):
        return None
    out, i, quote = [], 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("  ")
                i += 2
                continue
            if c == quote:
                quote = None
            out.append(" ")
        elif c in "\"'":
            quote = c
            out.append(" ")
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)


def sites(root, path):
    found = []
    with open(os.path.join(root, path)) as f:
        lines = f.read().split("\n")
    for n, line in enumerate(lines):
        code = code_part(line)
        if code is None or "template" in code or "#include" in code:
            continue
        for m in OP_RE.finditer(code):
            op = m.group(0)
            before, after = code[m.start() - 1:m.start()], code[m.end():m.end() + 1]
            # Binary operators stand between spaces in clang-format's layout; this skips
            # pointers, references, unary signs, templates and ->.
            if before != " " or after != " ":
                continue
            for a, b in OPERATORS:
                if a == op:
                    found.append((path, n, m.start(), a, b, "operator"))
        for m in INT_RE.finditer(code):
            value = int(m.group(1))
            found.append((path, n, m.start(), m.group(1), str(value + 1) if value else "1",
                          "constant"))
        m = IF_RE.search(code)
        if m and code.count("(") == code.count(")"):
            start = m.start(2)
            found.append((path, n, start, m.group(2), "!(" + m.group(2) + ")", "condition"))
        if STATEMENT_RE.match(code) and not re.match(r"^\s+(return|const|auto|using|case)\b", code):
            text = line.strip()
            found.append((path, n, line.index(text), text, ";", "statement"))
    return found


def sample(root, seed, count):
    everything = []
    for path in product_files(root):
        everything.extend(sites(root, path))
    rng = random.Random(seed)
    rng.shuffle(everything)
    chosen = everything[:count]
    return [dict(id=i, file=p, line=n + 1, col=c, old=a, new=b, kind=k)
            for i, (p, n, c, a, b, k) in enumerate(chosen)], len(everything)


def apply(root, mutant):
    path = os.path.join(root, mutant["file"])
    with open(path) as f:
        original = f.read()
    lines = original.split("\n")
    line = lines[mutant["line"] - 1]
    col, old = mutant["col"], mutant["old"]
    if line[col:col + len(old)] != old:
        raise RuntimeError(f"{mutant['file']}:{mutant['line']}: text differs in {root}")
    lines[mutant["line"] - 1] = line[:col] + mutant["new"] + line[col + len(old):]
    with open(path, "w") as f:
        f.write("\n".join(lines))
    return path, original


def run(cmd, timeout):
    try:
        return subprocess.run(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout, start_new_session=True).returncode
    except subprocess.TimeoutExpired:
        return "timeout"


# What the suite runs: the test programs, the tool and the programs of the resource and fuzz checks.
SUITE_TARGETS = ["player_tests", "thread_tests", "alloc_tests", "jingle", "player_soak",
                 "fuzz_loader_replay", "fuzz_module_file_replay", "fuzz_render_replay",
                 "resource_check", "compose_module", "draw_art"]


def build(build_dir, timeout):
    targets = []
    for target in SUITE_TARGETS:
        targets += ["--target", target]
    return run(["cmake", "--build", build_dir, "-j2"] + targets, timeout)


def suite(build_dir, timeout):
    return run(["ctest", "--test-dir", build_dir, "--stop-on-failure", "-j2", "--timeout",
                str(timeout), "-E", "NoFusedMultiplyAdd"], timeout * 3)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["list", "run", "compare"])
    parser.add_argument("logs", nargs="*", help="for compare: the logs, the old suite's first")
    parser.add_argument("--seed", type=int, default=22)
    parser.add_argument("--count", type=int, default=800)
    parser.add_argument("--first", type=int, default=None, help="run only the first K mutants")
    parser.add_argument("--tree", action="append", default=[], help="SOURCE_DIR:BUILD_DIR")
    parser.add_argument("--timeout", type=int, default=120, help="seconds a test may take")
    parser.add_argument("--log", default="mutants.jsonl")
    parser.add_argument("--sample-from", default=None,
                        help="draw the sample from this tree (default: the first --tree)")
    args = parser.parse_args()

    if args.action == "compare":
        compare(args.logs)
        return
    trees = [t.split(":", 1) for t in args.tree] or [[".", "build/release"]]
    mutants, total = sample(args.sample_from or trees[0][0], args.seed, args.count)
    if args.action == "list":
        print(f"# {len(mutants)} of {total} places, seed {args.seed}")
        for m in mutants:
            print(f"{m['id']}\t{m['file']}:{m['line']}\t{m['kind']}\t{m['old']!r} -> {m['new']!r}")
        return
    # A stop between or during mutants puts the file back first.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    signal.signal(signal.SIGINT, signal.default_int_handler)
    done = set()
    if os.path.exists(args.log):
        with open(args.log) as f:
            done = {json.loads(line)["id"] for line in f if line.strip()}
    for m in mutants[:args.first]:
        if m["id"] in done:
            continue
        started = time.time()
        restore = []
        try:
            for source, _ in trees:
                restore.append(apply(source, m))
            results = {}
            for source, build_dir in trees:
                code = build(build_dir, 600)
                if code != 0:
                    results[source] = "uncompiled"
                else:
                    code = suite(build_dir, args.timeout)
                    results[source] = "survived" if code == 0 else "killed"
        finally:
            for path, original in restore:
                with open(path, "w") as f:
                    f.write(original)
        m.update(results=results, seconds=round(time.time() - started, 1))
        with open(args.log, "a") as f:
            f.write(json.dumps(m) + "\n")
        print(m["id"], m["file"], m["line"], m["kind"], results, m["seconds"], flush=True)
    # Put the objects back as the sources are.
    for _, build_dir in trees:
        build(build_dir, 1800)
    report(args.log, trees)


def compare(logs):
    """Kill rates of several runs of the same sample, and what the later ones miss."""
    runs = []
    for log in logs:
        with open(log) as f:
            rows = {}
            for line in f:
                if line.strip():
                    r = json.loads(line)
                    rows[r["id"]] = next(iter(r["results"].values()))
            runs.append(rows)
    common = set.intersection(*(set(r) for r in runs))
    compiled = [i for i in sorted(common) if all(r[i] != "uncompiled" for r in runs)]
    for log, rows in zip(logs, runs):
        killed = sum(rows[i] == "killed" for i in compiled)
        print(f"{log}: {killed} of {len(compiled)} compiled mutants killed"
              f" ({100.0 * killed / max(1, len(compiled)):.1f} %)")
    print(f"{len(common) - len(compiled)} of the {len(common)} mutants run on every suite did not compile")
    described = []
    for log in logs:
        with open(log) as f:
            described.append({json.loads(line)["id"]: json.loads(line) for line in f if line.strip()})
    for i in sorted(common):
        places = {(d[i]["file"], d[i]["line"], d[i]["col"], d[i]["new"]) for d in described}
        if len(places) > 1:
            print(f"mutant #{i} differs between the logs: not the same sample")
    described = described[0]
    for log, rows in zip(logs[1:], runs[1:]):
        for i in compiled:
            if runs[0][i] == "killed" and rows[i] == "survived":
                m = described[i]
                print(f"missed by {log}: #{i} {m['file']}:{m['line']} {m['kind']}"
                      f" {m['old']!r} -> {m['new']!r}")


def report(log, trees):
    with open(log) as f:
        rows = [json.loads(line) for line in f if line.strip()]
    for source, _ in trees:
        compiled = [r for r in rows if r["results"].get(source) not in (None, "uncompiled")]
        killed = [r for r in compiled if r["results"][source] == "killed"]
        rate = 100.0 * len(killed) / len(compiled) if compiled else 0.0
        print(f"{source}: {len(killed)} of {len(compiled)} compiled mutants killed ({rate:.1f} %),"
              f" {len(rows) - len(compiled)} did not compile")
    if len(trees) > 1:
        first, *others = [s for s, _ in trees]
        for other in others:
            for r in rows:
                if r["results"].get(first) == "killed" and r["results"].get(other) == "survived":
                    print(f"caught by {first} only: #{r['id']} {r['file']}:{r['line']} {r['kind']}"
                          f" {r['old']!r} -> {r['new']!r}")


if __name__ == "__main__":
    sys.exit(main())

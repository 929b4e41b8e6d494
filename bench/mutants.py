#!/usr/bin/env python3
"""One-place mutations of the product code, run against one or more test suites.

  bench/mutants.py list  [--seed S] [--count N]            the sample, one mutant a line
  bench/mutants.py run   --tree DIR:BUILD[:COVER] [--tree ...] [--seed S] [--count N]
                         [--first K] [--timeout T] [--log FILE]
  bench/mutants.py cover --tree DIR:COVERAGE_BUILD --log COVER     which lines each test runs

A mutant changes one place of a .cpp file under player/, lib/, cli/ or app/ (not the SDL, Win32
or web shells): an operator (+ -, < <=, == !=, && ||, ...), an integer constant (n to n+1, 0 to 1),
a condition (if (c) to if (!(c))) or a statement deleted. The sample is drawn with a fixed seed,
so the same arguments give the same mutants on any checkout whose product files are the same.

Each TREE is a source tree with a configured release build directory. For each mutant the file
is changed in every tree, each build rebuilds what the change touches (the object and the links),
and each tree's ctest runs with --stop-on-failure under a time cap, the quickest tests first; then
the file is put back. A mutant that does not compile is left out of the rates. Results go to the log as JSON
lines, so an interrupted run resumes where it stopped.

With a COVER log (written by `cover` from a build of the same tree configured with --coverage,
test by test) a mutant runs only the tests that run its line; where none does, it survives
without running any. A line that holds no code of its own by gcov's account runs them all.

A suite can be run only on the mutants another suite's log has seen survive (--survivors-of):
that is all it takes to find what the other misses. Those runs say nothing of a kill rate, and
`compare` leaves them out of the rates.

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
    col, old, new = mutant["col"], mutant["old"], mutant["new"]
    if line[col:col + len(old)] != old:
        # A condition is found with its strings blanked: negate the condition as written.
        if mutant["kind"] != "condition" or (code_part(line) or "")[col:col + len(old)] != old:
            raise RuntimeError(f"{mutant['file']}:{mutant['line']}: text differs in {root}")
        new = "!(" + line[col:col + len(old)] + ")"
    lines[mutant["line"] - 1] = line[:col] + new + line[col + len(old):]
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


def build(build_dir, timeout, only=None):
    targets = []
    for target in only or SUITE_TARGETS:
        targets += ["--target", target]
    return run(["cmake", "--build", build_dir, "-j2"] + targets, timeout)


def compiling_targets(build_dir):
    """{source file: the targets that compile it}, read from the objects' places in the build."""
    found = {}
    for base, _, names in os.walk(build_dir):
        parts = os.path.relpath(base, build_dir).split("/")
        if "CMakeFiles" not in parts or not parts[parts.index("CMakeFiles") + 1:]:
            continue
        at = parts.index("CMakeFiles")
        target_dir = parts[at + 1]
        if not target_dir.endswith(".dir"):
            continue
        for name in names:
            if name.endswith(".cpp.o"):
                source = os.path.normpath(os.path.join(*parts[:at], *parts[at + 2:], name[:-2]))
                found.setdefault(source, set()).add(target_dir[:-4])
    return found


def suite(build_dir, timeout, numbers=None):
    """The suite's tests, or only those numbered, the quickest first; stops at the first failure."""
    chosen = ["-I", "0,0,0," + ",".join(map(str, numbers))] if numbers else []
    quickest_first(build_dir)
    return run(["ctest", "--test-dir", build_dir, "--stop-on-failure", "-j2", "--timeout",
                str(timeout), "-E", "NoFusedMultiplyAdd"] + chosen, timeout * 3)


QUICKEST = {}


def quickest_first(build_dir):
    """ctest starts the costliest tests first: turn its measured costs over, so that a mutant
    killed by a quick test is not kept waiting for a long one that happened to start first."""
    path = os.path.join(build_dir, "Testing", "Temporary", "CTestCostData.txt")
    if not os.path.exists(path):
        return
    if build_dir not in QUICKEST:
        rows = []
        with open(path) as f:
            for line in f:
                if line.strip() == "---":
                    break
                name, runs, cost = line.rstrip("\n").rsplit(" ", 2)
                rows.append((name, runs, float(cost)))
        QUICKEST[build_dir] = "".join(f"{name} {runs} {1.0 / (cost + 0.01):.6f}\n"
                                      for name, runs, cost in rows) + "---\n"
    with open(path, "w") as f:
        f.write(QUICKEST[build_dir])


def test_names(build_dir):
    """The suite's tests in ctest's numbering (the first is number 1), the tests each depends on
    and the program each runs."""
    out = subprocess.run(["ctest", "--test-dir", build_dir, "--show-only=json-v1"],
                         capture_output=True, text=True, check=True).stdout
    tests = json.loads(out)["tests"]
    depends = {t["name"]: [v for p in t.get("properties", []) if p["name"] == "DEPENDS"
                           for v in p["value"]] for t in tests}
    programs = {t["name"]: os.path.basename(t["command"][0]) for t in tests}
    return [t["name"] for t in tests], depends, programs


def gcov_lines(root, build_dir, files):
    """{product file: {line: count}} from gcov over the given .gcda or .gcno files."""
    root, build_dir = os.path.abspath(root), os.path.abspath(build_dir)
    files = [os.path.abspath(f) for f in files]
    lines = {}
    for start in range(0, len(files), 200):
        out = subprocess.run(["gcov", "-j", "-t"] + files[start:start + 200], cwd=build_dir,
                             capture_output=True, text=True).stdout
        for text in out.splitlines():
            if not text.startswith("{"):
                continue
            for entry in json.loads(text).get("files", []):
                path = os.path.relpath(os.path.join(build_dir, entry["file"]), root)
                if path.split("/")[0] not in ROOTS or not path.endswith(".cpp"):
                    continue
                counts = lines.setdefault(path, {})
                for line in entry["lines"]:
                    n = line["line_number"]
                    counts[n] = counts.get(n, 0) + line["count"]
    return lines


def object_files(build_dir, suffix):
    return sorted(os.path.join(base, name) for base, _, names in os.walk(build_dir)
                  for name in names if name.endswith(suffix))


def cover(root, build_dir, out_path, timeout):
    """Which product lines each test runs, measured test by test in a build made with --coverage.
    Lines that hold no code by gcov's account (declarations, tables worked out while compiling)
    are listed apart: a mutant there runs the whole suite."""
    names, _, _ = test_names(build_dir)
    done = set()
    if os.path.exists(out_path):
        with open(out_path) as f:
            done = {json.loads(line).get("test") for line in f if line.strip()}
    with open(out_path, "a") as log:
        if None not in done:
            code = {path: sorted(counts) for path, counts in
                    gcov_lines(root, build_dir, object_files(build_dir, ".gcno")).items()}
            log.write(json.dumps({"test": None, "code": code}) + "\n")
        for number, name in enumerate(names, 1):
            if name in done or "NoFusedMultiplyAdd" in name:
                continue
            for path in object_files(build_dir, ".gcda"):
                os.remove(path)
            started = time.time()
            status = run(["ctest", "--test-dir", build_dir, "--timeout", str(timeout),
                          "-I", f"{number},{number}"], timeout * 2)
            hit = {path: sorted(n for n, c in counts.items() if c > 0) for path, counts in
                   gcov_lines(root, build_dir, object_files(build_dir, ".gcda")).items()}
            log.write(json.dumps({"test": name, "status": status, "hit": hit}) + "\n")
            log.flush()
            print(number, name[:80], status, round(time.time() - started, 1), flush=True)


COVERAGE = {}


def coverage(log, build_dir):
    if log not in COVERAGE:
        COVERAGE[log] = Coverage(log, build_dir)
    return COVERAGE[log]


class Coverage:
    """A cover log read back: the tests of one suite that run a given line."""

    def __init__(self, path, build_dir):
        self.code, self.by_line = {}, {}
        with open(path) as f:
            for text in f:
                row = json.loads(text)
                if row["test"] is None:
                    self.code = {p: set(ns) for p, ns in row["code"].items()}
                    continue
                for p, ns in row["hit"].items():
                    for n in ns:
                        self.by_line.setdefault((p, n), set()).add(row["test"])
        names, self.depends, programs = test_names(build_dir)
        self.number = {name: i for i, name in enumerate(names, 1)}
        self.program = {self.number[name]: program for name, program in programs.items()}
        self.compiled_by = compiling_targets(build_dir)

    def targets(self, path, numbers):
        """What to build before running the numbered tests: their programs and the tool (which
        tests start), or, with no test to run, only what compiles the mutated file."""
        if not numbers:
            return sorted(self.compiled_by.get(path, ())) or None
        programs = {self.program[n] for n in numbers} | {"jingle"}
        return sorted(programs) if programs <= set(SUITE_TARGETS) else None

    def tests(self, path, line):
        """ctest numbers of the tests to run (and those that depend on them), [] where no test
        runs the line, None (the whole suite) where the line holds no code of its own."""
        if line not in self.code.get(path, ()):
            return None
        chosen = set(self.by_line.get((path, line), ()))
        grown = True
        while grown:
            more = {t for t, needs in self.depends.items() if t not in chosen and chosen & set(needs)}
            chosen |= more
            grown = bool(more)
        return sorted(self.number[t] for t in chosen if t in self.number)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["list", "run", "compare", "cover"])
    parser.add_argument("logs", nargs="*", help="for compare: the logs, the old suite's first")
    parser.add_argument("--seed", type=int, default=22)
    parser.add_argument("--count", type=int, default=800)
    parser.add_argument("--first", type=int, default=None, help="run only the first K mutants")
    parser.add_argument("--tree", action="append", default=[],
                        help="SOURCE_DIR:BUILD_DIR, or SOURCE_DIR:BUILD_DIR:COVER_LOG to run only"
                        " the tests that run the mutated line (for cover: the --coverage build)")
    parser.add_argument("--timeout", type=int, default=120, help="seconds a test may take")
    parser.add_argument("--log", default="mutants.jsonl")
    parser.add_argument("--survivors-of", default=None,
                        help="run only the mutants this other suite's log has seen survive")
    parser.add_argument("--sample-from", default=None,
                        help="draw the sample from this tree (default: the first --tree)")
    args = parser.parse_args()

    if args.action == "compare":
        compare(args.logs)
        return
    trees = [(t.split(":") + [None])[:3] for t in args.tree] or [[".", "build/release", None]]
    if args.action == "cover":
        for source, build_dir, _ in trees:
            cover(source, build_dir, args.log, args.timeout)
        return
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
    wanted = None
    if args.survivors_of:
        with open(args.survivors_of) as f:
            wanted = {r["id"] for r in map(json.loads, filter(str.strip, f))
                      if "survived" in r["results"].values()}
    for m in mutants[:args.first]:
        if m["id"] in done or (wanted is not None and m["id"] not in wanted):
            continue
        started = time.time()
        restore = []
        try:
            for source, _, _ in trees:
                restore.append(apply(source, m))
            results = {}
            for source, build_dir, log in trees:
                chosen, only = None, None
                if log:
                    covered = coverage(log, build_dir)
                    chosen = covered.tests(m["file"], m["line"])
                    if chosen is not None:
                        only = covered.targets(m["file"], chosen)
                code = build(build_dir, 600, only)
                if code != 0:
                    results[source] = "uncompiled"
                elif chosen == []:
                    # No test runs the line: the mutant cannot change what any of them sees.
                    results[source] = "survived"
                    m["unrun"] = True
                else:
                    code = suite(build_dir, args.timeout, chosen)
                    results[source] = "survived" if code == 0 else "killed"
        finally:
            for path, original in restore:
                with open(path, "w") as f:
                    f.write(original)
        m.update(results=results, seconds=round(time.time() - started, 1))
        if wanted is not None:
            m["survivors_only"] = True
        with open(args.log, "a") as f:
            f.write(json.dumps(m) + "\n")
        print(m["id"], m["file"], m["line"], m["kind"], results, m["seconds"], flush=True)
    # Put the objects back as the sources are.
    for _, build_dir, _ in trees:
        build(build_dir, 1800)
    report(args.log, trees)


def compare(logs):
    """Kill rates of several runs of the same sample, and what the later ones miss."""
    runs, picked = [], set()
    for log in logs:
        with open(log) as f:
            rows = {}
            for line in f:
                if line.strip():
                    r = json.loads(line)
                    rows[r["id"]] = next(iter(r["results"].values()))
                    if r.get("survivors_only"):
                        picked.add(r["id"])
            runs.append(rows)
    # Mutants run on one suite only because another let them survive say what it missed, not
    # how many it kills: the rates are taken over the others.
    everywhere = set.intersection(*(set(r) for r in runs))
    common = everywhere - picked
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
    everywhere_compiled = [i for i in sorted(everywhere) if all(r[i] != "uncompiled" for r in runs)]
    print(f"{len(everywhere_compiled)} compiled mutants run on every suite, {len(picked & everywhere)}"
          " of them only because a later suite let them survive")
    for log, rows in zip(logs[1:], runs[1:]):
        for i in everywhere_compiled:
            if runs[0][i] == "killed" and rows[i] == "survived":
                m = described[i]
                print(f"missed by {log}: #{i} {m['file']}:{m['line']} {m['kind']}"
                      f" {m['old']!r} -> {m['new']!r}")


def report(log, trees):
    with open(log) as f:
        rows = [json.loads(line) for line in f if line.strip()]
    for source, _, _ in trees:
        compiled = [r for r in rows if r["results"].get(source) not in (None, "uncompiled")]
        killed = [r for r in compiled if r["results"][source] == "killed"]
        rate = 100.0 * len(killed) / len(compiled) if compiled else 0.0
        print(f"{source}: {len(killed)} of {len(compiled)} compiled mutants killed ({rate:.1f} %),"
              f" {len(rows) - len(compiled)} did not compile")
    if len(trees) > 1:
        first, *others = [s for s, _, _ in trees]
        for other in others:
            for r in rows:
                if r["results"].get(first) == "killed" and r["results"].get(other) == "survived":
                    print(f"caught by {first} only: #{r['id']} {r['file']}:{r['line']} {r['kind']}"
                          f" {r['old']!r} -> {r['new']!r}")


if __name__ == "__main__":
    sys.exit(main())

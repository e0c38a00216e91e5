#!/usr/bin/python3
"""Writes a repository with a long, branchy history in one `git fast-import` run (no network).

Usage: make_long_history.py FOLDER [--commits 80000] [--branches 40] [--seed 1] [--commit-graph]
                             [--varied]

Topic branches fork from main, take commits in random turns and are merged back with merge
commits now and then, after which they start again from main's tip. The committer clock advances
zero to a few seconds per commit, so many commits share a second, and some branches' clocks run
hours ahead or behind: the cases where git's default log order is not topological. Every commit
changes one of 500 small files in 20 folders. The repository gets no commit-graph unless asked.
"""
import argparse
import os
import random
import subprocess


AREAS = [b"diff", b"log", b"refs", b"pack", b"docs", b"tests", b"config", b"merge", b"index"]
VERBS = [b"fix", b"add", b"teach", b"drop", b"simplify", b"speed up", b"document"]
NOUNS = [b"leak", b"option", b"parser", b"corner case", b"typo", b"message", b"lock"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--commits", type=int, default=80000)
    parser.add_argument("--branches", type=int, default=40)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--commit-graph", action="store_true")
    # Several hundred authors and worded subjects, for searching the history.
    parser.add_argument("--varied", action="store_true")
    args = parser.parse_args()

    os.makedirs(args.folder, exist_ok=True)
    git = ["git", "-C", args.folder]
    subprocess.run(["git", "init", "-q", "-b", "main", args.folder], check=True)
    # Keeps the history as written: no background gc and no commit-graph behind our back.
    subprocess.run(git + ["config", "gc.auto", "0"], check=True)
    subprocess.run(git + ["config", "gc.writeCommitGraph", "false"], check=True)

    rng = random.Random(args.seed)
    clock = 1600000000
    tips = [0] * args.branches  # marks; 0 = the branch starts again from main
    skew = [0] * args.branches
    out = []
    mark = 0

    def commit(branch, parents):
        nonlocal mark, clock
        mark += 1
        clock += rng.choice((0, 0, 1, 2, 5))
        ref = "main" if branch == 0 else "topic/%d" % branch
        text = b"commit %d\n" % mark
        who = b"Bench <bench@example.com>"
        if args.varied:
            n = int(rng.paretovariate(1.2)) % 400
            who = b"Dev%03d Person <dev%03d@example.org>" % (n, n)
            text = b"%s: %s %s %d\n\nDetails of change %d.\n" % (
                rng.choice(AREAS), rng.choice(VERBS), rng.choice(NOUNS), mark, mark)
        out.append(b"commit refs/heads/%s\nmark :%d\n" % (ref.encode(), mark))
        out.append(b"author %s %d +0000\n" % (who, clock + skew[branch]))
        out.append(b"committer Bench <bench@example.com> %d +0000\n" % (clock + skew[branch]))
        out.append(b"data %d\n%s" % (len(text), text))
        for i, parent in enumerate(parents):
            out.append(b"%s :%d\n" % (b"from" if i == 0 else b"merge", parent))
        path = b"d%d/f%d.txt" % (mark % 20, mark % 500 // 20)
        out.append(b"M 100644 inline %s\ndata %d\n%s\n" % (path, len(text), text))
        if mark % 1000 == 0:
            out.append(b"reset refs/tags/v%d\nfrom :%d\n\n" % (mark // 1000, mark))
        return mark

    tips[0] = commit(0, [])
    while mark < args.commits:
        b = rng.randrange(args.branches)
        if b != 0 and tips[b] and rng.randrange(3 * args.branches // 4 + 1) == 0:
            tips[0] = commit(0, [tips[0], tips[b]])
            tips[b] = 0
            skew[b] = rng.choice((0, 0, 0, -7200, 3600))
        else:
            tips[b] = commit(b, [tips[b] or tips[0]])

    subprocess.run(git + ["fast-import", "--quiet"], input=b"".join(out), check=True)
    subprocess.run(git + ["reset", "-q", "--hard"], check=True)
    if args.commit_graph:
        subprocess.run(git + ["commit-graph", "write", "--reachable"], check=True)


if __name__ == "__main__":
    main()

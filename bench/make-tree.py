#!/usr/bin/env python3
"""Makes a reproducible product tree for the install benchmarks.

    bench/make-tree.py OUT_DIR [--files N] [--megabytes M] [--seed S] [--max-file-megabytes X]

The same arguments always give the same tree, byte for byte, with the same file dates: nested
folders, N files whose sizes follow a seeded log-normal distribution (a few large files, many
small ones, a handful empty) scaled to sum to M MiB, no file larger than X MiB. About half of
the bytes are compressible text (lines of words, like logs, sources and documents) and half are
random bytes (like already-compressed data). OUT_DIR is replaced when it exists.

Prints one summary line: files, folders, total bytes, text bytes, random bytes, largest file.
"""

import argparse
import math
import os
import random
import shutil
import sys

# 2026-01-01 00:00:00 UTC: every file and folder gets this date, so the tree is the same on
# every run and on every machine.
FIXED_TIME = 1767225600

WORDS = """
about above access account action active adapter address after again agent algorithm allow
alpha answer apply archive array assert async attach audio author backup balance banner batch
before begin binary block border bottom branch buffer build bundle button cache callback
cancel canvas capture catalog center channel char check child class clear client clock close
cluster column command commit common config connect console constant content context control
copy core count create cursor custom data debug decode default delete depth device dialog
digest direct display document domain double draft driver during edit element empty enable
encode engine entry error event example except export extend false field filter final first
float focus folder font format frame from function global graph group handle header height
hidden history host icon image import index inline input insert install instance integer
item join kernel key label layout length level library limit line link list load local lock
logger loop manager master match memory menu merge message method mirror mode module monitor
mount native network next node notify null number object offset open option order output owner
package padding page panel parent parse patch path pattern pixel plugin pointer policy pool
port position print private process profile project property protocol proxy public query queue
random range reader record region release remote render report request reserve reset resource
result return revision route runtime sample scale schema screen script search section select
server service session setting setup shadow shared signal size socket source stack start state
static status storage stream string struct style switch symbol sync system table target task
template test text thread timer token trace track transform tree true type unicode update upload
user value vector version view volume wait warning width window worker wrapper write
""".split()

TEXT_EXTENSIONS = [".txt", ".xml", ".ini", ".js", ".css", ".html", ".json", ".log", ".h", ".md"]
BINARY_EXTENSIONS = [".dll", ".bin", ".dat", ".pak", ".cab", ".res", ".ocx", ".db"]


def make_text_pool(rng, size):
    """About SIZE bytes of lines of words, numbers and punctuation: text that zlib packs to
    roughly a third, not a trivially repeated pattern."""
    lines = []
    total = 0
    punctuation = [", ", ". ", "; ", " = ", " -> ", ": ", " "]
    while total < size:
        indent = " " * (2 * rng.randrange(0, 5))
        parts = []
        for _ in range(rng.randrange(3, 14)):
            roll = rng.random()
            if roll < 0.12:
                parts.append(str(rng.randrange(0, 100000)))
            elif roll < 0.16:
                parts.append("0x%08X" % rng.getrandbits(32))
            else:
                parts.append(rng.choice(WORDS))
            parts.append(rng.choice(punctuation))
        line = indent + "".join(parts).rstrip() + "\n"
        lines.append(line)
        total += len(line)
    return "".join(lines).encode("ascii")


def make_folders(rng, count):
    """COUNT folders as paths relative to the tree's root (the root is ""), nested up to five
    deep, each under a folder chosen at random among those made before."""
    folders = [""]
    depth = {"": 0}
    used = set()
    while len(folders) < count + 1:
        parent = rng.choice(folders)
        if depth[parent] >= 5:
            continue
        name = "%s%d" % (rng.choice(WORDS), rng.randrange(0, 100))
        path = os.path.join(parent, name) if parent else name
        if path.lower() in used:  # Windows folders are case-insensitive
            continue
        used.add(path.lower())
        folders.append(path)
        depth[path] = depth[parent] + 1
    return folders


def file_sizes(rng, count, total, largest):
    """COUNT sizes following a log-normal distribution, none above LARGEST, summing to TOTAL
    (exactly, unless the cap makes it impossible); about 1% of the files are empty."""
    raw = [rng.lognormvariate(0.0, 1.6) for _ in range(count)]
    for i in rng.sample(range(count), max(1, count // 100)):
        raw[i] = 0.0
    sizes = [0] * count
    # Scale, cap, and scale the rest again until the capped files leave the sum unchanged.
    capped = set()
    for _ in range(20):
        free = [i for i in range(count) if i not in capped]
        budget = total - largest * len(capped)
        weight = sum(raw[i] for i in free)
        if weight <= 0 or budget <= 0:
            break
        factor = budget / weight
        newly = {i for i in free if raw[i] * factor > largest}
        if not newly:
            for i in free:
                sizes[i] = int(raw[i] * factor)
            break
        capped |= newly
    for i in capped:
        sizes[i] = largest
    # The rounding remainder goes to the smallest non-empty file that can take it.
    remainder = total - sum(sizes)
    if remainder > 0:
        candidates = [i for i in range(count) if 0 < sizes[i] <= largest - remainder]
        if candidates:
            sizes[min(candidates, key=lambda i: sizes[i])] += remainder
    return sizes


def main():
    parser = argparse.ArgumentParser(description="Make a reproducible product tree.")
    parser.add_argument("out_dir")
    parser.add_argument("--files", type=int, default=2000)
    parser.add_argument("--megabytes", type=float, default=200.0, help="total size in MiB")
    parser.add_argument("--seed", type=int, default=20261210)
    parser.add_argument("--max-file-megabytes", type=float, default=8.0)
    args = parser.parse_args()
    if args.files < 1 or args.megabytes <= 0 or args.max_file_megabytes <= 0:
        parser.error("--files, --megabytes and --max-file-megabytes must be positive")

    rng = random.Random(args.seed)
    total = int(args.megabytes * 1024 * 1024)
    largest = int(args.max_file_megabytes * 1024 * 1024)
    if largest * args.files < total:
        parser.error("%d files of at most %d bytes cannot hold %d bytes" % (args.files, largest, total))

    folders = make_folders(rng, max(1, args.files // 16))
    sizes = file_sizes(rng, args.files, total, largest)

    # Each file is text or random bytes; taken in a random order, a file is text when the text
    # bytes so far are fewer than the random ones, so each half ends within one file of M/2.
    order = list(range(args.files))
    rng.shuffle(order)
    is_text = [False] * args.files
    text_bytes = random_bytes = 0
    for i in order:
        if text_bytes <= random_bytes:
            is_text[i] = True
            text_bytes += sizes[i]
        else:
            random_bytes += sizes[i]

    pool = make_text_pool(rng, 4 * 1024 * 1024)

    out_dir = os.path.abspath(args.out_dir)
    if os.path.exists(out_dir):
        shutil.rmtree(out_dir)
    for folder in folders:
        os.makedirs(os.path.join(out_dir, folder), exist_ok=True)

    # Every folder without subfolders gets a file first, so that no folder is left empty
    # (installers leave empty folders out); the other files go to folders at random.
    parents = {os.path.dirname(f) for f in folders[1:]}
    leaves = [f for f in folders if f not in parents]
    rng.shuffle(leaves)
    file_folders = leaves[:args.files]
    file_folders += [rng.choice(folders) for _ in range(args.files - len(file_folders))]

    paths = []
    for i in range(args.files):
        folder = file_folders[i]
        extension = rng.choice(TEXT_EXTENSIONS if is_text[i] else BINARY_EXTENSIONS)
        name = "%s_%04d%s" % (rng.choice(WORDS), i, extension)
        path = os.path.join(out_dir, folder, name)
        paths.append(path)
        with open(path, "wb") as out:
            if is_text[i]:
                # A slice of the pool from a random place, wrapping around.
                start = rng.randrange(0, len(pool))
                left = sizes[i]
                while left > 0:
                    piece = pool[start:start + left]
                    out.write(piece)
                    left -= len(piece)
                    start = 0
            else:
                out.write(rng.randbytes(sizes[i]))

    for path in paths:
        os.utime(path, (FIXED_TIME, FIXED_TIME))
    # Deepest folders first, so that dating a folder is not undone by its children.
    for folder in sorted(folders, key=lambda f: -f.count(os.sep)):
        os.utime(os.path.join(out_dir, folder), (FIXED_TIME, FIXED_TIME))

    print("files=%d folders=%d bytes=%d text_bytes=%d random_bytes=%d largest=%d"
          % (args.files, len(folders) - 1, sum(sizes), text_bytes, random_bytes, max(sizes)))
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Writes the benchmark's generated corpus: the same bytes and times on every run.

    make_corpus.py OUT_DIR [--seed N] [--scale F]
    make_corpus.py --small-files N OUT_DIR   (OUT_DIR/small-files alone)

OUT_DIR/corpus gets four kinds of data that stress a compressor in
different ways:
  text/    prose with a Zipf-like word distribution, and source-code-like lines
  binary/  little-endian record tables whose fields change by small steps
  random/  seeded random bytes (nothing to gain: measures the stored path)
  small/   2000 small files, variations of a few templates (rewards borrowing
           from earlier files)
Only modules of python3-minimal are used. Every draw comes from one
random.Random(seed) in a fixed order, and every file and folder gets a fixed
time, so the tree (and so every archive made from it) is the same each run.
"""
import argparse
import os
import random
import struct

# 2001-09-09 01:46:40 UTC; file i gets this plus i seconds.
BASE_TIME = 1_000_000_000
MB = 1 << 20


class Corpus:
    def __init__(self, root, seed, scale):
        self.root = root
        self.rng = random.Random(seed)
        self.scale = scale
        self.files = []  # in the order written, for the fixed times

    def write(self, relative, data):
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        self.files.append(path)

    def size(self, megabytes):
        return int(megabytes * MB * self.scale)

    def stamp_times(self):
        for i, path in enumerate(self.files):
            os.utime(path, (BASE_TIME + i, BASE_TIME + i))
        # Folders last, deepest first: writing into a folder moves its time.
        for folder, _, _ in os.walk(self.root, topdown=False):
            os.utime(folder, (BASE_TIME, BASE_TIME))


def make_vocabulary(rng, count):
    """Pronounceable pseudo-words, most common first (short ones lead)."""
    onsets = ["", "b", "c", "d", "f", "g", "h", "k", "l", "m", "n", "p", "r",
              "s", "t", "v", "w", "br", "ch", "st", "tr", "th", "sh", "pl"]
    vowels = ["a", "e", "i", "o", "u", "ai", "ea", "ou", "io"]
    codas = ["", "", "n", "r", "s", "t", "l", "nd", "st", "ng", "ck"]
    words, seen = [], set()
    while len(words) < count:
        syllables = 1 + min(int(rng.expovariate(0.9)), 4)
        w = "".join(rng.choice(onsets) + rng.choice(vowels) + rng.choice(codas)
                    for _ in range(syllables))
        if w not in seen:
            seen.add(w)
            words.append(w)
    words.sort(key=len)  # stable: equal lengths keep their drawn order
    return words


def zipf_cumulative(count, exponent=1.07):
    total, cumulative = 0.0, []
    for rank in range(1, count + 1):
        total += 1.0 / rank ** exponent
        cumulative.append(total)
    return cumulative


def prose(rng, words, cumulative, target):
    """Sentences of Zipf-drawn words, wrapped at 72 columns, in paragraphs."""
    lines, line, size = [], "", 0
    while size < target:
        n = rng.randint(4, 24)
        sentence = rng.choices(words, cum_weights=cumulative, k=n)
        sentence[0] = sentence[0].capitalize()
        if n > 9:
            sentence[n // 2] += ","
        for w in sentence[:-1] + [sentence[-1] + rng.choice(".....?!")]:
            if len(line) + len(w) + 1 > 72:
                lines.append(line)
                size += len(line) + 1
                line = w
            else:
                line = line + " " + w if line else w
        if rng.random() < 0.12:
            lines.extend([line, ""])
            size += len(line) + 2
            line = ""
    lines.append(line)
    return ("\n".join(lines) + "\n").encode("ascii")


def source_code(rng, words, cumulative, target):
    """C-like functions: declarations, calls, conditions, loops, comments."""
    # Identifiers come from the 3000 most common words.
    common, common_cumulative = words[:3000], cumulative[:3000]

    def ident():
        return "_".join(rng.choices(common, cum_weights=common_cumulative, k=rng.randint(1, 3)))

    types = ["int", "unsigned", "size_t", "const char*", "double", "uint32_t", "bool"]
    out, size = [], 0
    while size < target:
        name, args = ident(), ", ".join(
            f"{rng.choice(types)} {ident()}" for _ in range(rng.randint(0, 3)))
        body = [f"/* {ident().replace('_', ' ')} for the {ident()} table. */",
                f"static {rng.choice(types)} {name}({args or 'void'}) {{"]
        depth = 1
        for _ in range(rng.randint(3, 18)):
            pad = "    " * depth
            kind = rng.random()
            if kind < 0.3:
                body.append(f"{pad}{rng.choice(types)} {ident()} = {ident()}({ident()}, {rng.randint(0, 4096)});")
            elif kind < 0.5:
                body.append(f"{pad}if ({ident()} {rng.choice(['<', '>', '==', '!='])} {rng.randint(0, 255)}) {{")
                depth += 1
            elif kind < 0.6:
                body.append(f"{pad}for (size_t i = 0; i < {ident()}_count; ++i) {{")
                depth += 1
            elif kind < 0.75 and depth > 1:
                depth -= 1
                body.append("    " * depth + "}")
            elif kind < 0.85:
                body.append(f"{pad}// {' '.join(rng.choices(words, cum_weights=cumulative, k=rng.randint(3, 9)))}")
            else:
                body.append(f"{pad}{ident()}->{ident()} += {ident()}[{rng.randint(0, 63)}];")
        while depth > 1:
            depth -= 1
            body.append("    " * depth + "}")
        body.extend([f"    return {ident()};", "}", ""])
        text = "\n".join(body) + "\n"
        out.append(text)
        size += len(text)
    return "".join(out).encode("ascii")


def record_table(rng, target):
    """Sensor-style records: time, channel, slowly drifting readings, flags."""
    record = struct.Struct("<IHhhiB3x")  # 20 bytes, aligned like a C struct
    count = target // record.size
    t, values = 1_600_000_000, [rng.randint(-2000, 2000) for _ in range(8)]
    counter = rng.randint(0, 1 << 20)
    chunks = []
    for _ in range(count):
        t += rng.choice((1, 1, 1, 2, 5))
        channel = rng.randrange(8)
        values[channel] += rng.randint(-3, 3)
        counter += rng.randint(0, 40)
        chunks.append(record.pack(t, channel, values[channel], values[channel] // 7,
                                  counter, rng.random() < 0.05))
    return b"".join(chunks)


def sample_array(rng, target):
    """16-bit samples of a slow wave plus a little noise (an audio-like table)."""
    count = target // 2
    period = rng.randint(300, 900)
    noise = rng.randbytes(count)  # one draw: a call per sample is slow
    # A triangle wave keeps this free of floating point, so it is exact; its
    # peaks (10 * period) and the noise stay well inside 16 bits.
    wave = [(p if p < period // 2 else period - p) * 40 - period * 10 for p in range(period)]
    samples, level = [], 0
    for i in range(count):
        level = (level * 3 + wave[i % period]) // 4 + noise[i] % 13 - 6
        samples.append(level)
    return struct.pack(f"<{count}h", *samples)


TEMPLATES = [
    "[service]\nname = {name}\nport = {port}\nuser = {user}\nretries = {n}\n"
    "log = /var/log/{name}/{name}.log\n\n[limits]\nmemory = {mem}M\nfiles = {files}\n",
    "Dear {user},\n\nThank you for your order {order} of {n} items. It will be "
    "shipped to {city} within {days} days.\n\nThe {name} team\n",
    "<html><head><title>{name}</title></head><body>\n<h1>{title}</h1>\n"
    "<p>{para}</p>\n<ul>{items}</ul>\n</body></html>\n",
    "# {title}\n\n{para}\n\n## Usage\n\n    {name} --port {port} --user {user}\n\n{para}\n",
]


def small_file(rng, words, cumulative, index):
    def text(k):
        return " ".join(rng.choices(words, cum_weights=cumulative, k=k))

    items = "".join(f"<li>{text(3)}</li>\n" for _ in range(rng.randint(2, 30)))
    fields = dict(name=rng.choice(words[50:400]), port=rng.randint(1024, 65535),
                  user=rng.choice(words[:200]), n=rng.randint(1, 99), mem=rng.choice((64, 128, 256)),
                  files=rng.choice((1024, 4096)), order=100000 + index,
                  city=rng.choice(words[100:160]).capitalize(), days=rng.randint(1, 14),
                  title=text(4).capitalize(), para=text(rng.randint(20, 200)), items=items)
    body = rng.choice(TEMPLATES).format(**fields)
    return (body * rng.randint(1, 3)).encode("ascii")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out_dir")
    parser.add_argument("--seed", type=int, default=20240607)
    parser.add_argument("--scale", type=float, default=1.0,
                        help="multiplies the size of the large files (1.0: about 45 MB)")
    parser.add_argument("--small-files", type=int, default=0,
                        help="write only OUT_DIR/small-files: this many small files")
    a = parser.parse_args()
    c = Corpus(os.path.join(a.out_dir, "small-files" if a.small_files else "corpus"),
               a.seed, a.scale)
    rng = c.rng
    words = make_vocabulary(rng, 20000)
    cumulative = zipf_cumulative(len(words))
    if a.small_files:
        for i in range(a.small_files):
            c.write(f"group-{i // 100:03}/item-{i:05}.txt", small_file(rng, words, cumulative, i))
        c.stamp_times()
        return

    for i in range(6):
        c.write(f"text/prose-{i:02}.txt", prose(rng, words, cumulative, c.size(2)))
    for i in range(4):
        c.write(f"text/source-{i:02}.c", source_code(rng, words, cumulative, c.size(1.5)))
    for i in range(4):
        c.write(f"binary/records-{i:02}.bin", record_table(rng, c.size(2)))
    for i in range(2):
        c.write(f"binary/samples-{i:02}.pcm", sample_array(rng, c.size(2)))
    for i in range(3):
        c.write(f"random/noise-{i:02}.bin", rng.randbytes(c.size(2)))
    for i in range(2000):
        c.write(f"small/group-{i // 100:02}/item-{i:04}.txt", small_file(rng, words, cumulative, i))
    c.stamp_times()


if __name__ == "__main__":
    main()

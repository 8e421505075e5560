#!/usr/bin/env python3
"""Writes the four detector networks with placeholder weights.

Each network gets the unit, input, hidden, output and connection counts the
detector expects, a fixed connection pattern (every hidden unit sees the bias
and a band of window pixels, the output sees the bias and every hidden unit)
and weights from a fixed-seed generator, so running the script again gives the
same files. The output unit's bias is strongly negative and its other weights
small, so these networks never accept a window: the detector built from them
finds no face until trained networks replace the files.

Usage: make_placeholder_networks.py OUTPUT_FOLDER
"""
import os
import sys

# name, window columns, window rows, hidden units, connections, epochs line
NETWORKS = [
    ("umec", 30, 30, 52, 5883, 0),
    ("face17c", 20, 20, 52, 2905, 0),
    ("face18c", 20, 20, 78, 4357, 0),
    ("eye", 25, 15, 51, 2478, 113250),
]


class Lcg:
    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def uniform(self, lo, hi):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return lo + (hi - lo) * (self.state / 4294967296.0)


def build(name, cols, rows, hidden, conns, epochs, seed):
    pixels = cols * rows
    inputs = pixels + 1
    units = inputs + hidden + 1
    output = inputs + hidden
    pixel_conns = conns - (hidden + 1) - hidden
    assert pixel_conns >= hidden

    structure = [f"{units} units", f"{inputs} inputs"]
    # Unit lines: index, group, second coordinate (row), first coordinate (column).
    structure.append("0 0 0 0")
    for p in range(pixels):
        structure.append(f"{p + 1} 1 {p // cols} {p % cols}")
    structure += ["", f"{hidden} hiddens"]
    for h in range(hidden):
        structure.append(f"{inputs + h} 2 0 {h}")
    structure += ["", "1 outputs", f"{output} 3 0 0", "", f"{conns} conns"]

    rng = Lcg(seed)
    weights = []
    for h in range(hidden):
        dest = inputs + h
        count = pixel_conns // hidden + (1 if h < pixel_conns % hidden else 0)
        start = (h * pixels) // hidden
        structure.append(f"0 {dest} -1")
        weights.append(rng.uniform(-0.1, 0.1))
        for k in range(count):
            structure.append(f"{1 + (start + k) % pixels} {dest} -1")
            weights.append(rng.uniform(-0.05, 0.05))
    structure.append(f"0 {output} -1")
    weights.append(-5.0)
    for h in range(hidden):
        structure.append(f"{inputs + h} {output} -1")
        weights.append(rng.uniform(-0.05, 0.05))
    assert len(weights) == conns

    weight_text = [f"{epochs} epochs", f"{conns} weights"] + [f"{w:f}" for w in weights]
    return structure, weight_text


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for seed, (name, cols, rows, hidden, conns, epochs) in enumerate(NETWORKS, start=1):
        structure, weights = build(name, cols, rows, hidden, conns, epochs, seed * 7919)
        with open(os.path.join(folder, name + ".structure.txt"), "w", newline="\n") as f:
            f.write("\n".join(structure) + "\n")
        with open(os.path.join(folder, name + ".weights.txt"), "w", newline="\n") as f:
            f.write("\n".join(weights) + "\n")


if __name__ == "__main__":
    main()

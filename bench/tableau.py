#!/usr/bin/env python3
"""Prints the benchmark table from the JSON results of one run of bench/run."""
import json
import pathlib
import sys

# figure, measured benchmark, baseline benchmark, largest ratio allowed,
# largest absolute time allowed in ns (or None)
FIGURES = [
    ("tick, 32 slots enabled, none due", "tick_sans_lancement", "lectures_horloge_128", 2.0, None),
]


def medianes(dossier):
    temps = {}
    for fichier in pathlib.Path(dossier).glob("*.json"):
        for b in json.loads(fichier.read_text())["benchmarks"]:
            if b.get("aggregate_name") == "median":
                facteur = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
                temps[b["run_name"]] = b["real_time"] * facteur
    return temps


def lisible(ns):
    for unite, facteur in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= facteur:
            return f"{ns / facteur:.3g} {unite}"
    return f"{ns:.3g} ns"


def main():
    temps = medianes(sys.argv[1])
    lignes = [("figure", "time", "baseline", "ratio", "budget", "")]
    tout_ok = True
    for nom, mesure, base, ratio_max, absolu_max in FIGURES:
        if mesure not in temps or base not in temps:
            lignes.append((nom, "missing", "", "", "", "over"))
            tout_ok = False
            continue
        ratio = temps[mesure] / temps[base]
        ok = ratio <= ratio_max and (absolu_max is None or temps[mesure] <= absolu_max)
        budget = f"<= {ratio_max:g}" + (f", < {lisible(absolu_max)}" if absolu_max else "")
        lignes.append((nom, lisible(temps[mesure]), lisible(temps[base]), f"{ratio:.2f}",
                       budget, "ok" if ok else "over"))
        tout_ok &= ok
    largeurs = [max(len(l[c]) for l in lignes) for c in range(6)]
    for n, l in enumerate(lignes):
        print("| " + " | ".join(v.ljust(largeurs[c]) for c, v in enumerate(l)) + " |")
        if n == 0:
            print("|" + "|".join("-" * (w + 2) for w in largeurs) + "|")
    sys.exit(0 if tout_ok else 1)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Prints the benchmark table from the results of one run of bench/run.

Two kinds of result files sit in the results folder: the JSON of the Google Benchmark
programs (their median of each benchmark is taken), and the JSON of the script that
measures whole programs: {"mesures": [{"nom": ..., "valeur": ..., "unite": "ns" or "o"}]}.
"""
import dataclasses
import json
import pathlib
import sys


@dataclasses.dataclass
class budget:
    ratio_max: float | None = None  # measured / baseline at most this
    ratio_min: float | None = None  # measured / baseline at least this: the baseline
    # is ours, so many times faster
    absolu_max: float | None = None  # measured below this, in its own unit

    def reference(self):
        """No limit: a figure shown for comparison only."""
        return self.ratio_max is None and self.ratio_min is None and self.absolu_max is None

    def texte(self, unite):
        if self.reference():
            return "reference"
        morceaux = []
        if self.ratio_max is not None:
            morceaux.append(f"ratio <= {self.ratio_max:g}")
        if self.ratio_min is not None:
            morceaux.append(f"ours >= {self.ratio_min:g}x faster")
        if self.absolu_max is not None:
            morceaux.append(f"< {lisible(self.absolu_max, unite)}")
        return ", ".join(morceaux)

    def tenu(self, mesure, ratio):
        return ((self.ratio_max is None or ratio <= self.ratio_max)
                and (self.ratio_min is None or ratio >= self.ratio_min)
                and (self.absolu_max is None or mesure < self.absolu_max))


# figure, measured, baseline measured in the same run (None: an absolute limit only),
# budget
FIGURES = [
    ("tick, 32 slots enabled, none due", "tick_sans_lancement", "lectures_horloge_128",
     budget(ratio_max=2)),
    ("the same tick, every slot following the sun", "tick_soleil", "tick_sans_lancement",
     budget(ratio_max=1.2)),
    ("command_M of null.bat, journal line, colours", "command_m", "spawn_true",
     budget(ratio_max=2)),
    ("lecture_ini, 240 keys", "lecture_ini/0", "lecture_memoire/0",
     budget(ratio_max=20, absolu_max=1e6)),
    # Two libnova sunrise and sunset computations per date (about 90 us each, more than
    # the whole plain load), whatever the number of slots: one sun slot costs as much.
    ("lecture_ini, 32 slots following the sun, against none", "lecture_ini_soleil/1",
     "lecture_ini_soleil/0", budget(ratio_max=6, absolu_max=1e6)),
    ("enregistre_Click, 8 channels", "enregistre_click/0", "ecriture_remplacement/0",
     budget(ratio_max=3)),
    ("lecture_ini, 240 keys + 1 MiB of other sections", "lecture_ini/1048576",
     "lecture_memoire/1048576", budget(ratio_max=3)),
    ("enregistre_Click, 8 channels + 1 MiB of other sections", "enregistre_click/1048576",
     "ecriture_remplacement/1048576", budget(ratio_max=3)),
    ("the same save as 240 key writes, 1 MiB file", "enregistrement_par_cle/1048576",
     "enregistre_click/1048576", budget(ratio_min=50)),
    ("status through the control socket, round trip", "statut_prise", "echo_prise",
     budget(ratio_max=3)),
    ("horlivet-ctl status, whole process", "ctl_statut", "lecteur_minimal",
     budget(ratio_max=2)),
    ("window built by Form_Load, until shown", "fenetre_form_load", "fenetre_vide",
     budget()),
    ("the same window against a one-label window", "fenetre_form_load",
     "fenetre_une_etiquette", budget()),
    ("program start to shown window", "demarrage_horlivet", "demarrage_minimal",
     budget(ratio_max=1.5)),
    ("program peak memory at shown window", "memoire_horlivet", "memoire_minimal",
     budget(ratio_max=1.3)),
    ("without a display: start to the first tick scheduled", "sans_fenetre_horlivet",
     "sans_fenetre_coeur", budget(ratio_max=1.5)),
    ("without a display: peak memory then", "memoire_sans_fenetre_horlivet",
     "memoire_sans_fenetre_coeur", budget(ratio_max=1.4)),
    ("program CPU time over 120 s idle", "cpu_inactif_horlivet", None,
     budget(absolu_max=50e6)),
]


def resultats(dossier):
    """Each measurement's value and unit ("ns" or "o", bytes), by name."""
    valeurs = {}
    for fichier in sorted(pathlib.Path(dossier).glob("*.json")):
        donnees = json.loads(fichier.read_text())
        for b in donnees.get("benchmarks", []):
            if b.get("aggregate_name") == "median" and "error_occurred" not in b:
                facteur = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
                nom = b["run_name"].removesuffix("/real_time").removesuffix("/manual_time")
                valeurs[nom] = (b["real_time"] * facteur, "ns")
        for m in donnees.get("mesures", []):
            valeurs[m["nom"]] = (float(m["valeur"]), m["unite"])
    return valeurs


def lisible(valeur, unite):
    if unite == "o":
        for nom, facteur in (("GiB", 2**30), ("MiB", 2**20), ("KiB", 2**10)):
            if valeur >= facteur:
                return f"{valeur / facteur:.3g} {nom}"
        return f"{valeur:.3g} B"
    for nom, facteur in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if valeur >= facteur:
            return f"{valeur / facteur:.3g} {nom}"
    return f"{valeur:.3g} ns"


def main():
    valeurs = resultats(sys.argv[1])
    lignes = [("figure", "measured", "baseline", "ratio", "budget", "")]
    tout_ok = True
    for nom, mesure, base, limite in FIGURES:
        unite = valeurs.get(mesure, (0, "ns"))[1]
        if mesure not in valeurs or (base is not None and base not in valeurs):
            lignes.append((nom, "missing", "", "", limite.texte(unite), "over"))
            tout_ok = False
            continue
        valeur = valeurs[mesure][0]
        if base is None:
            ratio, texte_base, texte_ratio = 0.0, "none", ""
        else:
            ratio = valeur / valeurs[base][0]
            texte_base, texte_ratio = lisible(*valeurs[base]), f"{ratio:.3g}"
        ok = limite.tenu(valeur, ratio)
        verdict = "" if limite.reference() else "ok" if ok else "over"
        lignes.append((nom, lisible(valeur, unite), texte_base, texte_ratio,
                       limite.texte(unite), verdict))
        tout_ok &= ok
    largeurs = [max(len(l[c]) for l in lignes) for c in range(6)]
    for n, l in enumerate(lignes):
        print("| " + " | ".join(v.ljust(largeurs[c]) for c, v in enumerate(l)) + " |")
        if n == 0:
            print("|" + "|".join("-" * (w + 2) for w in largeurs) + "|")
    sys.exit(0 if tout_ok else 1)


if __name__ == "__main__":
    main()

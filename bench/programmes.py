#!/usr/bin/env python3
"""Measures the whole program from outside, for bench/tableau.py.

  programmes.py BUILD demarrage OUT.json    start to shown window and peak memory of the
                                            program and of bench's minimal Qt program
  programmes.py BUILD sans_fenetre OUT.json start to the first tick scheduled and peak
                                            memory of the program without a display and
                                            of bench's minimal Qt core program
  programmes.py BUILD inactif OUT.json      CPU time of the program over 120 s idle

Each program with a window runs on a private X server (Xvfb), where bench/guetteur sees
its window mapped; see there why that is the moment it is shown. Without a display, the
moment is the line each program writes on standard error once its timer runs. The program runs from a copy of
its folder holding a full schedule: eight named channels, every day ticked, all 32
slots enabled, none due while it runs, so startup loads and shows everything and each
idle tick checks every slot.
"""
import datetime
import json
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile

FOIS = 21  # runs of each program, alternated; the median is kept
INACTIF_S = 120


class serveur_x:
    """An Xvfb on a free display, for the time of a with block. -noreset: the server
    must not restart, refusing clients meanwhile, each time a watcher disconnects."""

    def __enter__(self):
        lecture, ecriture = os.pipe()
        self.processus = subprocess.Popen(
            ["Xvfb", "-displayfd", str(ecriture), "-nolisten", "tcp", "-noreset",
             "-screen", "0", "1280x1024x24"], pass_fds=(ecriture,),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(ecriture)
        with os.fdopen(lecture) as sortie:
            numero = sortie.readline().strip()
        if not numero:
            raise RuntimeError("Xvfb did not start")
        self.environnement = {k: v for k, v in os.environ.items()
                              if k not in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY")}
        self.environnement["DISPLAY"] = ":" + numero
        # Qt wants a private runtime folder, and warns on every start without one.
        self.runtime = tempfile.mkdtemp(prefix="horlivet_runtime.")
        self.environnement["XDG_RUNTIME_DIR"] = self.runtime
        return self

    def __exit__(self, *erreur):
        self.processus.terminate()
        self.processus.wait()
        shutil.rmtree(self.runtime, ignore_errors=True)


def reglages_pleins():
    """The settings file of a full schedule whose slots lie far from now."""
    # Four slots of one hour every two hours, in eight hours that do not hold now.
    debut = 14 if datetime.datetime.now().hour < 12 else 2
    lignes = ["[ervaline]"]
    for i in range(8):
        lignes.append(f"nom_{i}=Voie {i + 1}")
        for sorte, decalage in (("deb", 0), ("fin", 1)):
            for k in range(1, 5):
                lignes.append(f"heure_{sorte}_{k}_{i}={debut + 2 * (k - 1) + decalage}")
        for sorte, minute in (("deb", 0), ("fin", 30)):
            for k in range(1, 5):
                lignes.append(f"minute_{sorte}_{k}_{i}={minute}")
        for jour in ("lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi", "dimanche"):
            lignes.append(f"{jour}_{i}=on")
        for nom in ("valid", "valid_2", "valid_3", "valid_4"):
            lignes.append(f"{nom}_{i}=on")
        lignes.append(f"commande_marche_{i}=null.bat")
        lignes.append(f"commande_arret_{i}=null.bat")
    return "".join(ligne + "\r\n" for ligne in lignes)


def copie_programme(construction, dossier):
    """The program, its command files and a full schedule in `dossier`; its path."""
    programme = dossier / "horlivet"
    shutil.copy2(construction / "horlivet", programme)
    shutil.copy2(construction / "horlivet-fenetre.so", dossier / "horlivet-fenetre.so")
    shutil.copytree(construction / "actions", dossier / "actions")
    (dossier / "ervaline.ini").write_bytes(reglages_pleins().encode())
    return programme


def guette(guetteur, arguments, environnement):
    sortie = subprocess.run([str(guetteur), *arguments], env=environnement, check=True,
                            stdout=subprocess.PIPE, text=True, timeout=INACTIF_S + 60)
    return [int(v) for v in sortie.stdout.split()]


def demarrage(construction, guetteur, programme):
    minimal = construction / "bench" / "programme_minimal"
    temps = {"horlivet": [], "minimal": []}
    memoire = {"horlivet": [], "minimal": []}
    with serveur_x() as x:
        # Alternated, so that a burst of load on the machine falls on both alike.
        for _ in range(FOIS):
            for nom, chemin in (("horlivet", programme), ("minimal", minimal)):
                ns, ko = guette(guetteur, [str(chemin)], x.environnement)
                temps[nom].append(ns)
                memoire[nom].append(ko * 1024)
    mesures = []
    for nom in temps:
        mesures.append({"nom": f"demarrage_{nom}", "valeur": statistics.median(temps[nom]),
                        "unite": "ns"})
        mesures.append({"nom": f"memoire_{nom}", "valeur": statistics.median(memoire[nom]),
                        "unite": "o"})
    return mesures


def sans_fenetre(construction, guetteur, programme):
    coeur = construction / "bench" / "programme_coeur"
    environnement = {k: v for k, v in os.environ.items()
                     if k not in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY")}
    lignes = {"horlivet": "le programme tourne sans fenêtre", "coeur": "le minuteur tourne"}
    temps = {"horlivet": [], "coeur": []}
    memoire = {"horlivet": [], "coeur": []}
    for _ in range(FOIS):
        for nom, chemin in (("horlivet", programme), ("coeur", coeur)):
            ns, ko = guette(guetteur, ["--ligne", lignes[nom], str(chemin)], environnement)
            temps[nom].append(ns)
            memoire[nom].append(ko * 1024)
    mesures = []
    for nom in temps:
        mesures.append({"nom": f"sans_fenetre_{nom}", "valeur": statistics.median(temps[nom]),
                        "unite": "ns"})
        mesures.append({"nom": f"memoire_sans_fenetre_{nom}",
                        "valeur": statistics.median(memoire[nom]), "unite": "o"})
    return mesures


def inactif(guetteur, programme):
    with serveur_x() as x:
        [ns] = guette(guetteur, ["--inactif", str(INACTIF_S), str(programme)], x.environnement)
    return [{"nom": "cpu_inactif_horlivet", "valeur": ns, "unite": "ns"}]


def main():
    construction, mesure, resultat = pathlib.Path(sys.argv[1]), sys.argv[2], sys.argv[3]
    guetteur = construction / "bench" / "guetteur"
    with tempfile.TemporaryDirectory(prefix="horlivet_banc.") as dossier:
        programme = copie_programme(construction, pathlib.Path(dossier))
        if mesure == "demarrage":
            mesures = demarrage(construction, guetteur, programme)
        elif mesure == "sans_fenetre":
            mesures = sans_fenetre(construction, guetteur, programme)
        else:
            mesures = inactif(guetteur, programme)
    pathlib.Path(resultat).write_text(json.dumps({"mesures": mesures}, indent=1) + "\n")


if __name__ == "__main__":
    main()

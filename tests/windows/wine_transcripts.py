#!/usr/bin/env python3
"""UCI transcripts and short self-play games against ostrim.exe under Wine.

usage: wine_transcripts.py <wine> <folder holding ostrim.exe and ostrim2010.bin>
Exits 0 when every check passes, 1 otherwise.
"""
import os
import queue
import subprocess
import sys
import threading

TIMEOUT = 30.0  # Wine's first start in a fresh prefix is slow
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


class Engine:
    def __init__(self, wine, folder, arguments=()):
        # Started in its own folder, as a GUI starts it.
        self.process = subprocess.Popen([wine, os.path.join(folder, "ostrim.exe"), *arguments], cwd=folder,
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.process.stdout:
            self.lines.put(raw.decode("latin-1").rstrip("\n"))
        self.lines.put(None)

    def send(self, line, ending="\n"):
        self.process.stdin.write((line + ending).encode())
        self.process.stdin.flush()

    def until(self, predicate, timeout=TIMEOUT):
        """The lines up to and including the first that satisfies predicate; None on time-out or end."""
        seen = []
        while True:
            try:
                line = self.lines.get(timeout=timeout)
            except queue.Empty:
                return None
            if line is None:
                return None
            seen.append(line)
            if predicate(line):
                return seen

    def quit(self):
        try:
            self.send("quit")
        except OSError:
            pass
        try:
            return self.process.wait(timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return None


def is_bestmove(line):
    return line.startswith("bestmove ")


def transcripts(wine, folder):
    e = Engine(wine, folder)
    e.send("uci", "\r\n")  # a Windows GUI may end its lines with CR LF
    out = e.until(lambda l: l == "uciok")
    check(out is not None and out[0] == "id name Ostrim 2010 win64 UCI", "uci: identification and uciok")
    check(out is not None and sum(l.startswith("option name ") for l in out) == 30, "uci: thirty options")
    e.send("isready", "\r\n")
    out = e.until(lambda l: l == "readyok")
    check(out == ["readyok"], "isready: the default book opens without a word (%r)" % (out,))

    e.send("position startpos")
    e.send("go wtime 60000 btime 60000")
    out = e.until(is_bestmove)
    book = out is not None and len(out) == 2 and out[0].startswith("info depth 0 score cp 0 ") and \
        out[0].endswith(" " + out[1].split()[1]) and len(out[1].split()) == 2
    check(book, "go in the start position: answered from the default book (%r)" % (out,))

    e.send("setoption name OwnBook value false")
    e.send("position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1 moves")
    e.send("go depth 8")
    out = e.until(is_bestmove)
    check(out is not None and out[-1].split()[1] == "d1d8", "go depth 8: finds the back-rank mate d1d8")
    check(out is not None and any(" score mate " in l for l in out), "go depth 8: reports the mate score")

    # An absent drive and a present one without tablebases: both skipped
    # quietly (no message box waiting for a click), and the engine stays ready.
    e.send("setoption name Tablebases_path value Q:\\TBs;C:\\TBs")
    e.send("setoption name Use_tablebases value true")
    e.send("isready")
    out = e.until(lambda l: l == "readyok", timeout=15)
    check(out == ["readyok"], "tablebase folders on drive letters are skipped quietly (%r)" % (out,))

    e.send("position startpos moves e2e4 e7e5 g1f3")
    e.send("go infinite")
    out = e.until(lambda l: l.startswith("info depth "))
    check(out is not None, "go infinite: searches")
    e.send("stop")
    out = e.until(is_bestmove)
    check(out is not None, "stop: ends the search with a bestmove")
    e.send("position startpos moves e2e5")
    out = e.until(lambda l: True, timeout=10)
    check(out == ["Illegal move: e2e5"], "an illegal move is reported (%r)" % (out,))
    check(e.quit() == 1, "quit: exit status 1")

    e = Engine(wine, folder)
    e.process.stdin.close()
    try:
        status = e.process.wait(timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        e.process.kill()
        status = None
    check(status == 1, "end of input: exit status 1")


def self_play(wine, folder, plies=30):
    engines = [Engine(wine, folder), Engine(wine, folder)]
    for e in engines:
        e.send("uci")
        e.send("setoption name OwnBook value false")
        e.send("setoption name Hash value 16")
        e.send("isready")
        if not check(e.until(lambda l: l == "readyok") is not None, "self-play: engine ready"):
            return
    moves = []
    clock = [10000, 10000]
    for ply in range(plies):
        e = engines[ply % 2]
        e.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
        e.send("go wtime %d btime %d winc 100 binc 100" % (clock[0], clock[1]))
        out = e.until(is_bestmove)
        if out is None:
            check(False, "self-play ply %d: a bestmove" % (ply + 1))
            return
        errors = [l for l in out if l.startswith("info string") or l.startswith("Illegal move")]
        if errors:
            check(False, "self-play ply %d: no error (%r)" % (ply + 1, errors))
            return
        move = out[-1].split()[1]
        if move in ("(none)", "0000", "a1a1"):
            break  # the game is over
        moves.append(move)
    check(len(moves) > 10, "self-play: %d plies, each a bestmove the other engine took: %s"
          % (len(moves), " ".join(moves)))
    for e in engines:
        check(e.quit() == 1, "self-play: the engine quits with status 1")


def match(wine, folder):
    """Two games by ostrim-tool.exe: the tool drives the engines as child processes."""
    command = [wine, os.path.join(folder, "ostrim-tool.exe"), "match",
               "--engine", "cmd=ostrim.exe", "name=a", "option.OwnBook=false", "option.Hash=16",
               "--engine", "cmd=ostrim.exe", "name=b", "option.Hash=16",
               "--st", "0.05", "--rounds", "1", "--maxplies", "60"]
    try:
        done = subprocess.run(command, cwd=folder, capture_output=True, text=True, timeout=300)
    except subprocess.TimeoutExpired:
        check(False, "match: two games within 300 s")
        return
    out = done.stdout.splitlines()
    check(done.returncode == 0 and any(l.startswith("Match a vs b: 2 games") for l in out),
          "match: ostrim-tool.exe plays two games (status %d)" % done.returncode)
    faults = [l.strip() for l in out if l.strip().startswith("faults of ")]
    clean = ": time forfeit 0, illegal move 0, crash 0, hung 0, protocol 0"
    check(len(faults) == 2 and all(l.endswith(clean) for l in faults), "match: no faults (%r)" % (faults,))


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    wine, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    transcripts(wine, folder)
    self_play(wine, folder)
    match(wine, folder)
    print("%d check(s) failed" % len(failures) if failures else "all checks passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Writes fuzzing seeds: the games of the given PGN files cut into small pages
as the bullet work file holds them (CR LF, each game after a bullet line)."""
import pathlib
import sys

PAGE_LIMIT = 4000


def games(data):
    text = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    starts = [i for i in range(len(text)) if text.startswith(b"[Event ", i)
              and (i == 0 or text[i - 1:i] == b"\n")]
    for a, b in zip(starts, starts[1:] + [len(text)]):
        yield b"\xb7\r\n" + text[a:b].rstrip(b"\r\n") + b"\r\n"


def main(source_dir, seed_dir):
    out = pathlib.Path(seed_dir)
    out.mkdir(parents=True, exist_ok=True)
    count = 0
    for pgn in sorted(pathlib.Path(source_dir).glob("*.pgn")):
        page = b""
        for game in games(pgn.read_bytes()):
            if page and len(page) + len(game) > PAGE_LIMIT:
                (out / f"{pgn.stem}-{count}").write_bytes(page)
                count += 1
                page = b""
            page += game
        if page:
            (out / f"{pgn.stem}-{count}").write_bytes(page)
            count += 1
    print(f"{count} seed pages in {out}")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])

#!/usr/bin/env python3
"""Writes the project's own Japanese texts in Shift-JIS, EUC-JP, ISO-2022-JP
and UTF-8, by Python's codecs, for the test of 文字コードを自動判別.

    make_japanese_corpus.py OUTPUT_FOLDER SOURCE...

Real texts: every text of app/texts.h, every paragraph of the README and of
readme.txt that has a character beyond ASCII, and each file whole. Hard
cases: half-width katakana (all of them, and the texts' kana written so),
the texts' kanji alone, kanji among ASCII words, short hiragana. A character
one of the codecs has not becomes "?" in all four, so that the four files
of a text hold the same text. manifest.tsv names each file with its group,
its encoding, the Shift-JIS file of the same text and whether Shift-JIS
reads the EUC-JP bytes as well ("both": every byte beyond ASCII is A1-DF,
half-width katakana in Shift-JIS, or follows 8E, which Shift-JIS reads as
the first byte of a kanji), else "-".
"""
import re
import sys
import unicodedata
from pathlib import Path

CODECS = {"sjis": "shift_jis", "euc": "euc_jp", "jis": "iso2022_jp_ext", "utf8": "utf-8"}


def encodable(char):
    try:
        for codec in ("shift_jis", "euc_jp", "iso2022_jp_ext"):
            char.encode(codec)
        return True
    except UnicodeEncodeError:
        return False


def common(text):
    return "".join(c if encodable(c) else "?" for c in text)


def texts_of_header(source):
    found = []
    for body in re.findall(r"constexpr wchar_t k\w+\[\] =\s*((?:L\"(?:[^\"\\]|\\.)*\"\s*)+);", source):
        parts = re.findall(r'L"((?:[^"\\]|\\.)*)"', body)
        found.append("".join(bytes(p, "utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8") for p in parts))
    return found


def paragraphs(source):
    return [p for p in re.split(r"\n\s*\n", source)]


# Half-width katakana from the full-width forms NFKC gives them.
HALF = {}
for code in range(0xFF61, 0xFFA0):
    HALF.setdefault(unicodedata.normalize("NFKC", chr(code)), chr(code))
HALF["\u3099"], HALF["\u309a"] = "\uff9e", "\uff9f"  # the combining voiced marks


def half_width(text):
    out = []
    for char in unicodedata.normalize("NFD", text):
        if "\u3041" <= char <= "\u3096":
            char = chr(ord(char) + 0x60)  # hiragana to katakana
        if char in HALF:
            out.append(HALF[char])
        elif char < "\x80":
            out.append(char)
    return "".join(out)


def kanji_runs(text):
    return re.findall(r"[\u4e00-\u9fff\u3005]+", text)


def both_readings(euc):
    i = 0
    while i < len(euc):
        if euc[i] == 0x8E and i + 1 < len(euc):
            i += 2
        elif euc[i] < 0x80 or 0xA1 <= euc[i] <= 0xDF:
            i += 1
        else:
            return False
    return True


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    units = []  # (group, name, text)
    header_texts = []
    for source in map(Path, sys.argv[2:]):
        text = source.read_text(encoding="utf-8")
        stem = source.name.replace(".", "_")
        pieces = texts_of_header(text) if source.suffix == ".h" else paragraphs(text)
        if source.suffix == ".h":
            header_texts = pieces
        for i, piece in enumerate(pieces):
            units.append(("real", f"{stem}-{i:03}", piece))
        units.append(("real", f"{stem}-whole", "\r\n".join(pieces) if source.suffix == ".h" else text))

    japanese = [t for t in header_texts if re.search(r"[\u3040-\u9fff]", t)]
    units.append(("hard", "halfwidth-all", "".join(chr(c) for c in range(0xFF61, 0xFFA0))))
    for i, text in enumerate(japanese):
        units.append(("hard", f"halfwidth-{i:03}", half_width(text)))
        runs = kanji_runs(text)
        if runs:
            units.append(("hard", f"kanji-{i:03}", "".join(runs)))
            units.append(("hard", f"kanji-ascii-{i:03}", " ".join(f"{run} {n}" for n, run in enumerate(runs)) + "\r\n"))
    units.append(("hard", "kanji-lines", "\r\n".join(r for t in japanese for r in kanji_runs(t)) + "\r\n"))
    units.append(("hard", "halfwidth-ascii", "ID 0012 ﾀﾅｶ ﾀﾛｳ 35\r\nID 0013 ｽｽﾞｷ ﾊﾅｺ 28\r\n"))
    for i, text in enumerate(["いいえ", "はい", "あい", "こんにちは", "ありがとう。"]):
        units.append(("hard", f"hiragana-{i:03}", text))

    lines = []
    for group, name, text in units:
        text = common(text)
        if all(c < "\x80" for c in text):
            continue  # ASCII reads the same in all four
        both = "both" if both_readings(text.encode("euc_jp")) else "-"
        for encoding, codec in CODECS.items():
            file = f"{name}.{encoding}.txt"
            (out / file).write_bytes(text.encode(codec))
            lines.append(f"{group}\t{file}\t{encoding}\t{name}.sjis.txt\t{both}\n")
    (out / "manifest.tsv").write_text("".join(lines), encoding="ascii", newline="\n")


if __name__ == "__main__":
    main()

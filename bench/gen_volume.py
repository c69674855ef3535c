#!/usr/bin/env python3
"""Writes a deterministic synthetic multi-channel volume for sunder.

Every record has ten header lines (the stage word in line 1, the
station-channel number in columns 28-30 of line 7, 8 or 9 by stage) and a
body of 80-column numeric lines ending with a "/&" line. Lines end with
CR LF. Stages cycle V0, V1, V2, V3; record k carries station-channel k+1.

  gen_volume.py OUT --size 100M          records and body length from the size
  gen_volume.py OUT --records 5 --body-lines 36
"""
import argparse
import sys

STAGES = [  # header line 1, header line holding the station-channel number
    ("Raw accelerogram data", 8),
    ("Uncorrected accelerogram data", 7),
    ("Corrected accelerogram data", 8),
    ("Response spectra, 5 damping values", 9),
]
LINE = 80
EOL = b"\r\n"


def fit(text):
    assert len(text) <= LINE, text
    return text.ljust(LINE)


def station_line(chan_in_station, stachn):
    # columns 1-5, 6-7 channel of the station, 8-27 label, 28-30 number
    text = "Chan " + "%2d" % chan_in_station + ": station-chan no. " + " " + "%3d" % stachn
    assert text[5:7] == "%2d" % chan_in_station and text[27:30] == "%3d" % stachn
    return fit(text + "  synthetic test record")


def header(k, stage):
    word, iline = STAGES[stage]
    stachn = k + 1
    lines = [
        fit(word + "  -  synthetic volume, record %d" % (k + 1)),
        fit("Made by the sunder benchmark generator; not a real recording."),
        fit("Event: synthetic   Origin: 2016/03/15 10:22:33"),
        fit("Epicentre: 34.000N 118.000W   Depth 10.0 km   Magnitude 5.0"),
        fit("Instrument: synthetic   Sampling 200 per second"),
        fit("Units: cm/sec/sec   Filter band 0.10 - 25.00 Hz"),
        fit("Notes line 7"),
        fit("Notes line 8"),
        fit("Notes line 9"),
        fit("Notes line 10"),
    ]
    lines[iline - 1] = station_line(k % 99 + 1, stachn)
    return [l.encode() for l in lines]


def make_pool(count=4096):
    # 80-column numeric lines: eight values of ten columns, from a fixed LCG
    state = 12345
    pool = []
    for _ in range(count):
        vals = []
        for _ in range(8):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            vals.append("%10.4f" % ((state % 2000000) / 1000.0 - 1000.0))
        pool.append("".join(vals).encode())
    return pool


def parse_size(text):
    mult = {"K": 10**3, "M": 10**6, "G": 10**9}
    if text[-1].upper() in mult:
        return int(float(text[:-1]) * mult[text[-1].upper()])
    return int(text)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--size")
    ap.add_argument("--records", type=int)
    ap.add_argument("--body-lines", type=int)
    a = ap.parse_args()
    if a.size:
        size = parse_size(a.size)
        # Records of about 1 MB (12,000 lines, a long three-component record),
        # at most 999 to a volume.
        records = max(4, min(999, size // 1000000))
        per_line = LINE + len(EOL)
        body = max(2, size // records // per_line - 10)
        if body > 99000:
            sys.exit("volume too large for 999 records of at most 100000 lines")
    else:
        records, body = a.records, a.body_lines
    pool = make_pool()
    eol_pool = [l + EOL for l in pool]
    with open(a.out, "wb") as f:
        pos = 0
        for k in range(records):
            f.write(EOL.join(header(k, k % 4)) + EOL)
            n = body - 1
            chunks = []
            while n > 0:
                take = min(n, len(eol_pool) - pos)
                chunks.append(b"".join(eol_pool[pos:pos + take]))
                pos = (pos + take) % len(eol_pool)
                n -= take
            f.write(b"".join(chunks))
            f.write(b"/&" + EOL)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Builds the small collection files of this folder from the logger memory
layout, so every byte of them is accounted for. Run it after changing a case;
the expectations beside each file (NAME.expect) are written by hand."""

import os

HERE = os.path.dirname(os.path.abspath(__file__))


def bcd(v):
    return ((v // 10) << 4) | (v % 10)


def sample(value, overload=False):
    """Two bytes of one reading: sixteenths of a degree below 1024 degrees."""
    if overload:
        return bytes([0x40 | (2500 >> 8), 2500 & 0xFF])
    neg = value < 0
    six = round(abs(value) * 16)
    whole, frac = divmod(six, 16)
    return bytes([(0x80 if neg else 0) | (whole >> 4), ((whole & 0x0F) << 4) | frac])


def record(when, interval, celsius, samples):
    """samples: a list of tuples, one value per channel (None = overload)."""
    y, mo, d, h, mi, s = when
    r = bytearray([0xA5, 0x5A, bcd(y // 100), bcd(y % 100), bcd(mo), bcd(d), bcd(h), bcd(mi), bcd(s)])
    r += interval.to_bytes(2, "big")
    r.append(0x01 if celsius else 0x00)
    r += len(samples).to_bytes(2, "big")
    for row in samples:
        for v in row:
            r += sample(0, True) if v is None else sample(v)
    r += bytes([0x5A, 0xA5])
    return r


def image(channels, records, set_count=None, tail=b""):
    """Header, records and tail; header bytes outside the fields are filler
    as a meter leaves them."""
    header = bytearray(range(256))
    body = b"".join(records)
    last = 255 + len(body)
    header[9:11] = (len(records) if set_count is None else set_count).to_bytes(2, "big")
    header[11:13] = last.to_bytes(2, "big")
    header[30] = 2 * channels
    return bytes(header) + body + tail, last


def noise(n, seed):
    """Bytes of no meaning, the same on every run: a file that is no
    collection at all, named as one."""
    out = bytearray()
    x = seed
    for _ in range(n):
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((x >> 16) & 0xFF)
    return bytes(out)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    one = record((2026, 3, 14, 9, 26, 53), 5, True, [(25.6,)])
    data, last = image(1, [one], tail=bytes(256))
    write("one_sample_481.rec", data)

    a = record((2026, 11, 30, 23, 59, 50), 10, True, [(21.5, 19.0), (None, 19.1), (-25.6, 200.0)])
    b = record((2026, 12, 1, 0, 0, 0), 60, False, [(72.5, 68.0), (72.5, 68.5)])
    data, last = image(2, [a, b], tail=bytes([0xFF] * 200 + [0x00] * 56))
    write("two_sets_482_tail_kept.rec", data)

    # The download stopped right at the last address: no tail at all.
    data, last = image(1, [one])
    write("no_tail.rec", data)

    # Part of the tail only.
    data, last = image(1, [one], tail=bytes([0xEE] * 100))
    write("tail_cut_short.rec", data)

    # More after the tail than a collection holds: never read.
    data, last = image(1, [one], tail=bytes([0x11] * 256) + bytes([0x22] * 300))
    write("longer_than_needed.rec", data)

    # Refused: shorter than a header block, and records cut short.
    write("empty.rec", b"")
    write("shorter_than_header.rec", bytes(range(100)))
    data, last = image(2, [a, b])
    write("records_cut_short.rec", data[: last - 9])

    # Whole files whose content the decoder turns down or asks about.
    broken = bytearray(b)
    broken[-1] = 0x5A
    data, last = image(2, [a, bytes(broken)], tail=bytes(256))
    write("bad_end_marker.rec", data)
    data, last = image(1, [one], set_count=0, tail=bytes(256))
    write("set_count_zero.rec", data)
    feb30 = record((2008, 2, 30, 12, 0, 0), 1, True, [(20.0,), (20.1,)])
    data, last = image(1, [feb30, one], tail=bytes(256))
    write("impossible_date.rec", data)

    # Random bytes: a set count far beyond what a meter holds, or one
    # within it whose records are no records.
    write("random_bytes.rec", noise(3000, 1))
    write("random_bytes_count_in_range.rec", noise(5100, 47))


if __name__ == "__main__":
    main()

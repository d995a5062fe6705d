#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets whose inputs are built by hand (fuzz/corpus/NAME/).
Each seed follows its harness's input layout (see the harness source). The seeds of `import`
(volume descriptors and directories of images from tarnwick-mkiso, genisoimage and xorriso) and
of `mds` (a descriptor written by `tarnwick copy`) come from those programs instead."""
import os
import random
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
random.seed(1)


def write(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as out:
        out.write(bytes(data))


def bcd(n):
    return (n // 10) << 4 | n % 10


def msf(frames):
    return [bcd(frames // 4500), bcd(frames // 75 % 60), bcd(frames % 75)]


def noise(n):
    return bytes(random.randrange(256) for _ in range(n))


# correct_sector: choice (bit 0 Mode 2 Form 1, bit 1 an encoded sector), LBA, sector, damage.
for form1 in (0, 1):
    write('correct_sector', f'raw-{form1}', [form1] + list(noise(2352)))
    for errors in (1, 2, 5):
        damage = []
        for _ in range(errors):
            damage += list(struct.pack('>H', random.randrange(2352))) + [random.randrange(1, 256)]
        write('correct_sector', f'encoded-{form1}-{errors}', [2 | form1] + list(struct.pack('>I', 1234)) + list(noise(2352)) + [errors] + damage)

# wave: accept-bad-header flag, then the file.
header = b'RIFF' + struct.pack('<I', 36 + 4000) + b'WAVEfmt ' + struct.pack('<IHHIIHH', 16, 1, 2, 44100, 176400, 4, 16) + b'data' + struct.pack('<I', 4000)
write('wave', 'good', [0] + list(header + noise(4000)))
write('wave', 'mono-accepted', [1] + list(header[:22] + struct.pack('<H', 1) + header[24:] + noise(100)))
write('wave', 'short', [0] + list(header[:30]))

# cue_sheet: lead-in start (-151 - N), capacity, then 8-byte entries.
def cue(entries, lead_in=11000, capacity=359849):
    return list(struct.pack('>HI', lead_in, capacity)) + [b for e in entries for b in e]

def entry(ctl_adr, tno, index, form, frames):  # MIN/SEC/FRAME of a cue sheet are binary
    return [ctl_adr, tno, index, form, 0, frames // 4500, frames // 75 % 60, frames % 75]

write('cue_sheet', 'data', cue([entry(0x41, 0, 0, 0x14, 0), entry(0x41, 1, 0, 0x10, 0), entry(0x41, 1, 1, 0x10, 150), entry(0x41, 0xAA, 1, 0x14, 1650)]))
write('cue_sheet', 'audio', cue([entry(0x01, 0, 0, 0x01, 0), entry(0x02, 0, 0, 0, 0), entry(0x01, 1, 0, 0x00, 0), entry(0x01, 1, 1, 0x00, 150),
                                 entry(0x01, 2, 0, 0x00, 600), entry(0x01, 2, 1, 0x00, 750), entry(0x01, 2, 2, 0x00, 900), entry(0x01, 0xAA, 1, 0x01, 1200)]))
write('cue_sheet', 'raw-lead-in', cue([entry(0x41, 0, 0, 0x41, 0), entry(0x41, 1, 0, 0xD2, 0), entry(0x41, 1, 1, 0xD2, 150), entry(0x41, 0xAA, 1, 0xD2, 600)]))
write('cue_sheet', 'mixed', cue([entry(0x41, 0, 0, 0x14, 0), entry(0x41, 1, 0, 0x10, 0), entry(0x41, 1, 1, 0x10, 150), entry(0x01, 2, 0, 0x00, 600),
                                 entry(0x01, 2, 1, 0x00, 750), entry(0x01, 0xAA, 1, 0x01, 1200)]))

# raw_checker: P-W flag, lead-in length, then blocks: flags (1 fix Q CRC, 2 Mode 1 sector,
# 4 Mode 2 Form 1 sector), Q without its CRC, and the sector's first user byte.
def raw_run(pw, data, lead_in=12, track=20, lead_out=3):
    control = 0x41 if data else 0x01
    flags = 0x01 | (0x02 if data else 0)
    start, end = 0, track
    items = [[0xA0] + [0x01, 0x00, 0x00], [0xA1] + [0x01, 0x00, 0x00], [0xA2] + msf(end + 150), [0x01] + msf(start + 150)]
    out = [pw] + list(struct.pack('>H', lead_in))
    def block(q):
        return [flags] + q + ([0x55] if data else [])
    for i in range(lead_in):
        item = items[i % len(items)]
        out += block([control, 0x00, item[0]] + msf(i) + [0] + item[1:])
    for lba in range(-150, 0):
        out += block([control, 0x01, 0x00] + msf(-1 - lba) + [0] + msf(lba + 150))
    for lba in range(0, end):
        out += block([control, 0x01, 0x01] + msf(lba) + [0] + msf(lba + 150))
    for lba in range(end, end + lead_out):
        out += block([control, 0xAA, 0x01] + msf(lba - end) + [0] + msf(lba + 150))
    return out

write('raw_checker', 'data-pq', raw_run(0, True))
write('raw_checker', 'data-pw', raw_run(1, True))
write('raw_checker', 'audio-pq', raw_run(0, False))

# recorder: medium, then commands: shape (bits 0-1 CDB length 6/10/12/16, bit 3 data out),
# the CDB, the transfer length, and the data sent out.
def command(cdb, length=0, out=None):
    shape = {6: 0, 10: 1, 12: 2, 16: 3}[len(cdb)] | (0x08 if out is not None else 0)
    data = [shape] + cdb + list(struct.pack('>H', length))
    if out is not None:
        data += list(out[:min(length, 4096)])
    return data

INQUIRY = command([0x12, 0, 0, 0, 36, 0], 36)
DISC_INFO = command([0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0], 34)
TRACK_INFO = command([0x52, 1, 0, 0, 0, 1, 0, 0, 36, 0], 36)
MODE_SENSE_05 = command([0x5A, 0, 0x05, 0, 0, 0, 0, 0, 64, 0], 64)
TOC = command([0x43, 0, 0, 0, 0, 0, 0, 0x03, 0x24, 0], 804)
CAPACITIES = command([0x23, 0, 0, 0, 0, 0, 0, 0, 252, 0], 252)
CONFIGURATION = command([0x46, 2, 0, 0, 0, 0, 0, 0x10, 0, 0], 4096)
def write10(lba, blocks):
    return command([0x2A, 0, *struct.pack('>i', lba), 0, *struct.pack('>H', blocks), 0], blocks * 2048, noise(blocks * 2048))
def read10(lba, blocks):
    return command([0x28, 0, *struct.pack('>i', lba), 0, *struct.pack('>H', blocks), 0], blocks * 2048)
SYNC = command([0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0])
CLOSE_TRACK = command([0x5B, 0, 1, 0, 0, 1, 0, 0, 0, 0])
CLOSE_SESSION = command([0x5B, 0, 2, 0, 0, 0, 0, 0, 0, 0])
page05 = [0, 0x3E, 0, 0, 0, 0, 0, 0] + [0x05, 0x36, 0x02, 0x04, 0x08, 0, 0, 0] + [0] * 48
MODE_SELECT_SAO = command([0x55, 0x10, 0, 0, 0, 0, 0, 0, len(page05), 0], len(page05), page05)
sheet = [b for e in [entry(0x41, 0, 0, 0x14, 0), entry(0x41, 1, 0, 0x10, 0), entry(0x41, 1, 1, 0x10, 150), entry(0x41, 0xAA, 1, 0x14, 1650)] for b in e]
CUE = command([0x5D, 0, 0, 0, 0, 0, 0, 0, len(sheet), 0], len(sheet), sheet)

def medium(kind):  # 0 CD-R, 1 CD-RW, 2 DVD-R, 3 DVD-RW, 4 DVD-RW restricted overwrite, 5 DVD+R, 6 DVD+RW, 7 DVD-RAM, 8 BD-R, 9 BD-RE
    return [kind]

write('recorder', 'cdr-tao', medium(0) + INQUIRY + DISC_INFO + MODE_SENSE_05 + write10(0, 2) + SYNC + CLOSE_TRACK + CLOSE_SESSION + TOC + TRACK_INFO + read10(0, 1))
write('recorder', 'cdrw-blank', medium(1) + write10(0, 1) + SYNC + CLOSE_TRACK + command([0xA1, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0]) + DISC_INFO)
write('recorder', 'dvdplusrw-format', medium(6) + CAPACITIES + command([0x04, 0x11, 0, 0, 0, 0], 12, [0, 0x02, 0, 8, 0xFF, 0xFF, 0xFF, 0xFF, 0x26 << 2, 0, 0, 0]) + write10(32, 2) + read10(32, 2))
write('recorder', 'cdr-sao', medium(0) + MODE_SELECT_SAO + CUE + write10(-150, 3) + CONFIGURATION)
write('recorder', 'bdre', medium(9) + CONFIGURATION + CAPACITIES + DISC_INFO + command([0xAD, 1, 0, 0, 0, 0, 0, 0, 0x08, 0, 0, 0], 2052))

# drive_replies: size of the failure text buffer, then for each command the drive's answer:
# a choice (under 80h GOOD with a one-byte length, 80h-BFh GOOD with a two-byte length, C0h
# and above CHECK CONDITION with sense), the length and the reply; the queries' choices come
# in the same stream.
def good(reply):
    return ([0x80] + list(struct.pack('>H', len(reply))) if len(reply) > 255 else [0x00, len(reply)]) + list(reply)

inquiry_reply = [0x05, 0x80, 0x05, 0x32, 31, 0, 0, 0] + list(b'TARNWICKFUZZ DRIVE      1.00')
disc_info_reply = [0x00, 0x20, 0x0E, 1, 1, 1, 1, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x4F, 0x3B, 0x4A] + [0] * 10
toc_reply = [0x00, 0x12, 1, 1, 0, 0x14, 1, 0, 0, 0, 0, 0, 0, 0x14, 0xAA, 0, 0, 0, 0x10, 0]
write('drive_replies', 'plain', list(struct.pack('>H', 256)) + good(inquiry_reply) + good([]) * 12 + [0, 2] + good(toc_reply) + [1, 0] + good(disc_info_reply))
write('drive_replies', 'check', list(struct.pack('>H', 20)) + good(inquiry_reply) + [0xC0, 3, 0x02, 0x3A, 0x00] + [0xC1, 14, 0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0] + good([]) * 8 + [2] + [0xC0, 3, 3, 0x11, 0])
write('drive_replies', 'queries', list(struct.pack('>H', 100)) + good(inquiry_reply) + good([]) * 10 + [q for i in range(11) for q in [i] + good(noise(40))])

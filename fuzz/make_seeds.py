#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: small hand-built inputs, valid ones and the edges a
reader must refuse (negative and huge counts, lengths at the limit and one past it, strings whose
count runs past the end, all 0xFF). Run from anywhere; it rewrites fuzz/corpus/."""
import hashlib
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
LIMIT = 2147483639


def u16(v): return struct.pack("<H", v & 0xFFFF)
def u32(v): return struct.pack("<I", v & 0xFFFFFFFF)
def cp(s): return s.encode("cp932") if isinstance(s, str) else s
def lstr(s): b = cp(s); return u16(len(b) + 1) + b + b"\0"


def entry(op, kind, name, title="", member=""):
    return u32(op) + u32(kind) + lstr(name) + lstr(title) + lstr(member)


def file_block(data, ro=0, stamp=0x54E53842):
    data = cp(data)
    return u32(len(data) + 8) + u32(ro) + u32(stamp) + data


def doc_block(data, word=1, second=""):
    data = cp(data)
    body = u32(word) + lstr(second) + u32(len(data)) + data
    return u32(len(body)) + body


def diff(entries, blocks, description="seed", count=None, magic=2929, version=1):
    directory = u16(len(entries) if count is None else count) + b"".join(entries)
    desc = cp(description)[:47].ljust(48, b"\0")
    return u16(magic) + u16(version) + u32(0) + u32(len(entries)) + u32(len(directory)) + desc + directory + b"".join(blocks)


def sha(b): return hashlib.sha256(b).digest()


def seal(plain, blocks, bases, version=1, magic=b"QVSEAL\r\n"):
    """The diff `plain` (whose data blocks are `blocks`, in order) with its trailer: digests of the
    header and directory and of every block, then the bases: None, "absent", ("file", size, stamp,
    read-only, bytes) or ("document", bytes)."""
    head = plain[:len(plain) - sum(len(b) for b in blocks)]
    body = u32(len(blocks)) + sha(head) + b"".join(sha(b) for b in blocks)
    for base in bases:
        if base is None:
            body += b"\0"
        elif base == "absent":
            body += b"\1"
        elif base[0] == "file":
            body += b"\2" + struct.pack("<QIB", base[1], base[2], base[3]) + sha(cp(base[4]))
        else:
            body += b"\3" + sha(cp(base[1]))
    return plain + body + sha(body) + u32(len(body)) + u16(version) + u16(0) + magic


def library(title, docs, magic=2927, version=1, count=None, index_length=None):
    index = b"".join(u32(len(cp(d))) + u32(w) + lstr(n) + lstr(s) for n, s, d, w in docs)
    data = b"".join(cp(d) for _, _, d, _ in docs)
    return (u16(magic) + u16(version) + u32(0) + u32(len(docs) if count is None else count) +
            u32(len(index) if index_length is None else index_length) + cp(title)[:47].ljust(48, b"\0") + index + data)


def menu(title, body=b"body", magic=2928, version=1):
    return u16(magic) + u16(version) + u32(7) + u32(0) + u32(0) + cp(title)[:47].ljust(48, b"\0") + body


def journal(state=0, ours=1, names=(), libraries=(), crc=None, length=None):
    def s(v): b = cp(v); return u16(len(b)) + b
    body = bytes([ours]) + u32(len(names))
    for name, occupant, backup, flags in names:
        body += s(name) + s(occupant) + s(backup) + bytes([flags])
    body += u32(len(libraries))
    for name, work, flags in libraries:
        body += s(name) + s(work) + bytes([flags])
    head = u16(2931) + u16(1) + bytes([state, 0, 0, 0])
    return head + u32(len(body) if length is None else length) + u32(zlib.crc32(body) if crc is None else crc) + body


def diffs():
    one = diff([entry(0, 3, "A.CSV")], [file_block("1,2,3")])
    mixed = diff(
        [entry(0, 0, "RO.SST", "新メニュー"), entry(0, 1, "DOCS.SSD", "書類", "A"), entry(1, 1, "DOCS.SSD", "書類", "B"),
         entry(0, 1, "NEW.SSD", "新", "N"), entry(0, 2, "COMMON.SSV", "共通"), entry(1, 3, "PRICES.CSV"),
         entry(0, 3, "ﾃｽﾄb.csv"), entry(1, 1, "EMPTY.SSD", "", "X")],
        [file_block(menu("新メニュー"), ro=1), doc_block("new alpha", 5, "a3"), u32(0), doc_block("n"),
         file_block(library("共通", [("C", "", "c2", 0)])), u32(0), file_block(""), u32(0)])
    header = diff([], [], count=0)[:64]
    one_blocks = [file_block("1,2,3")]
    mixed_blocks = [file_block(menu("新メニュー"), ro=1), doc_block("new alpha", 5, "a3"), u32(0), doc_block("n"),
                    file_block(library("共通", [("C", "", "c2", 0)])), u32(0), file_block(""), u32(0)]
    mixed_bases = [("file", 90, 0x54E53842, 0, menu("古い")), ("document", "old alpha"), ("document", "b"), "absent",
                   None, ("file", 5, 0, 1, "1,2,3"), "absent", ("document", "x")]
    sealed_one = seal(one, one_blocks, ["absent"])
    two_blocks = [file_block("1"), file_block("2")]
    two = diff([entry(0, 3, "A.CSV"), entry(0, 3, "B.CSV")], two_blocks)
    two_trailer = seal(two, two_blocks, ["absent", "absent"])[len(two):]  # an intact seal of two entries
    damaged = bytearray(sealed_one)
    damaged[len(one) - 2] ^= 1
    return {
        "sealed_file.kmd": sealed_one,
        "sealed_mixed.kmd": seal(mixed, mixed_blocks, mixed_bases),
        "sealed_no_bases.kmd": seal(mixed, mixed_blocks, [None] * 8),
        "sealed_damaged_block.kmd": bytes(damaged),
        "sealed_cut_trailer.kmd": sealed_one[:-5],
        "sealed_wrong_count.kmd": one + two_trailer,
        "sealed_version_2.kmd": seal(one, one_blocks, ["absent"], version=2),
        "sealed_bad_magic.kmd": seal(one, one_blocks, ["absent"], magic=b"QVSEAL\n\n"),
        "sealed_twice.kmd": seal(sealed_one, [sealed_one[len(one) - len(one_blocks[0]):]], ["absent"]),
        "trailer_alone.bin": sealed_one[len(one):],
        "valid_file.kmd": one,
        "valid_file.kmd": one,
        "valid_mixed.kmd": mixed,
        "replace_library_and_change_it.kmd": diff(
            [entry(0, 1, "DOCS.SSD", "書類"), entry(0, 1, "docs.ssd", "書類", "Z")],
            [file_block(library("書類", [("Q", "", "q", 3)])), doc_block("z")]),
        "same_name_twice.kmd": diff([entry(1, 3, "PRICES.CSV"), entry(0, 3, "prices.csv"), entry(0, 3, "PRICES.CSV")],
                                    [u32(0), file_block("a"), file_block("b")]),
        "empty.bin": b"",
        "one_byte.bin": b"\x71",
        "header_only.kmd": header,
        "count_negative.kmd": diff([entry(0, 3, "A.CSV")], [file_block("x")], count=0xFFFF),
        "count_huge.kmd": diff([entry(0, 3, "A.CSV")], [file_block("x")], count=32767),
        "string_past_end.kmd": header + u16(1) + u32(0) + u32(3) + u16(0x7FFF) + b"A.CSV",
        "string_negative.kmd": header + u16(1) + u32(0) + u32(3) + u16(0x8000) + b"A.CSV\0",
        "block_at_limit.kmd": diff([entry(0, 3, "A.CSV")], [u32(LIMIT) + u32(0) + u32(0) + b"data"]),
        "block_one_past_limit.kmd": diff([entry(0, 3, "A.CSV")], [u32(LIMIT + 1) + u32(0) + u32(0) + b"data"]),
        "block_all_ones.kmd": diff([entry(0, 3, "A.CSV")], [u32(0xFFFFFFFF)]),
        "file_block_short.kmd": diff([entry(0, 3, "A.CSV")], [u32(4) + u32(0)]),
        "doc_second_name_past_block.kmd": diff([entry(0, 1, "DOCS.SSD", "t", "A")], [u32(6) + u32(0) + u16(0x7000)]),
        "doc_length_past_block.kmd": diff([entry(0, 1, "DOCS.SSD", "t", "A")],
                                          [u32(11) + u32(0) + lstr("") + u32(0x7FFFFFFF) + b"x"]),
        "deletion_with_data.kmd": diff([entry(1, 3, "A.CSV")], [u32(3) + b"abc"]),
        "unknown_op.kmd": diff([entry(4, 3, "A.CSV")], [file_block("x")]),
        "op_minus_one.kmd": diff([entry(-1, 3, "PRICES.CSV")], [u32(0)]),
        "unsafe_parent.kmd": diff([entry(0, 3, "../A.CSV")], [file_block("x")]),
        "unsafe_work_names.kmd": diff([entry(0, 3, "XXXXXX.TMP"), entry(0, 3, "QUARVEL.JNL"), entry(0, 3, "sbn0ab.cde")],
                                      [file_block("x"), file_block("y"), file_block("z")]),
        "trailing_bytes.kmd": one + b"extra",
        "version_2.kmd": diff([entry(0, 3, "A.CSV")], [file_block("x")], version=2),
        "wrong_magic.kmd": diff([entry(0, 3, "A.CSV")], [file_block("x")], magic=2928),
        "all_ff.bin": b"\xFF" * 256,
    }


def libraries():
    valid = library("書類", [("A", "a2", "alpha", 1), ("B", "", "b" * 40, 2)])
    return {
        "valid.ssd": valid,
        "empty_library.ssd": library("", []),
        "count_huge.ssd": library("t", [("A", "", "a", 0)], count=0xFFFFFFFF),
        "index_past_end.ssd": library("t", [("A", "", "a", 0)], index_length=0x7FFFFFFF),
        "document_past_end.ssd": valid[:-10],
        "name_past_end.ssd": valid[:64] + u32(1) + u32(0) + u16(0x7FFF) + b"A",
        "name_count_257.ssd": library("t", [("N" * 256, "", "x", 0)]),
        "name_count_negative.ssd": valid[:64] + u32(1) + u32(0) + u16(0x8000) + b"A\0" + lstr(""),
        "header_only.ssd": valid[:64],
        "short.ssd": valid[:10],
        "wrong_magic.ssd": library("t", [], magic=2929),
        "version_2.ssd": library("t", [], version=2),
        "menu.sst": menu("メニュー"),
        "title_unterminated.sst": menu("T" * 48),
        "all_ff.bin": b"\xFF" * 256,
        "empty.bin": b"",
    }


def journals():
    names = [("M2.SST", "m2.sst", "SBN0ab.cde", 3), ("NEW.KKK", "", "", 2)]
    libs = [("L.SSD", "SBN1ab.cde", 1)]
    valid = journal(0, 1, names, libs)
    return {
        "staging.jnl": valid,
        "committing.jnl": journal(1, 0, names, libs),
        "done.jnl": journal(2, 1, names, libs),
        "nothing.jnl": journal(0, 0),
        "bad_crc.jnl": journal(0, 1, names, libs, crc=1),
        "length_past_end.jnl": journal(0, 1, names, libs, length=0x7FFFFFFF),
        "cut.jnl": valid[:-3],
        "header_only.jnl": journal(0, 1)[:16],
        "count_huge.jnl": (lambda b: b[:16] + b[16:17] + u32(0xFFFFFFFF) + b[21:])(journal(0, 1)),
        "backup_not_ours.jnl": journal(0, 1, [("M2.SST", "M2.SST", "M1.SST", 0)]),
        "names_twice.jnl": journal(0, 1, [("A.KKK", "", "", 2), ("a.kkk", "", "", 2)]),
        "state_3.jnl": journal(3, 1, names, libs),
        "all_ff.bin": b"\xFF" * 256,
        "empty.bin": b"",
    }


def write(kind, seeds):
    d = os.path.join(CORPUS, kind)
    os.makedirs(d, exist_ok=True)
    for name in os.listdir(d):
        if name.startswith("seed-"):
            os.remove(os.path.join(d, name))
    for name, data in seeds.items():
        with open(os.path.join(d, "seed-" + name), "wb") as f:
            f.write(data)


def main():
    d = diffs()
    write("diff_reader", d)
    write("import", d)
    write("seal", d)
    lib = libraries()
    write("library", lib)
    write("headers", lib)
    write("journal", journals())


if __name__ == "__main__":
    main()

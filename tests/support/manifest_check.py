#!/usr/bin/env python3
"""Checks the manifest.json of a Data.zip against the archives it describes, with a reader of its
own (the standard library only): nothing of the writer's is trusted.

    tests/support/manifest_check.py DATA_ZIP [--source PRODUCT=TREE ...]
                                    [--left-out SUFFIX=WORDS ...] [--oem cp437]

It checks that manifest.json is Data.zip's last entry, at its top level; its keys and their order;
that each product's volumes are entries of Data.zip of those sizes and SHA-256 digests, and that
Data.zip holds nothing else; that a product that was not packed (no volume) lists no file and
one left-out entry that says why; that each product's split set, its volumes joined in order, is one
archive whose file entries are listed in archive order with the size, CRC-32 and SHA-256 of
their data; and that the totals add up. With --source, every listed file's SHA-256 is that of
the file in the product's tree, and every file of the tree is either listed or left out. With
--left-out, a path ending in SUFFIX (any separators) is left out with a reason holding each of
the WORDS ("|" between them). Prints one line and exits 0 when all holds; else prints every
problem and exits 1.

From a scenario:
    from tests.support.manifest_check import check_data_zip
    manifest = check_data_zip(path, sources={"Zorvel": tree}, left_out=[("db.lock", ["held by another program"])])
"""

import argparse
import hashlib
import json
import os
import re
import struct
import sys
import zipfile
import zlib

MANIFEST = "manifest.json"
TOP_KEYS = ["manifest", "tool", "run", "products", "totals"]
TOOL_KEYS = ["name", "version"]
RUN_KEYS = ["started", "finished", "utcOffsetMinutes", "computer", "user"]
PRODUCT_KEYS = ["name", "dataFolder", "volumes", "files", "leftOut"]
VOLUME_KEYS = ["name", "bytes", "sha256"]
FILE_KEYS = ["name", "bytes", "modified", "crc32", "sha256"]
LEFT_OUT_KEYS = ["path", "reason"]
TOTAL_KEYS = ["files", "bytes", "leftOut"]
UTC = re.compile(r"^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}Z$")
SHA256 = re.compile(r"^[0-9a-f]{64}$")
CRC32 = re.compile(r"^[0-9a-f]{8}$")
# ZORVELDATA.Z01 ... or VYDATA_001.ZIP ...: a volume's place in its set; the archive itself last.
NUMBERED = re.compile(r"^(?P<stem>.*?)(?:\.z(?P<z>\d+)|_(?P<n>\d{3,})\.zip)$", re.IGNORECASE)


class ManifestError(AssertionError):
    def __init__(self, problems):
        super().__init__("\n".join(problems))
        self.problems = problems


def _pairs(pairs):
    """Keeps the keys' order and refuses a key given twice."""
    keys = [k for k, _ in pairs]
    if len(set(keys)) != len(keys):
        raise ValueError(f"a key is given twice: {keys}")
    return {"__order__": keys, **dict(pairs)}


def _keys(value, expected, where, problems):
    if not isinstance(value, dict):
        problems.append(f"{where}: not an object")
        return False
    if value.get("__order__") != expected:
        problems.append(f"{where}: keys {value.get('__order__')}, expected {expected}")
        return False
    return True


def _volume_order(name):
    match = NUMBERED.match(name)
    if not match:
        return (1, 0)  # the archive itself ends the set
    return (0, int(match.group("z") or match.group("n")))


# The central directory of a split set, read from its joined bytes. Offsets in a split set count
# from the start of the volume a record lies on, so each is placed by the sizes before it.
def _end_records(data, starts):
    at = data.rfind(b"PK\x05\x06")
    if at < 0:
        raise ValueError("no end of central directory record")
    (_, _, cd_disk, _, entries, cd_size, cd_offset, _) = struct.unpack_from("<IHHHHIIH", data, at)
    locator = at - 20
    if locator >= 0 and data[locator:locator + 4] == b"PK\x06\x07":
        (_, z64_disk, z64_offset, _) = struct.unpack_from("<IIQI", data, locator)
        z64 = starts[z64_disk] + z64_offset
        if data[z64:z64 + 4] != b"PK\x06\x06":
            raise ValueError("the Zip64 locator points at no Zip64 end record")
        (_, _, _, _, _, cd_disk, _, entries, cd_size, cd_offset) = struct.unpack_from("<IQHHIIQQQQ", data, z64)
    return entries, starts[cd_disk] + cd_offset, cd_size


def _zip64_values(extra, wanted):
    """The Zip64 field's values, in the order the format gives them, for the fields that are full."""
    at = 0
    while at + 4 <= len(extra):
        tag, size = struct.unpack_from("<HH", extra, at)
        if tag == 1:
            body = extra[at + 4:at + 4 + size]
            return list(struct.unpack_from("<" + "Q" * wanted, body)) if wanted else []
        at += 4 + size
    raise ValueError("a full field without its Zip64 value")


def read_split_set(volumes, oem="cp437"):
    """The entries of a split set given as its volumes' bytes in order: a list of
    (name, is_folder, method, crc, data) in archive order, names decoded as the archive says."""
    starts, at = [], 0
    for volume in volumes:
        starts.append(at)
        at += len(volume)
    data = b"".join(volumes)
    count, offset, size = _end_records(data, starts)
    entries = []
    pos = offset
    for _ in range(count):
        if data[pos:pos + 4] != b"PK\x01\x02":
            raise ValueError(f"no central record at {pos}")
        (_, _, _, flags, method, _, _, crc, csize, usize, name_len, extra_len, comment_len, disk, _, _,
         local) = struct.unpack_from("<IHHHHHHIIIHHHHHII", data, pos)
        raw = data[pos + 46:pos + 46 + name_len]
        extra = data[pos + 46 + name_len:pos + 46 + name_len + extra_len]
        full = [usize == 0xFFFFFFFF, csize == 0xFFFFFFFF, local == 0xFFFFFFFF, disk == 0xFFFF]
        values = iter(_zip64_values(extra, sum(full[:3])) if any(full[:3]) else [])
        if full[0]:
            usize = next(values)
        if full[1]:
            csize = next(values)
        if full[2]:
            local = next(values)
        pos += 46 + name_len + extra_len + comment_len
        name = raw.decode("utf-8") if flags & 0x800 else raw.decode(oem)
        header = starts[disk] + local
        if data[header:header + 4] != b"PK\x03\x04":
            raise ValueError(f"{name}: no local header where its central record says")
        l_name, l_extra = struct.unpack_from("<HH", data, header + 26)
        body = data[header + 30 + l_name + l_extra:header + 30 + l_name + l_extra + csize]
        if method == 8:
            content = zlib.decompressobj(-15).decompress(body)
        elif method == 0:
            content = body
        else:
            raise ValueError(f"{name}: method {method}")
        if len(content) != usize:
            raise ValueError(f"{name}: {len(content)} bytes unpacked, its record says {usize}")
        entries.append((name, name.endswith("/"), method, crc, content))
    return entries


def _walk(tree):
    """Relative '/' names of the tree's files; folder links are not entered."""
    files = []
    for folder, _dirs, names in os.walk(tree):
        for name in names:
            path = os.path.join(folder, name)
            files.append(os.path.relpath(path, tree).replace(os.sep, "/"))
    return files


def _normal(path):
    return path.replace("\\", "/")


def check_data_zip(data_zip, sources=None, left_out=None, oem="cp437"):
    """Checks the Data.zip at data_zip (see the module's text); returns the manifest (a dict whose
    objects also carry "__order__", their keys in order). Raises ManifestError naming every
    problem found."""
    problems = []
    with zipfile.ZipFile(data_zip) as outer:
        infos = outer.infolist()
        names = [i.filename for i in infos]
        if not names or names[-1] != MANIFEST:
            raise ManifestError([f"{MANIFEST} is not Data.zip's last entry: {names}"])
        manifest = json.loads(outer.read(MANIFEST).decode("utf-8"), object_pairs_hook=_pairs)
        if not _keys(manifest, TOP_KEYS, "manifest", problems):
            raise ManifestError(problems)
        if manifest["manifest"] != 1:
            problems.append(f"manifest version {manifest['manifest']}")
        if _keys(manifest["tool"], TOOL_KEYS, "tool", problems) and manifest["tool"]["name"] != "Tavisto":
            problems.append(f"tool name {manifest['tool']['name']}")
        run = manifest["run"]
        if _keys(run, RUN_KEYS, "run", problems):
            for key in ("started", "finished"):
                if not UTC.match(str(run[key])):
                    problems.append(f"run.{key} {run[key]!r} is no UTC time")
            if not isinstance(run["utcOffsetMinutes"], int):
                problems.append(f"run.utcOffsetMinutes {run['utcOffsetMinutes']!r}")
            if UTC.match(str(run["started"])) and UTC.match(str(run["finished"])) and run["started"] > run["finished"]:
                problems.append("the run finished before it started")

        volumes_seen = []
        totals = {"files": 0, "bytes": 0, "leftOut": 0}
        for product in manifest["products"]:
            pname = product.get("name", "?") if isinstance(product, dict) else "?"
            if not _keys(product, PRODUCT_KEYS, f"product {pname}", problems):
                continue
            volumes = []
            for volume in product["volumes"]:
                if not _keys(volume, VOLUME_KEYS, f"{pname} volume", problems):
                    continue
                vname = volume["name"]
                volumes_seen.append(vname)
                if vname not in names:
                    problems.append(f"{pname}: volume {vname} is not in Data.zip")
                    continue
                content = outer.read(vname)
                volumes.append(content)
                if volume["bytes"] != len(content):
                    problems.append(f"{pname}: volume {vname} has {len(content)} bytes, listed {volume['bytes']}")
                if volume["sha256"] != hashlib.sha256(content).hexdigest():
                    problems.append(f"{pname}: volume {vname}'s SHA-256 differs from its data")
            order = [v["name"] for v in product["volumes"] if isinstance(v, dict) and "name" in v]
            if order != sorted(order, key=_volume_order):
                problems.append(f"{pname}: volumes not listed in their set's order: {order}")
            if not product["volumes"]:
                # Not packed: nothing listed but the one entry that says why.
                if product["files"] or len(product["leftOut"]) != 1 or not _keys(
                        product["leftOut"][0], LEFT_OUT_KEYS, f"{pname} left out", problems) or \
                        not product["leftOut"][0]["reason"]:
                    problems.append(f"{pname}: not packed, yet not one left-out entry with its reason")
                totals["leftOut"] += len(product["leftOut"])
                continue
            if len(volumes) != len(product["volumes"]):
                problems.append(f"{pname}: no complete volume set")
                continue
            try:
                entries = read_split_set(volumes, oem)
            except (ValueError, zlib.error, struct.error) as error:
                problems.append(f"{pname}: its volumes joined are no readable archive: {error}")
                continue
            files = [e for e in entries if not e[1]]
            listed = product["files"]
            listed_names = [f.get("name") for f in listed if isinstance(f, dict)]
            if listed_names != [e[0] for e in files]:
                missing = sorted({e[0] for e in files} - set(listed_names))
                extra = sorted(set(listed_names) - {e[0] for e in files})
                problems.append(f"{pname}: files not listed in archive order (missing {missing[:5]}, "
                                f"not in the archive {extra[:5]})")
            by_name = {e[0]: e for e in files}
            for item in listed:
                if not _keys(item, FILE_KEYS, f"{pname} file {item.get('name') if isinstance(item, dict) else '?'}",
                             problems):
                    continue
                fname = item["name"]
                if not UTC.match(str(item["modified"])):
                    problems.append(f"{pname}: {fname}: modified {item['modified']!r} is no UTC time")
                if not CRC32.match(str(item["crc32"])) or not SHA256.match(str(item["sha256"])):
                    problems.append(f"{pname}: {fname}: crc32 or sha256 not in lower-case hex")
                entry = by_name.get(fname)
                if entry is None:
                    continue
                content = entry[4]
                crc = zlib.crc32(content)
                if crc != entry[3]:
                    problems.append(f"{pname}: {fname}: its data does not have its record's CRC-32")
                if item["bytes"] != len(content):
                    problems.append(f"{pname}: {fname}: {len(content)} bytes packed, listed {item['bytes']}")
                if item["crc32"] != f"{crc:08x}":
                    problems.append(f"{pname}: {fname}: CRC-32 {crc:08x}, listed {item['crc32']}")
                if item["sha256"] != hashlib.sha256(content).hexdigest():
                    problems.append(f"{pname}: {fname}: SHA-256 differs from the packed data")
                totals["bytes"] += item["bytes"]
            totals["files"] += len(listed)
            for each in product["leftOut"]:
                if _keys(each, LEFT_OUT_KEYS, f"{pname} left out", problems) and not each["reason"]:
                    problems.append(f"{pname}: {each['path']} left out without a reason")
            totals["leftOut"] += len(product["leftOut"])

            tree = (sources or {}).get(pname)
            if tree is not None:
                gone = [_normal(e["path"]) for e in product["leftOut"] if isinstance(e, dict) and "path" in e]
                listed_set = set(listed_names)
                for fname in listed_names:
                    path = os.path.join(tree, *fname.split("/"))
                    if not os.path.isfile(path):
                        problems.append(f"{pname}: {fname} is listed but not in the source tree")
                        continue
                    with open(path, "rb") as source:
                        digest = hashlib.sha256(source.read()).hexdigest()
                    item = next(f for f in listed if f.get("name") == fname)
                    if item.get("sha256") != digest:
                        problems.append(f"{pname}: {fname}: SHA-256 is not the source file's own")
                for relative in _walk(tree):
                    if relative in listed_set:
                        continue
                    # Left out itself, or inside a folder that was left out (could not be read).
                    parts = relative.split("/")
                    heads = ["/" + "/".join(parts[:k]) for k in range(1, len(parts) + 1)]
                    if not any(g.endswith(head) for g in gone for head in heads):
                        problems.append(f"{pname}: source file {relative} is neither listed nor left out")
        for source_name in (sources or {}):
            if source_name not in [p.get("name") for p in manifest["products"] if isinstance(p, dict)]:
                problems.append(f"product {source_name} is not in the manifest")

        others = [n for n in names[:-1]]
        if sorted(others) != sorted(volumes_seen):
            problems.append(f"Data.zip holds {sorted(set(others) - set(volumes_seen))} beyond the volumes listed, "
                            f"and lacks {sorted(set(volumes_seen) - set(others))}")

    if _keys(manifest["totals"], TOTAL_KEYS, "totals", problems):
        got = {k: manifest["totals"][k] for k in TOTAL_KEYS}
        if got != totals:
            problems.append(f"totals {got}, the products add up to {totals}")

    all_left = [e for p in manifest["products"] if isinstance(p, dict) for e in p.get("leftOut", [])
                if isinstance(e, dict)]
    for suffix, words in left_out or []:
        wanted = _normal(suffix)
        found = [e for e in all_left if _normal(e["path"]).endswith(wanted)]
        if not found:
            problems.append(f"nothing ending in {suffix} is left out")
        elif not any(all(w in e["reason"] for w in words) for e in found):
            problems.append(f"{suffix} is left out as {[e['reason'] for e in found]}, not with {words}")
    if problems:
        raise ManifestError(problems)
    return manifest


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("data_zip")
    parser.add_argument("--source", action="append", default=[], metavar="PRODUCT=TREE")
    parser.add_argument("--left-out", action="append", default=[], metavar="SUFFIX=WORDS")
    parser.add_argument("--oem", default="cp437", help="code page of names stored without the UTF-8 flag")
    args = parser.parse_args(argv)
    sources = dict(s.split("=", 1) for s in args.source)
    left = [(s.split("=", 1)[0], s.split("=", 1)[1].split("|") if "=" in s else []) for s in args.left_out]
    try:
        manifest = check_data_zip(args.data_zip, sources, left, args.oem)
    except ManifestError as error:
        print(f"{args.data_zip}: manifest problems:")
        for problem in error.problems:
            print("  " + problem)
        return 1
    totals = manifest["totals"]
    print(f"{args.data_zip}: manifest holds: {len(manifest['products'])} products, {totals['files']} files, "
          f"{totals['bytes']} bytes, {totals['leftOut']} left out")
    return 0


if __name__ == "__main__":
    sys.exit(main())

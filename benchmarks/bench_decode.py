"""Decoding speed and memory on the corpus, side by side with ecCodes and pybufrkit.

    pip install eccodes pybufrkit "bitstring<5"   # the peers; pybufrkit needs bitstring 4
    python benchmarks/bench_decode.py [--repeat 5] [--corpus DIR] [--definitions DIR]

Every edition-4 message of the corpus (MANIFEST.tsv) is decoded, one pass per
repetition, by each of these, each in its own subprocess so that its peak
memory (ru_maxrss of that process: interpreter, imports, corpus and decoding)
is its own:

- mervane, tables preloaded: `decode_values_with_tables`, with one TableSet per
  distinct section 1 table combination loaded by `TableSet.from_definitions`
  before timing;
- mervane, definitions per call: `decode_values_with_definitions`, which loads
  the tables on every call;
- ecCodes, every key: open the message, unpack, walk the keys iterator and read
  every key's value(s) into Python;
- ecCodes, bulk arrays: open, unpack, read `numericValues` and `stringValues`;
- pybufrkit: decode the message and collect the values of every subset.

First each tool decodes every message once and its failures are counted. Then
the timed passes run over the messages that every available tool decodes, so
that all rows cover the same work. Values are counted as each tool gives them
(ours: DecodedValue objects, markers and associated fields included; ecCodes:
values of the data keys, or numericValues entries; pybufrkit: decoded values of
all subsets). The Markdown table goes to standard output.
"""

from __future__ import annotations

import argparse
import csv
import json
import os
import resource
import statistics
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
DEFAULT_CORPUS = REPO.parent / "shared" / "corpus"
DEFAULT_DEFINITIONS = os.environ.get("MERVANE_DEFINITIONS", "/usr/share/eccodes/definitions")

TOOLS = {
    "mervane-tables": "mervane, `decode_values_with_tables` (tables preloaded)",
    "mervane-definitions": "mervane, `decode_values_with_definitions` (tables loaded per call)",
    "eccodes-keys": "ecCodes, unpack + every key",
    "eccodes-arrays": "ecCodes, unpack + numericValues/stringValues",
    "pybufrkit": "pybufrkit, decode + values of all subsets",
}
BASELINE = "mervane-tables"


def corpus_messages(corpus: Path) -> list[tuple[str, bytes]]:
    """The edition-4 messages listed in MANIFEST.tsv, as (name, bytes)."""
    messages = []
    files: dict[str, bytes] = {}
    with open(corpus / "MANIFEST.tsv", newline="") as manifest:
        for row in csv.DictReader(manifest, delimiter="\t"):
            if row["edition"] != "4":
                continue
            data = files.get(row["file"])
            if data is None:
                data = files[row["file"]] = (corpus / row["file"]).read_bytes()
            offset = int(row["byte_offset"])
            length = int.from_bytes(data[offset + 4 : offset + 7], "big")
            name = f"{row['file']}#{row['message_index']}"
            messages.append((name, data[offset : offset + length]))
    return messages


# Each decoder takes the list of messages and returns, per message, a function
# that decodes it and returns the number of values it read.


def mervane_tables(messages, definitions):
    import _mervane

    tables = {}
    decoders = []
    for data in messages:
        try:
            message = _mervane.parse_bytes(data)
            key = (
                message.master_table_number,
                message.master_tables_version_number,
                message.local_tables_version_number,
                message.originating_centre,
                message.originating_subcentre,
            )
            if key not in tables:
                tables[key] = _mervane.TableSet.from_definitions(definitions, message)
            table_set = tables[key]
        except (ValueError, NotImplementedError) as failure:
            decoders.append(_failing(failure))
            continue
        decoders.append(lambda d=data, t=table_set: len(_mervane.decode_values_with_tables(d, t)))
    return decoders


def mervane_definitions(messages, definitions):
    import _mervane

    return [
        lambda d=data: len(_mervane.decode_values_with_definitions(d, definitions))
        for data in messages
    ]


def eccodes_keys(messages, definitions):
    import eccodes

    def decode(data):
        handle = eccodes.codes_new_from_message(data)
        try:
            eccodes.codes_set(handle, "unpack", 1)
            iterator = eccodes.codes_bufr_keys_iterator_new(handle)
            count = 0
            try:
                while eccodes.codes_bufr_keys_iterator_next(iterator):
                    key = eccodes.codes_bufr_keys_iterator_get_name(iterator)
                    if eccodes.codes_get_native_type(handle, key) is str:
                        values = eccodes.codes_get_string_array(handle, key)
                    else:
                        values = eccodes.codes_get_array(handle, key)
                    if key.startswith("#"):
                        count += len(values)
            finally:
                eccodes.codes_bufr_keys_iterator_delete(iterator)
            return count
        finally:
            eccodes.codes_release(handle)

    return [lambda d=data: decode(d) for data in messages]


def eccodes_arrays(messages, definitions):
    import eccodes

    def decode(data):
        handle = eccodes.codes_new_from_message(data)
        try:
            eccodes.codes_set(handle, "unpack", 1)
            numbers = eccodes.codes_get_array(handle, "numericValues").tolist()
            if eccodes.codes_get_size(handle, "stringValues") > 0:
                eccodes.codes_get_string_array(handle, "stringValues")
            return len(numbers)
        finally:
            eccodes.codes_release(handle)

    return [lambda d=data: decode(d) for data in messages]


def pybufrkit(messages, definitions):
    from pybufrkit.decoder import Decoder

    decoder = Decoder()

    def decode(data):
        message = decoder.process(data)
        subsets = message.template_data.value.decoded_values_all_subsets
        return sum(len(values) for values in subsets)

    return [lambda d=data: decode(d) for data in messages]


DECODERS = {
    "mervane-tables": mervane_tables,
    "mervane-definitions": mervane_definitions,
    "eccodes-keys": eccodes_keys,
    "eccodes-arrays": eccodes_arrays,
    "pybufrkit": pybufrkit,
}


def _failing(failure):
    def decode():
        raise failure

    return decode


def worker(tool: str, corpus: Path, definitions: str, repeat: int, only: list[int] | None):
    """Runs in its own process; prints one JSON object."""
    messages = corpus_messages(corpus)
    if only is not None:
        messages = [messages[i] for i in only]
    try:
        decoders = DECODERS[tool]([data for _, data in messages], definitions)
    except Exception as failure:  # the tool is not installed or does not start
        print(json.dumps({"unavailable": f"{type(failure).__name__}: {failure}"}))
        return
    if only is None:
        ok, failures = [], {}
        for index, decode in enumerate(decoders):
            try:
                decode()
                ok.append(index)
            except Exception as failure:
                kind = f"{type(failure).__name__}: {str(failure)[:80]}"
                failures[kind] = failures.get(kind, 0) + 1
        if not ok and failures:  # not built yet, or a broken install: keep it out of the run
            kind = max(failures, key=failures.get)
            print(json.dumps({"unavailable": f"fails on every message: {kind}"}))
            return
        print(json.dumps({"ok": ok, "failures": failures}))
        return
    values = sum(decode() for decode in decoders)  # warm-up; fails loudly if a message fails
    seconds = []
    for _ in range(repeat):
        start = time.perf_counter()
        for decode in decoders:
            decode()
        seconds.append(time.perf_counter() - start)
    peak_kib = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    print(json.dumps({"seconds": seconds, "values": values, "peak_kib": peak_kib}))


def run_worker(tool, args, only=None):
    command = [
        sys.executable,
        __file__,
        "--worker",
        tool,
        "--corpus",
        str(args.corpus),
        "--definitions",
        args.definitions,
        "--repeat",
        str(args.repeat),
    ]
    if only is not None:
        command += ["--only", ",".join(map(str, only))]
    done = subprocess.run(command, capture_output=True, text=True)
    lines = [line for line in done.stdout.splitlines() if line.startswith("{")]
    if done.returncode != 0 or not lines:
        tail = (done.stderr.strip().splitlines() or ["no output"])[-1]
        return {"unavailable": f"worker exited with {done.returncode}: {tail}"}
    return json.loads(lines[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--corpus", type=Path, default=DEFAULT_CORPUS)
    parser.add_argument("--definitions", default=DEFAULT_DEFINITIONS)
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--tools", default=",".join(TOOLS))
    parser.add_argument("--worker", help=argparse.SUPPRESS)
    parser.add_argument("--only", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.worker:
        only = [int(i) for i in args.only.split(",") if i] if args.only is not None else None
        worker(args.worker, args.corpus, args.definitions, args.repeat, only)
        return

    tools = [t for t in args.tools.split(",") if t]
    total = len(corpus_messages(args.corpus))
    probes = {tool: run_worker(tool, args) for tool in tools}
    available = [t for t in tools if "ok" in probes[t]]
    common = set(range(total))
    for tool in available:
        common &= set(probes[tool]["ok"])
    common_list = sorted(common)
    timings = {tool: run_worker(tool, args, common_list) for tool in available}

    base = timings.get(BASELINE, {})
    base_seconds = statistics.median(base["seconds"]) if "seconds" in base else None
    print(
        f"Edition-4 corpus messages: {total}; timed on the {len(common_list)} that every "
        f"available tool decodes; median of {args.repeat} passes; {sys.version.split()[0]}."
    )
    print()
    print(
        "| tool | messages/s | values/s | pass (ms) | time vs ours | peak RSS (MiB) "
        "| failures (of all) |"
    )
    print("|---|---:|---:|---:|---:|---:|---:|")
    for tool in tools:
        label = TOOLS[tool]
        probe = probes[tool]
        timing = timings.get(tool, probe)
        if "seconds" not in timing:
            reason = timing.get("unavailable", "failed")
            print(f"| {label} | n/a | n/a | n/a | n/a | n/a | n/a ({reason}) |")
            continue
        seconds = statistics.median(timing["seconds"])
        if seconds <= 0:
            print(f"| {label} | n/a | n/a | n/a | n/a | n/a | n/a (no common message) |")
            continue
        failures = sum(probe["failures"].values())
        ratio = f"{seconds / base_seconds:.2f}×" if base_seconds else "n/a"
        print(
            f"| {label} | {len(common_list) / seconds:,.0f} | {timing['values'] / seconds:,.0f} "
            f"| {seconds * 1e3:,.1f} | {ratio} | {timing['peak_kib'] / 1024:,.0f} "
            f"| {failures} |"
        )
    print()
    for tool in tools:
        for kind, count in sorted(probes[tool].get("failures", {}).items()):
            print(f"- {tool}: {count} × {kind}")


if __name__ == "__main__":
    main()

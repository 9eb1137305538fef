#!/usr/bin/env python3
"""Writes sample-dictionary-4600.json, the sample's next release, from sample-dictionary.json.

Release 4600 is an upgrade of the kind TAVRIN ships: new tables for claim attachments and provider
networks, a retired table, a table filed under another area, reworded descriptions, widened types,
moved key flags, new screen labels, renamed and reordered columns, and valid values added, dropped
and described anew. The choices are made with a seeded generator, so running it again gives the same file.
Usage: python3 make-next-release.py [input.json] [output.json]
"""

import json
import random
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
rng = random.Random(4600)

# Main's fields, as the sample writes them.
TABLE, COLUMN, AREA, TYPE, ATTRS, LOGICAL, DEFINITION, PK, FK, SEQ, LABEL, CONTROL = range(12)


def load(path):
    with open(path, encoding="utf-8") as f:
        description = json.load(f)
    return description, {t["name"]: t["rows"] for t in description["tables"]}


def columns_of(main, table):
    return sorted((r for r in main if r[TABLE] == table), key=lambda r: r[SEQ])


def pick_tables(main, count, exclude=()):
    names = sorted({r[TABLE] for r in main} - set(exclude))
    return rng.sample(names, count)


def add_table(rows, area, table, logical, description, columns, values):
    assert all(r[TABLE] != table for r in rows["Main"]), table + " is in the sample already"
    for seq, (column, data_type, attrs, logical_desc, definition, pk, fk, label, control) in enumerate(columns, 1):
        rows["Main"].append([table, column, area, data_type, attrs, logical_desc, definition, pk, fk, seq, label, control])
    rows["CDS_TBL_TABLE_DESC"].append([table, description, logical, area])
    for column, value, meaning in values:
        rows["Values"].append([value, meaning, area, table, column])


def new_tables(rows):
    add_table(rows, "clcl", "CLAD_CLAIM_DOCUMENT", "Claim Document",
              "The Claim Document table (CLAD_CLAIM_DOCUMENT). One row for each document sent with a claim: "
              "medical records, itemized bills and operative reports. The document itself is kept in the imaging "
              "system; the row holds its control number.",
              [("CLAD_ID", "char", "12", "Claim Document Identifier",
                "The identifier of the attachment as the imaging system knows it.", True, False, "Attachment ID", "TextBox"),
               ("CLCL_ID", "char", "12", "Claim Identifier", "The claim the document was sent with (CLCL_CLAIM).",
                False, True, "Claim ID", "TextBox"),
               ("CLAD_TYPE", "char", "2", "Attachment Type", "The kind of document; the valid values are listed below.",
                False, False, "Type", "ComboBox"),
               ("CLAD_RCVD_DT", "datetime", None, "Received Date", "The day the document was received.",
                False, False, "Received", "DatePicker")],
              [("CLAD_TYPE", "MR", "Medical records"), ("CLAD_TYPE", "IB", "Itemized bill"),
               ("CLAD_TYPE", "OR", "Operative report"), ("CLAD_TYPE", "OT", "Other document")])
    add_table(rows, "prov", "PRNW_PROVIDER_NETWORK", "Provider Network",
              "The Provider Network table (PRNW_PROVIDER_NETWORK). A network groups the providers that accept one "
              "fee schedule; a provider may belong to several networks over time.",
              [("PRNW_ID", "char", "8", "Network Identifier", "The identifier of the network.", True, False,
                "Network", "TextBox"),
               ("PRNW_NAME", "varchar", "50", "Network Name", "The name of the network as it prints on directories.",
                False, False, "Name", "TextBox"),
               ("PRNW_TIER", "char", "1", "Network Tier", "The benefit tier members reach in this network.",
                False, False, "Tier", "ComboBox")],
              [("PRNW_TIER", "1", "Preferred"), ("PRNW_TIER", "2", "Standard"), ("PRNW_TIER", "3", "Out of network")])


def retire_table(rows, table):
    rows["Main"][:] = [r for r in rows["Main"] if r[TABLE] != table]
    rows["CDS_TBL_TABLE_DESC"][:] = [r for r in rows["CDS_TBL_TABLE_DESC"] if r[0] != table]
    rows["Values"][:] = [r for r in rows["Values"] if r[3] != table]


def move_table(rows, table, area):
    for r in rows["Main"]:
        if r[TABLE] == table:
            r[AREA] = area
    for r in rows["CDS_TBL_TABLE_DESC"]:
        if r[0] == table:
            r[3] = area
    for r in rows["Values"]:
        if r[3] == table:
            r[2] = area


REWORDINGS = [
    (" is ", " is always "), ("The ", "This "), (" the ", " each "), (".", ", as of release 4600."),
]


def reword(text):
    before, after = rng.choice([w for w in REWORDINGS if w[0] in text] or [(".", ", as of release 4600.")])
    at = text.find(before)
    return text[:at] + after + text[at + len(before):] if at >= 0 else text + " Revised in release 4600."


def column_changes(main, tables):
    """Edits columns of the given tables, one kind of change after another."""
    changed = iter(tables)
    for _ in range(6):  # widened types
        cols = [r for r in columns_of(main, next(changed)) if r[TYPE] in ("char", "varchar") and r[ATTRS]]
        if cols:
            row = rng.choice(cols)
            row[ATTRS] = str(int(row[ATTRS].split(",")[0]) + 10)
    for _ in range(2):  # a type that changes kind
        cols = [r for r in columns_of(main, next(changed)) if r[TYPE] == "smallint"]
        if cols:
            rng.choice(cols)[TYPE] = "int"
    for _ in range(3):  # key flags
        row = rng.choice(columns_of(main, next(changed)))
        row[FK] = not row[FK]
    row = rng.choice([r for r in columns_of(main, next(changed))])
    row[PK] = not row[PK]
    for _ in range(4):  # logical descriptions
        row = rng.choice(columns_of(main, next(changed)))
        row[LOGICAL] = (row[LOGICAL] or "") + " (Revised)"
    for _ in range(6):  # data definitions
        row = rng.choice(columns_of(main, next(changed)))
        row[DEFINITION] = reword(row[DEFINITION] or "")
    for _ in range(4):  # screen labels and controls
        cols = [r for r in columns_of(main, next(changed)) if r[CONTROL]]
        if cols:
            row = rng.choice(cols)
            row[LABEL] = (row[LABEL] or row[LOGICAL]).upper()
            if row[CONTROL] == "TextBox":
                row[CONTROL] = "MaskedTextBox"
    for _ in range(3):  # two columns that trade places
        cols = columns_of(main, next(changed))
        if len(cols) > 3:
            a, b = rng.sample(cols[1:], 2)
            a[SEQ], b[SEQ] = b[SEQ], a[SEQ]
    for _ in range(2):  # renamed columns: same type, same place
        cols = columns_of(main, next(changed))
        row = rng.choice(cols[1:])
        row[COLUMN] = row[COLUMN] + "_CD" if not row[COLUMN].endswith("_CD") else row[COLUMN][:-3] + "_CODE"
    for _ in range(4):  # columns removed
        cols = columns_of(main, next(changed))
        main.remove(cols[-1])
    for _ in range(6):  # columns added at the end
        cols = columns_of(main, next(changed))
        last = cols[-1]
        prefix = last[COLUMN].split("_")[0]
        main.append([last[TABLE], prefix + "_EXT_REF_ID", last[AREA], "varchar", "30", "External Reference",
                     "The identifier the sending partner gives the row, kept so that its questions can be answered.",
                     False, False, last[SEQ] + 1, "External Ref", "TextBox"])


def value_changes(values):
    groups = {}
    for r in values:
        groups.setdefault((r[2], r[3], r[4]), []).append(r)
    keys = rng.sample(sorted(groups), 15)
    for key in keys[:5]:  # values added
        area, table, column = key
        values.append(["XX", "Converted from the prior system; not to be used for new rows", area, table, column])
    for key in keys[5:9]:  # values dropped
        values.remove(groups[key][-1])
    for key in keys[9:14]:  # values described anew
        row = groups[key][0]
        row[1] = (row[1] or "") + " (see the release notes)"


def table_changes(descriptions, tables):
    by_name = {r[0]: r for r in descriptions}
    for name in tables[:2]:
        row = by_name[name]
        row[2] = row[2] + " History" if not row[2].endswith("History") else row[2]
    for name in tables[2:6]:
        row = by_name[name]
        row[1] = reword(row[1])


def main():
    source = Path(sys.argv[1]) if len(sys.argv) > 1 else HERE / "sample-dictionary.json"
    target = Path(sys.argv[2]) if len(sys.argv) > 2 else HERE / "sample-dictionary-4600.json"
    description, rows = load(source)
    retired, moved = pick_tables(rows["Main"], 2)
    described = {r[0] for r in rows["CDS_TBL_TABLE_DESC"]}
    tables = [t for t in pick_tables(rows["Main"], 60, (retired, moved)) if t in described]
    retire_table(rows, retired)
    move_table(rows, moved, "syst" if next(r[AREA] for r in rows["Main"] if r[TABLE] == moved) != "syst" else "util")
    new_tables(rows)
    table_changes(rows["CDS_TBL_TABLE_DESC"], tables[:6])
    column_changes(rows["Main"], tables[6:])
    value_changes(rows["Values"])
    rows["CDS_TBL_RELS_RELEASES"].append([4600, "2008-03-10", "Claim attachments and provider networks"])
    with open(target, "w", encoding="utf-8") as out:
        out.write("{\"tables\": [\n")
        for t, table in enumerate(description["tables"]):
            head = {k: v for k, v in table.items() if k != "rows"}
            out.write(json.dumps(head, ensure_ascii=False)[:-1] + ", \"rows\": [\n")
            out.write(",\n".join(json.dumps(row, ensure_ascii=False) for row in table["rows"]))
            out.write("\n]}" + (",\n" if t + 1 < len(description["tables"]) else "\n"))
        out.write("]}\n")


main()

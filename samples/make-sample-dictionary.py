#!/usr/bin/env python3
"""Writes sample-dictionary.json, the sample dictionary that the build turns into an .mdb file.

The product tables come from areas.txt; their columns, descriptions and valid values are composed here
from a fixed vocabulary with a seeded generator, so that running the script again gives the same file.
Usage: python3 make-sample-dictionary.py [output.json]
"""

import json
import random
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent
rng = random.Random(4512)

# A column kind: suffix of the column name, logical name, data type, data attributes (None when the type
# has none), screen control (None when the column is not on a screen), valid values, definition.
KINDS = {
    "ID": ("Identifier", "char", "12", "TextBox", None,
           "The identifier of the {entity} as the user knows it. It is entered once, when the {entity} is "
           "added, and cannot be changed afterwards."),
    "NAME": ("Name", "varchar", "50", "TextBox", None, "The name of the {entity} as it prints on letters and reports."),
    "DESC": ("Description", "varchar", "70", "TextBox", None, "A free-text description of the {entity}."),
    "STS": ("Status", "char", "2", "ComboBox",
            [("AC", "Active"), ("IN", "Inactive"), ("PD", "Pending"), ("CL", "Closed"), ("VD", "Void")],
            "The current status of the {entity}. Only an active {entity} is used by the on-line processes; "
            "a void {entity} is kept for history only."),
    "TYPE": ("Type", "char", "1", "ComboBox", None, "Classifies the {entity}; the valid values are listed below."),
    "EFF_DT": ("Effective Date", "datetime", None, "DatePicker", None,
               "The first day on which the {entity} is in effect."),
    "TERM_DT": ("Termination Date", "datetime", None, "DatePicker", None,
                "The last day on which the {entity} is in effect. An open-ended {entity} carries 12/31/9999."),
    "AMT": ("Amount", "money", None, "TextBox", None, "The amount of the {entity}, in dollars and cents."),
    "PCT": ("Percentage", "decimal", "5,2", "TextBox", None, "The percentage that applies to the {entity}."),
    "CNT": ("Count", "smallint", None, "TextBox", None, "The number of times the {entity} has been processed."),
    "IND": ("Indicator", "char", "1", "CheckBox", [("Y", "Yes"), ("N", "No")],
            "Y when the {entity} is to be included in the nightly cycle, N otherwise."),
    "RSN_CD": ("Reason Code", "char", "4", "ComboBox", None,
               "The reason recorded by the user or the system for the last change to the {entity}."),
    "PRI": ("Priority", "tinyint", None, "ComboBox", [("1", "Urgent"), ("2", "High"), ("3", "Routine")],
            "The priority in which the {entity} is worked; 1 is worked first."),
    "SEQ_NO": ("Sequence Number", "smallint", None, None, None,
               "Orders the rows of the {entity} that belong to the same parent."),
    "NOTE": ("Note", "varchar", "255", "TextBox", None,
             "A note that the user entered about the {entity}. The note is not printed."),
    "SRC_CD": ("Source Code", "char", "1", "ComboBox",
               [("O", "On-line entry"), ("B", "Batch load"), ("E", "Electronic transaction"), ("W", "Web portal")],
               "Tells how the {entity} entered the system."),
    "EXT_REF": ("External Reference", "varchar", "30", "TextBox", None,
                "A reference number that an outside party gave the {entity}."),
    "CREATE_DT": ("Create Date", "datetime", None, None, None, "The date on which the {entity} was added."),
}

# Kinds that only some areas use, with the areas that use them.
AREA_KINDS = {
    "acct": {"GL_ACCT_NO": ("General Ledger Account Number", "char", "20", "MaskedEdit", None,
                            "The general ledger account to which the {entity} posts."),
             "DEBIT_AMT": ("Debit Amount", "money", None, "TextBox", None, "The debit side of the {entity}."),
             "CREDIT_AMT": ("Credit Amount", "money", None, "TextBox", None, "The credit side of the {entity}."),
             "POST_DT": ("Posting Date", "datetime", None, "DatePicker", None,
                         "The date on which the {entity} was posted to the ledger.")},
    "bill": {"DUE_DT": ("Due Date", "datetime", None, "DatePicker", None, "The date by which the {entity} is to be paid."),
             "BAL_AMT": ("Balance Amount", "money", None, "TextBox", None, "The amount of the {entity} still owed."),
             "FREQ": ("Billing Frequency", "char", "1", "ComboBox",
                      [("M", "Monthly"), ("Q", "Quarterly"), ("S", "Semi-annual"), ("A", "Annual")],
                      "How often the {entity} is billed.")},
    "clcl": {"SVC_FROM_DT": ("Service From Date", "datetime", None, "DatePicker", None,
                             "The first date of service on the {entity}."),
             "SVC_TO_DT": ("Service To Date", "datetime", None, "DatePicker", None,
                           "The last date of service on the {entity}."),
             "CHG_AMT": ("Charge Amount", "money", None, "TextBox", None, "The amount the provider billed."),
             "ALLOW_AMT": ("Allowed Amount", "money", None, "TextBox", None, "The amount allowed after pricing."),
             "PAID_AMT": ("Paid Amount", "money", None, "TextBox", None, "The amount paid on the {entity}."),
             "DED_AMT": ("Deductible Amount", "money", None, "TextBox", None,
                         "The part of the allowed amount applied to the member's deductible."),
             "POS_CD": ("Place Of Service", "char", "2", "ComboBox",
                        [("11", "Office"), ("21", "Inpatient hospital"), ("22", "Outpatient hospital"),
                         ("23", "Emergency room"), ("81", "Independent laboratory")],
                        "Where the service was rendered.")},
    "mesb": {"LAST_NAME": ("Last Name", "varchar", "35", "TextBox", None, "The family name of the person."),
             "FIRST_NAME": ("First Name", "varchar", "15", "TextBox", None, "The given name of the person."),
             "BIRTH_DT": ("Birth Date", "datetime", None, "DatePicker", None, "The person's date of birth."),
             "SEX": ("Gender", "char", "1", "ComboBox", [("F", "Female"), ("M", "Male"), ("U", "Unknown")],
                     "The gender of the person as reported on the enrollment form."),
             "REL": ("Relationship", "char", "1", "ComboBox",
                     [("M", "Subscriber"), ("S", "Spouse"), ("D", "Dependent child"), ("O", "Other dependent")],
                     "The relationship of the member to the subscriber.")},
    "prov": {"NPI": ("National Provider Identifier", "char", "10", "MaskedEdit", None,
                     "The ten-digit national identifier of the provider."),
             "TAX_ID": ("Tax Identification Number", "char", "9", "MaskedEdit", None,
                        "The tax identifier under which the provider is paid."),
             "SPEC_CD": ("Specialty Code", "char", "3", "ComboBox", None, "The provider's primary specialty."),
             "PAR_IND": ("Participating Indicator", "char", "1", "CheckBox", [("Y", "Participating"), ("N", "Not participating")],
                         "Y when the provider has a contract in force.")},
    "plan": {"COPAY_AMT": ("Copay Amount", "money", None, "TextBox", None, "The fixed amount the member pays."),
             "COINS_PCT": ("Coinsurance Percentage", "decimal", "5,2", "TextBox", None,
                           "The share of the allowed amount the member pays after the deductible."),
             "TIER": ("Network Tier", "char", "1", "ComboBox", [("1", "Preferred"), ("2", "In network"), ("3", "Out of network")],
                      "The network tier to which the {entity} applies.")},
}
SHARED_AREA_KINDS = {"itsc": "clcl", "util": "clcl", "mcar": "prov", "case": "mesb", "cust": "mesb", "crcr": "bill",
                     "coco": "bill", "txtx": "acct", "obxp": "clcl", "itsp": "plan"}

# Keys of other tables that many tables refer to.
FOREIGN = {
    "MEME_CK": ("Member Contrived Key", "MEME_MEMBER", "the member"),
    "SBSB_CK": ("Subscriber Contrived Key", "SBSB_SUBSCRIBER", "the subscriber"),
    "PRPR_CK": ("Provider Contrived Key", "PRPR_PROVIDER", "the provider"),
    "PLGR_CK": ("Group Contrived Key", "PLGR_GROUP", "the employer group"),
    "CLCL_CK": ("Claim Contrived Key", "CLCL_CLAIM", "the claim"),
}
AREA_FOREIGN = {"clcl": ["MEME_CK", "PRPR_CK"], "itsc": ["CLCL_CK", "MEME_CK"], "mesb": ["SBSB_CK", "PLGR_CK"],
                "case": ["MEME_CK"], "cust": ["MEME_CK"], "util": ["MEME_CK", "PRPR_CK"], "mcar": ["MEME_CK", "PRPR_CK"],
                "bill": ["PLGR_CK"], "plan": ["PLGR_CK"], "crcr": ["PRPR_CK"], "prov": [], "obxp": ["PRPR_CK"],
                "txtx": ["PRPR_CK"], "coco": ["PLGR_CK"], "acct": [], "thpr": ["MEME_CK"]}

TYPE_VALUES = [("A", "Standard"), ("B", "Special handling"), ("C", "Conversion"), ("M", "Manual"), ("S", "System generated")]
REASON_VALUES = [("AD01", "Added by user request"), ("CH02", "Corrected data entry error"), ("RT03", "Retroactive change"),
                 ("SY04", "Changed by the nightly cycle"), ("TR05", "Terminated at the group's request"), ("OT99", None)]

LONG_SENTENCES = [
    "When the {entity} is changed after it has been used by a claim, the change applies only to claims "
    "received after the change; claims already processed are not adjusted automatically.",
    "The value is validated against the code table at the time of entry, and an invalid value stops the "
    "transaction with a message to the user.",
    "The nightly cycle reads this column to decide whether the {entity} must be reprocessed; a value that "
    "is changed during the day is therefore picked up the following night.",
    "For members who transferred from a previous carrier, the conversion programs load this column from "
    "the carrier's file; the loaded value may not follow the rules that apply to on-line entry.",
    "Reports that summarize the {entity} by month use this column together with the effective date, "
    "so both must be filled for the report totals to balance.",
    "The column is kept for compatibility with earlier releases. New installations should not rely on it, "
    "and it may be removed in a future release.",
    "Where the plan's benefit rules call for a different treatment, the rule found on the benefit summary "
    "overrides the value recorded here.",
    "The user's security profile decides whether the column can be changed on line; users without the "
    "update right see the value but cannot change it.",
    "Electronic transactions carry the same value in the corresponding element; the inbound translator "
    "maps it to this column without conversion.",
    "An empty value means that the {entity} has not yet been reviewed; the work queue lists such rows "
    "first.",
]

TABLE_SENTENCES = [
    "Each row records one {entity}.",
    "Rows are added on line by the users of the {area} screens and by the batch programs of the nightly cycle.",
    "A row is never deleted; it is ended by setting its termination date, so that history stays available.",
    "The table is read by the reports of the {area} area and by the extract programs.",
    "The table was introduced in release {release} and extended in later releases.",
    "The contrived key is assigned by the system from a sequence counter when the row is added.",
    "Changes to a row are written to the audit log together with the user's identifier.",
]

RELEASES = [(3100, "1998-03-16", "Initial release of the dictionary"),
            (3200, "1999-05-03", "Year 2000 date changes"),
            (3500, "2001-02-12", "Electronic transactions and web access"),
            (4000, "2003-04-14", "Privacy rules and transaction standards"),
            (4100, "2004-06-07", "Interplan claims"),
            (4200, "2005-09-19", "Managed care and utilization review"),
            (4510, "2007-01-22", "Pricing and decision support")]


def read_areas():
    areas, current = [], None
    for line in (HERE / "areas.txt").read_text(encoding="utf-8").splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        head, rest = line.split(" ", 1)
        if head == "=":
            current["shared"].append(rest.strip())
        elif head.islower():
            current = {"code": head, "title": rest.strip(), "tables": [], "shared": []}
            areas.append(current)
        else:
            name = head + "_" + rest.strip().upper().replace(" ", "_")
            current["tables"].append({"prefix": head, "logical": rest.strip(), "name": name})
    return areas


def sentence_case(text):
    return text[0].upper() + text[1:]


def definition(kind_text, entity, long_text):
    text = kind_text.format(entity=entity)
    if long_text:
        extra = rng.sample(LONG_SENTENCES, rng.choice([3, 4, 5, 6, 10]))
        text += " " + " ".join(s.format(entity=entity) for s in extra)
    return text


def make_columns(table, area):
    prefix, entity = table["prefix"], table["logical"].lower()
    columns = []

    def add(name, logical, dtype, attrs, control, values, pd, primary=False, foreign=False, gui=True):
        columns.append({
            "name": name, "logical": logical, "type": dtype, "attrs": attrs, "pd": pd,
            "pk": primary, "fk": foreign, "gui": (logical if gui and control else None),
            "control": control if gui else None, "values": values,
        })

    add(prefix + "_CK", table["logical"] + " Contrived Key", "int", None, None, None,
        f"The system-assigned key of the {entity}. It is unique across all {entity} rows and is never shown "
        "to the user.", primary=True, gui=False)

    parent = table.get("parent")
    if parent:
        add(parent["prefix"] + "_CK", parent["logical"] + " Contrived Key", "int", None, None, None,
            f"The key of the {parent['logical'].lower()} to which this {entity} belongs.",
            primary=True, foreign=True, gui=False)
        add(prefix + "_SEQ_NO", "Sequence Number", "smallint", None, None, None,
            f"Numbers the {entity} rows of one {parent['logical'].lower()}, starting at 1.", primary=True, gui=False)

    for key in AREA_FOREIGN.get(area, []):
        if key.startswith(prefix) or rng.random() < 0.35:
            continue
        logical, target, what = FOREIGN[key]
        add(key, logical, "int", None, None, None,
            f"The key of {what} ({target}) to which the {entity} refers.", foreign=True, gui=False)

    kinds = dict(KINDS)
    kinds.update(AREA_KINDS.get(SHARED_AREA_KINDS.get(area, area), {}))
    area_specific = list(AREA_KINDS.get(SHARED_AREA_KINDS.get(area, area), {}).keys())
    generic = [k for k in KINDS if k not in ("ID",)]
    chosen = []
    if rng.random() < 0.6:
        chosen.append("ID")
    chosen += rng.sample(area_specific, min(len(area_specific), rng.randint(1, 4))) if area_specific else []
    chosen += rng.sample(generic, rng.randint(3, 11))
    for suffix in chosen:
        logical, dtype, attrs, control, values, pd = kinds[suffix]
        if suffix == "TYPE":
            values = TYPE_VALUES[: rng.randint(2, 5)]
        elif suffix == "RSN_CD":
            values = REASON_VALUES
        long_text = rng.random() < 0.08
        add(f"{prefix}_{suffix}", f"{table['logical']} {logical}", dtype, attrs, control, values,
            definition(pd, entity, long_text))

    add(prefix + "_LAST_UPD_DTM", "Last Update Date and Time", "datetime", None, None, None,
        "The date and time of the last change to the row.", gui=False)
    add(prefix + "_LAST_UPD_USER_ID", "Last Update User", "char", "10", None, None,
        "The identifier of the user who last changed the row (SYUS_USER).", foreign=True, gui=False)
    add(prefix + "_LOCK_TOKEN", "Lock Token", "smallint", None, None, None,
        "Counts the changes to the row; an update that finds a different count than it read is refused, "
        "so that two users cannot overwrite each other's changes.", gui=False)

    # A few columns lack a logical description or show a screen label without a control.
    for column in columns:
        if rng.random() < 0.02:
            column["logical"] = None
        if column["control"] and rng.random() < 0.03:
            column["control"] = None
    return columns


def table_description(table, area, long_text):
    sentences = rng.sample(TABLE_SENTENCES, rng.randint(2, 4))
    text = f"The {table['logical']} table ({table['name']}). " + " ".join(
        s.format(entity=table["logical"].lower(), area=area["title"], release=rng.choice(RELEASES)[0])
        for s in sentences)
    if long_text:
        text += " " + " ".join(s.format(entity=table["logical"].lower())
                               for s in rng.sample(LONG_SENTENCES, 7))
    return text


def main():
    output = Path(sys.argv[1]) if len(sys.argv) > 1 else HERE / "sample-dictionary.json"
    areas = read_areas()
    by_name = {}
    for area in areas:
        for i, table in enumerate(area["tables"]):
            by_name[table["name"]] = (area, table)
            # A table whose logical name extends an earlier one of its area is that table's child.
            for other in area["tables"][:i]:
                if table["logical"].startswith(other["logical"] + " "):
                    table["parent"] = other
    for area in areas:
        for table in area["tables"]:
            table["columns"] = make_columns(table, area["code"])

    main_rows, desc_rows, value_rows = [], [], []
    undescribed = {"ACFE_FUND_ENTITY", "CTGR_CRITERIA_GROUP", "HPOP_OPT_OUT", "DSFL_FLAT_FILE_LAYOUT"}
    null_description = "SYPR_PRINTER"

    def emit(area_code, table):
        columns = table["columns"]
        step = 10 if table["prefix"].endswith("R") else 1  # some tables number their columns in tens
        rows = []
        for seq, column in enumerate(columns, start=1):
            rows.append([table["name"], column["name"], area_code, column["type"], column["attrs"],
                         column["logical"], column["pd"], column["pk"], column["fk"], seq * step,
                         column["gui"], column["control"]])
            for value, meaning in column["values"] or []:
                value_rows.append([value, meaning, area_code, table["name"], column["name"]])
        # Rows are not stored in column order: the program orders them itself.
        if len(table["name"]) % 3 == 0:
            rows.reverse()
        main_rows.extend(rows)

    for area in areas:
        for table in area["tables"]:
            emit(area["code"], table)
            if table["name"] in undescribed:
                continue
            description = None if table["name"] == null_description else table_description(
                table, area, rng.random() < 0.1)
            desc_rows.append([table["name"], description, table["logical"], area["code"]])
        for name in area["shared"]:
            home_area, table = by_name[name]
            emit(area["code"], table)
            desc_rows.append([table["name"], table_description(table, home_area, False), table["logical"], area["code"]])

    # The claim's paid amount was redefined in a later release and both rows were kept.
    claim = by_name["CLCL_CLAIM"][1]
    paid = next((c for c in claim["columns"] if c["name"] == "CLCL_PAID_AMT"), None)
    if paid:
        main_rows.append(["CLCL_CLAIM", "CLCL_PAID_AMT", "clcl", "money", None, "Claim Paid Amount (before release 4200)",
                          "The amount paid on the claim, before withholds were taken into account.", False, False,
                          claim["columns"].index(paid) + 1, "Paid", "TextBox"])

    text = lambda name, size: {"name": name, "type": "text", "size": size}
    description = {"tables": [
        {"name": "Main", "columns": [
            text("Table", 64), text("Column", 64), text("Functional Area", 10), text("Data Type", 30),
            text("Data Attributes", 20), text("Logical Desc", 255), {"name": "PD_Definition", "type": "memo"},
            {"name": "Primary Key", "type": "bool"}, {"name": "Foreign Key", "type": "bool"},
            {"name": "Column_SeqNo", "type": "long"}, text("GUI Name", 60), text("GUI Control", 30)],
         "rows": main_rows},
        {"name": "CDS_TBL_TABLE_DESC", "columns": [
            text("Table", 64), {"name": "Description", "type": "memo"}, text("Logical Name", 100),
            text("Functional Area", 10)],
         "rows": desc_rows},
        {"name": "Values", "columns": [
            text("Value", 20), text("Description", 255), text("Functional Area", 10), text("Table", 64),
            text("Column", 64)],
         "rows": value_rows},
        {"name": "CDS_TBL_RELS_RELEASES", "columns": [
            {"name": "Rels_No", "type": "long"}, {"name": "Rels_Date", "type": "datetime"},
            text("Rels_Desc", 100)],
         "rows": [list(r) for r in RELEASES]},
    ]}
    with open(output, "w", encoding="utf-8") as out:
        out.write("{\"tables\": [\n")
        for t, table in enumerate(description["tables"]):
            head = {k: v for k, v in table.items() if k != "rows"}
            out.write(json.dumps(head, ensure_ascii=False)[:-1] + ", \"rows\": [\n")
            out.write(",\n".join(json.dumps(row, ensure_ascii=False) for row in table["rows"]))
            out.write("\n]}" + (",\n" if t + 1 < len(description["tables"]) else "\n"))
        out.write("]}\n")
    print(f"{output}: {len(main_rows)} column rows, {len(desc_rows)} table descriptions, "
          f"{len(value_rows)} valid values, {len(RELEASES)} releases")


if __name__ == "__main__":
    main()

// Prints what the mdb-reader package reads from a Jet file, as JSON:
//   node dump.mjs FILE.mdb [TABLE ...]
//   node dump.mjs --each FILE.mdb ...     (every table of each file, one line of JSON per file; a file
//                                          mdb-reader refuses gives {"error": message})
// {"password": ..., "tables": [{"name", "rowCount", "columns": [{"name", "type", "size"}], "rows": [[...]]}]}
// Dates are printed as ISO 8601 UTC text, currency as the reader's text, binary values as hex.
import { readFileSync } from "fs";
import MDBReader from "mdb-reader";

function plain(value) {
    if (value instanceof Date) return value.toISOString();
    if (Buffer.isBuffer(value)) return value.toString("hex");
    return value;
}

function dump(file, wanted) {
    const reader = new MDBReader(readFileSync(file));
    const names = wanted.length ? wanted : reader.getTableNames();
    const tables = names.map((name) => {
        const table = reader.getTable(name);
        const columns = table.getColumns();
        const rows = table.getData({ rowOffset: 0 }).map((row) => columns.map((c) => plain(row[c.name])));
        return {
            name,
            rowCount: table.rowCount,
            columns: columns.map((c) => ({ name: c.name, type: c.type, size: c.size })),
            rows,
        };
    });
    return { file, password: reader.getPassword(), tables };
}

const [first, ...rest] = process.argv.slice(2);
if (first === "--each") {
    for (const file of rest) {
        let line;
        try {
            line = JSON.stringify(dump(file, []));
        } catch (error) {
            line = JSON.stringify({ error: String(error) });
        }
        process.stdout.write(line + "\n");
    }
} else {
    process.stdout.write(JSON.stringify(dump(first, rest)));
}

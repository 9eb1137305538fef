// Prints what the mdb-reader package reads from a Jet file, as JSON:
//   node dump.mjs FILE.mdb [TABLE ...]
// {"password": ..., "tables": [{"name", "rowCount", "columns": [{"name", "type", "size"}], "rows": [[...]]}]}
// Dates are printed as ISO 8601 UTC text, currency as the reader's text, binary values as hex.
import { readFileSync } from "fs";
import MDBReader from "mdb-reader";

const [file, ...wanted] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file));
const names = wanted.length ? wanted : reader.getTableNames();

function plain(value) {
    if (value instanceof Date) return value.toISOString();
    if (Buffer.isBuffer(value)) return value.toString("hex");
    return value;
}

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
process.stdout.write(JSON.stringify({ password: reader.getPassword(), tables }));

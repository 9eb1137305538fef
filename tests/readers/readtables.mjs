// Reads whole tables with the mdb-reader package, every cell, and prints their row counts; for the
// benchmarks, which time it beside the program's own reading:
//   node readtables.mjs FILE.mdb TABLE ...
import { readFileSync } from "fs";
import MDBReader from "mdb-reader";

const [file, ...tables] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file));
for (const name of tables) process.stdout.write(`${name}\t${reader.getTable(name).getData().length}\n`);

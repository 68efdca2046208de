// Benchmark peer: exports one table with the npm package mdb-reader as CSV to stdout, the way a
// script would (whole file read into memory, every row decoded).
//   ORACLE_DIR=/tmp/oracle node mdbreader-export.mjs DB TABLE
import { readFileSync, writeSync } from "node:fs";
import path from "node:path";

const oracleDir = process.env.ORACLE_DIR ?? "/tmp/oracle";
const { default: MDBReader } = await import(
    path.join(oracleDir, "node_modules/mdb-reader/lib/node/index.js"));

const [dbPath, tableName] = process.argv.slice(2);
const table = new MDBReader(readFileSync(dbPath)).getTable(tableName);
const names = table.getColumnNames();
const field = (v) => {
    if (v === null || v === undefined) return "";
    if (v instanceof Date) return v.toISOString();
    if (Buffer.isBuffer(v)) return v.toString("hex");
    const s = String(v);
    return /[",\r\n]/.test(s) ? '"' + s.replaceAll('"', '""') + '"' : s;
};
let out = names.map(field).join(",") + "\r\n";
for (const row of table.getData()) {
    out += names.map((n) => field(row[n])).join(",") + "\r\n";
    if (out.length > 1 << 20) { writeSync(1, out); out = ""; }
}
writeSync(1, out);

// Dumps what the npm package mdb-reader reads from a JET file, as JSON, for the expected-output
// files under tests/data/expected. Values keep their type so that normalise.py can render them.
//   ORACLE_DIR=/tmp/oracle node mdbreader-dump.mjs DB OUT.json
// ORACLE_DIR is the folder where `npm install mdb-reader` ran (never inside the repository).
import { readFileSync, writeFileSync } from "node:fs";
import path from "node:path";

const oracleDir = process.env.ORACLE_DIR ?? "/tmp/oracle";
const { default: MDBReader } = await import(
    path.join(oracleDir, "node_modules/mdb-reader/lib/node/index.js"));

function encode(v) {
    if (v === null || v === undefined) return null;
    if (typeof v === "boolean" || typeof v === "string") return v;
    if (typeof v === "number") return Number.isFinite(v) ? v : { num: String(v) };
    if (typeof v === "bigint") return { big: v.toString() };
    if (v instanceof Date) return Number.isNaN(v.getTime()) ? { ms: null } : { ms: v.getTime() };
    if (Buffer.isBuffer(v)) return { hex: v.toString("hex") };
    return { other: JSON.parse(JSON.stringify(v, (k, x) =>
        typeof x === "bigint" ? x.toString() : (x && x.type === "Buffer" ? Buffer.from(x.data).toString("hex") : x))) };
}

const [dbPath, outPath] = process.argv.slice(2);
const out = { reader: "mdb-reader", tables: [], catalog: [], columns: {}, rows: {}, errors: {} };
try {
    const reader = new MDBReader(readFileSync(dbPath));
    out.tables = reader.getTableNames();
    try {
        out.catalog = reader.getTable("MSysObjects").getData()
            .map((r) => ({ name: r.Name, type: r.Type, flags: r.Flags }));
    } catch (e) { out.errors["MSysObjects"] = String(e.message ?? e); }
    // System tables whose flags the table tabs do not skip are listed too, so dump every table
    // definition of the catalog.
    const all = [...out.tables];
    for (const c of out.catalog) {
        if ([1, 4, 6].includes(c.type) && !all.includes(c.name)) all.push(c.name);
    }
    for (const name of all) {
        try {
            const table = reader.getTable(name);
            const cols = table.getColumns();
            out.columns[name] = cols.map((c) => ({
                name: c.name, type: c.type, size: c.size, precision: c.precision, scale: c.scale,
                fixedLength: c.fixedLength, nullable: c.nullable, autoLong: c.autoLong,
                autoUUID: c.autoUUID }));
            out.rows[name] = table.getData().map((r) => cols.map((c) => encode(r[c.name])));
        } catch (e) { out.errors[name] = String(e.message ?? e); }
    }
} catch (e) { out.errors[""] = String(e.message ?? e); }
writeFileSync(outPath, JSON.stringify(out));

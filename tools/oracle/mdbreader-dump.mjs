// Dumps what the npm package mdb-reader reads from a JET file, as JSON, for the expected-output
// files under tests/data/expected. Values keep their type so that normalise.py can render them.
//   ORACLE_DIR=/tmp/oracle node mdbreader-dump.mjs DB OUT.json
// ORACLE_DIR is the folder where `npm install mdb-reader` ran (never inside the repository).
import { readFileSync, writeFileSync } from "node:fs";
import path from "node:path";

const oracleDir = process.env.ORACLE_DIR ?? "/tmp/oracle";
const { default: MDBReader } = await import(
    path.join(oracleDir, "node_modules/mdb-reader/lib/node/index.js"));

// mdb-reader turns the stored date double into a JS Date rounded to the millisecond, which loses
// what decides the rounding to whole seconds. Keep the stored double: remember the last double
// read and attach it to the Date made right after it.
let lastDouble = null;
const readDoubleLE = Buffer.prototype.readDoubleLE;
Buffer.prototype.readDoubleLE = function (...a) { lastDouble = readDoubleLE.apply(this, a); return lastDouble; };
const NativeDate = Date;
globalThis.Date = class extends NativeDate {
    constructor(...a) { super(...a); if (a.length === 1 && typeof a[0] === "number") this.oleDays = lastDouble; }
};

function encode(v) {
    if (v === null || v === undefined) return null;
    if (typeof v === "boolean" || typeof v === "string") return v;
    if (typeof v === "number") return Number.isFinite(v) ? v : { num: String(v) };
    if (typeof v === "bigint") return { big: v.toString() };
    if (v instanceof NativeDate) {
        if (typeof v.oleDays === "number") return { ole: v.oleDays };
        return Number.isNaN(v.getTime()) ? { ms: null } : { ms: v.getTime() };
    }
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
            // getColumns() sorts the definitions by column number; Access shows them in the
            // order the table definition stores them. Catch the list before it is sorted.
            let definitionOrder = null;
            const sort = Array.prototype.sort;
            Array.prototype.sort = function (...a) {
                if (definitionOrder === null && this.length && this[0] && "variableIndex" in this[0])
                    definitionOrder = this.map((c) => c.name);
                return sort.apply(this, a);
            };
            try { table.getColumns(); } finally { Array.prototype.sort = sort; }
            out.definitionOrder = out.definitionOrder ?? {};
            out.definitionOrder[name] = definitionOrder;
            out.columns[name] = cols.map((c) => ({
                name: c.name, type: c.type, size: c.size, precision: c.precision, scale: c.scale,
                fixedLength: c.fixedLength, nullable: c.nullable, autoLong: c.autoLong,
                autoUUID: c.autoUUID }));
            out.rows[name] = table.getData().map((r) => cols.map((c) => encode(r[c.name])));
        } catch (e) { out.errors[name] = String(e.message ?? e); }
    }
} catch (e) { out.errors[""] = String(e.message ?? e); }
writeFileSync(outPath, JSON.stringify(out));

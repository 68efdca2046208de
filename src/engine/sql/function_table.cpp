#include "sql/function_table.h"

#include <cstring>
#include <strings.h>

namespace sql {

namespace {

const JetFunction kFunctions[] = {
    // aggregates
    {"Count", "count", 0, 1, true},
    {"Sum", "sum", 1, 1, true},
    {"Avg", "avg", 1, 1, true},
    {"Min", "min", 1, 1, true},
    {"Max", "max", 1, 1, true},
    {"First", "jet_first", 1, 1, true},
    {"Last", "jet_last", 1, 1, true},
    {"StDev", "jet_stdev", 1, 1, true},
    {"StDevP", "jet_stdevp", 1, 1, true},
    {"Var", "jet_var", 1, 1, true},
    {"VarP", "jet_varp", 1, 1, true},
    // conditionals and Null handling (IIf is emitted as CASE)
    {"IIf", "", 3, 3, false},
    {"Nz", "jet_nz", 1, 2, false},
    {"IsNull", "jet_isnull", 1, 1, false},
    {"IsNumeric", "jet_isnumeric", 1, 1, false},
    {"IsDate", "jet_isdate", 1, 1, false},
    {"Switch", "jet_switch", 2, 64, false},
    {"Choose", "jet_choose", 2, 64, false},
    // text
    {"Left", "jet_left", 2, 2, false},
    {"Right", "jet_right", 2, 2, false},
    {"Mid", "jet_mid", 2, 3, false},
    {"Len", "jet_len", 1, 1, false},
    {"InStr", "jet_instr", 2, 4, false},
    {"InStrRev", "jet_instrrev", 2, 4, false},
    {"Trim", "jet_trim", 1, 1, false},
    {"LTrim", "jet_ltrim", 1, 1, false},
    {"RTrim", "jet_rtrim", 1, 1, false},
    {"UCase", "jet_ucase", 1, 1, false},
    {"LCase", "jet_lcase", 1, 1, false},
    {"Replace", "jet_replace", 3, 6, false},
    {"Space", "jet_space", 1, 1, false},
    {"String", "jet_string", 2, 2, false},
    {"StrComp", "jet_strcomp", 2, 3, false},
    {"StrReverse", "jet_strreverse", 1, 1, false},
    {"Format", "jet_format", 1, 4, false},
    {"Chr", "jet_chr", 1, 1, false},
    {"ChrW", "jet_chrw", 1, 1, false},
    {"Asc", "jet_asc", 1, 1, false},
    {"AscW", "jet_asc", 1, 1, false},
    {"Hex", "jet_hex", 1, 1, false},
    {"Oct", "jet_oct", 1, 1, false},
    // conversions
    {"CStr", "jet_cstr", 1, 1, false},
    {"CInt", "jet_cint", 1, 1, false},
    {"CLng", "jet_clng", 1, 1, false},
    {"CByte", "jet_cbyte", 1, 1, false},
    {"CSng", "jet_csng", 1, 1, false},
    {"CDbl", "jet_cdbl", 1, 1, false},
    {"CCur", "jet_ccur", 1, 1, false},
    {"CDec", "jet_cdbl", 1, 1, false},
    {"CDate", "jet_cdate", 1, 1, false},
    {"CVDate", "jet_cdate", 1, 1, false},
    {"CBool", "jet_cbool", 1, 1, false},
    {"CVar", "jet_cvar", 1, 1, false},
    {"Val", "jet_val", 1, 1, false},
    {"Str", "jet_str", 1, 1, false},
    // dates
    {"Date", "jet_today", 0, 0, false},
    {"Now", "jet_now", 0, 0, false},
    {"Time", "jet_timenow", 0, 0, false},
    {"Year", "jet_year", 1, 1, false},
    {"Month", "jet_month", 1, 1, false},
    {"Day", "jet_day", 1, 1, false},
    {"Hour", "jet_hour", 1, 1, false},
    {"Minute", "jet_minute", 1, 1, false},
    {"Second", "jet_second", 1, 1, false},
    {"Weekday", "jet_weekday", 1, 2, false},
    {"MonthName", "jet_monthname", 1, 2, false},
    {"DateAdd", "jet_dateadd", 3, 3, false},
    {"DateDiff", "jet_datediff", 3, 5, false},
    {"DatePart", "jet_datepart", 2, 4, false},
    {"DateSerial", "jet_dateserial", 3, 3, false},
    {"TimeSerial", "jet_timeserial", 3, 3, false},
    {"DateValue", "jet_datevalue", 1, 1, false},
    {"TimeValue", "jet_timevalue", 1, 1, false},
    // numbers
    {"Abs", "jet_abs", 1, 1, false},
    {"Int", "jet_int", 1, 1, false},
    {"Fix", "jet_fix", 1, 1, false},
    {"Round", "jet_round", 1, 2, false},
    {"Sgn", "jet_sgn", 1, 1, false},
    {"Sqr", "jet_sqr", 1, 1, false},
    {"Exp", "jet_exp", 1, 1, false},
    {"Log", "jet_log", 1, 1, false},
    {"Sin", "jet_sin", 1, 1, false},
    {"Cos", "jet_cos", 1, 1, false},
    {"Tan", "jet_tan", 1, 1, false},
    {"Atn", "jet_atn", 1, 1, false},
};

// Emitted by the translator itself, never named by a statement.
const char* const kInternal[] = {
    "jet_date", "jet_concat", "jet_add", "jet_sub", "jet_mul", "jet_div", "jet_idiv", "jet_mod",
    "jet_pow", "jet_xor", "jet_eqv", "jet_imp", "jet_percent_rows", "like", "jet_bool",
};

} // namespace

const JetFunction* findJetFunction(const QString& name)
{
    QString n = name;
    if (n.endsWith(u'$')) n.chop(1);
    const QByteArray key = n.toLatin1();
    for (const JetFunction& f : kFunctions)
        if (strcasecmp(f.jetName, key.constData()) == 0) return &f;
    return nullptr;
}

bool isAllowedSqlFunction(const char* sqlName)
{
    if (!sqlName) return false;
    for (const JetFunction& f : kFunctions)
        if (*f.sqlName && strcasecmp(f.sqlName, sqlName) == 0) return true;
    for (const char* n : kInternal)
        if (strcasecmp(n, sqlName) == 0) return true;
    return false;
}

} // namespace sql

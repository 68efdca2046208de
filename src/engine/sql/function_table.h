#pragma once
// The Jet functions a statement may call, with the SQLite function that implements each.
// The translator accepts only these names, and the authorizer lets SQLite call only their
// SQLite names (plus the few the translator emits itself).

#include <QString>

namespace sql {

struct JetFunction {
    const char* jetName;     // as Jet spells it (matched without regard to case, trailing $ dropped)
    const char* sqlName;     // registered on the connection, or a SQLite built-in
    int minArgs;
    int maxArgs;
    bool aggregate;
};

const JetFunction* findJetFunction(const QString& name);

// SQLite function names a translated statement may call.
bool isAllowedSqlFunction(const char* sqlName);

} // namespace sql

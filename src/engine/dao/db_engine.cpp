#include "dao/db_engine.h"

#include "dao/collection.h"
#include "dao/workspace.h"

namespace dao {

using automation::Variant;

DBEngine::DBEngine()
    : m_workspace(std::make_shared<Workspace>())
{
    addProperty(QStringLiteral("Version"), [] { return Variant(QStringLiteral("3.5")); });
    addMember(QStringLiteral("Workspaces"), [this](automation::Invoke, std::span<const Variant> args) {
        auto ws = m_workspace;
        auto workspaces = std::make_shared<Collection>(
            [] { return 1; },
            [ws](int) { return ws; },
            [](const QString& name) { return name == QStringLiteral("#Default Workspace#") ? 0 : -1; });
        return collectionMember(workspaces, args, QStringLiteral("Workspaces"));
    });
    addMember(QStringLiteral("OpenDatabase"), [](automation::Invoke, std::span<const Variant> args) {
        expectArgs(args, 1, 4, QStringLiteral("OpenDatabase"));
        if (args[0].type() != Variant::Type::String)
            throw automation::Error(QStringLiteral("Type mismatch."));
        return Variant(Workspace::openDatabase(args[0].toString()));
    });
}

} // namespace dao

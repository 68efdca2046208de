#include "dao/workspace.h"

#include "dao/database.h"

#include <QFileInfo>

namespace dao {

using automation::Variant;

Workspace::Workspace()
{
    addProperty(QStringLiteral("Name"), [] { return Variant(QStringLiteral("#Default Workspace#")); });
    addProperty(QStringLiteral("UserName"), [] { return Variant(QStringLiteral("admin")); });
    addMember(QStringLiteral("OpenDatabase"), [](automation::Invoke, std::span<const Variant> args) {
        expectArgs(args, 1, 4, QStringLiteral("OpenDatabase"));
        if (args[0].type() != Variant::Type::String)
            throw automation::Error(QStringLiteral("Type mismatch."));
        return Variant(openDatabase(args[0].toString()));
    });
    addMember(QStringLiteral("Close"), [](automation::Invoke, std::span<const Variant> args) {
        expectArgs(args, 0, 0, QStringLiteral("Close"));
        return Variant();
    });
}

automation::ObjectRef Workspace::openDatabase(const QString& path)
{
    // Name answers the full path, also when a relative one was given.
    return std::make_shared<Database>(openJetDatabase(path), QFileInfo(path).absoluteFilePath());
}

std::shared_ptr<jet::Database> openJetDatabase(const QString& path)
{
    if (path.trimmed().isEmpty())
        throw automation::Error(QStringLiteral("No database file name was given."));
    const QFileInfo info(path);
    if (!info.exists())
        throw automation::Error(QStringLiteral("Could not find file '%1'.").arg(path));
    if (info.isDir())
        throw automation::Error(QStringLiteral("'%1' is a folder, not a database file.").arg(path));
    if (info.isFile() && info.size() == 0)   // pipes and devices report size 0 too: the reader names them
        throw automation::Error(QStringLiteral("'%1' is empty: it is no database file.").arg(path));
    auto db = jet::Database::open(QFile::encodeName(path).toStdString());
    if (!db)
        throw automation::Error(QStringLiteral("Cannot open '%1' as a database: %2")
                                    .arg(path, QString::fromStdString(db.error().describe())));
    return std::shared_ptr<jet::Database>(std::move(*db));
}

} // namespace dao

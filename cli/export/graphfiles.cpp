#include "cli/export/graphfiles.h"

#include "areas/areacatalogue.h"
#include "cli/export/diagrams.h"
#include "cli/export/dictionarymap.h"
#include "cli/export/outputfiles.h"
#include "dictionary/error.h"

#include <QDir>

namespace volmira::exporting {

namespace {

QString graphText(const Diagram& diagram, GraphFormat format)
{
    if (format == GraphFormat::Dot)
        return toDot(diagram, false);
    return QStringLiteral("```mermaid\n") + toMermaid(diagram) + QStringLiteral("```\n");
}

}  // namespace

void writeGraphFiles(const DictionaryMap& map, const std::vector<const FunctionalArea*>& areas, const QString& folder,
                     GraphFormat format)
{
    const QString extension = format == GraphFormat::Dot ? QStringLiteral(".dot") : QStringLiteral(".md");
    const QDir root(folder);
    for (const FunctionalArea* area : areas) {
        const int position = int(area - functionalAreas().data());
        const QString code = QString::fromLatin1(area->code);
        if (!root.mkpath(code))
            throw Error(ErrorNumber::FileSystem, QStringLiteral("Cannot create %1/%2").arg(folder, code));
        writeTextFile(root.filePath(code + extension), graphText(areaDiagram(map, position, QString()), format));
        for (const DictionaryMap::Listing& listing : map.listings()) {
            if (listing.area != position || listing.page.isEmpty())
                continue;
            const QString stem = listing.page.left(listing.page.size() - int(QStringLiteral(".html").size()));
            writeTextFile(root.filePath(stem + extension),
                          graphText(tableDiagram(map, listing.table, position, QString()), format));
        }
    }
}

}  // namespace volmira::exporting

#pragma once

#include <QString>

#include <vector>

namespace volmira {
struct FunctionalArea;
}

namespace volmira::exporting {

class DictionaryMap;

enum class GraphFormat { Dot, Mermaid };

// The site's diagrams as text for documentation kept in version control: CODE.dot (or CODE.md with a
// Mermaid block) per area, and one per table in the area's folder under the name of its page.
void writeGraphFiles(const DictionaryMap& map, const std::vector<const FunctionalArea*>& areas, const QString& folder,
                     GraphFormat format);

}  // namespace volmira::exporting

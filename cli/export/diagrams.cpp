#include "cli/export/diagrams.h"

#include "cli/export/dictionarymap.h"
#include "dictionary/error.h"

#include <map>

namespace volmira::exporting {

namespace {

// Adds the table once and gives its node's position.
class DiagramBuilder final {
public:
    DiagramBuilder(const DictionaryMap& map, int area, QString root) : map_(map), area_(area), root_(std::move(root)) {}

    int node(int table, bool focus)
    {
        const auto [found, added] = nodeOf_.try_emplace(table, int(diagram_.nodes.size()));
        if (added) {
            Diagram::Node node;
            node.name = map_.tables()[size_t(table)].name;
            const QString page = map_.tablePage(table, area_);
            node.link = page.isEmpty() ? QString() : root_ + page;
            node.focus = focus;
            node.elsewhere = map_.findListing(area_, table) < 0;
            diagram_.nodes.push_back(std::move(node));
        }
        return found->second;
    }

    void edge(const DictionaryMap::Reference& reference)
    {
        const int from = node(reference.table, false);
        const int to = node(reference.candidates.front(), false);
        const QString& column = map_.firstListing(reference.table).columns[size_t(reference.column)].name;
        diagram_.edges.push_back({from, to, column});
    }

    Diagram take() { return std::move(diagram_); }

private:
    const DictionaryMap& map_;
    int area_;
    QString root_;
    std::map<int, int> nodeOf_;
    Diagram diagram_;
};

bool inferred(const DictionaryMap::Reference& reference)
{
    return reference.outcome == DictionaryMap::Outcome::Inferred;
}

// Text inside a Graphviz HTML-like label: XML's entities, the control characters XML cannot hold
// replaced by U+FFFD, and each backslash doubled, since Graphviz reads \N, \G and the like as the
// names of the node and graph.
QString labelText(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '\'': out += QLatin1String("&#39;"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.isNonCharacter())
                out += QChar(0xfffd);
            else
                out += c;
        }
    }
    return out;
}

// A quoted DOT attribute that Graphviz expands twice, so that no backslash can stand in it, not even
// before the closing quote: a tooltip shows U+2216 instead. Control characters become U+FFFD.
QString tooltipText(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QChar(0x2216);
        else if (c == QLatin1Char('"'))
            out += QLatin1String("\\\"");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            out += QChar(0xfffd);
        else
            out += c;
    }
    return out;
}

// A Mermaid label between double quotes: Mermaid's entity codes for what its parser or its HTML would read.
QString mermaidText(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '"' || u == '#' || u == '<' || u == '>' || u == '&' || u == '`' || u == '|' || u == '\\' || u == '['
            || u == ']' || u == '{' || u == '}' || u == '(' || u == ')' || u == ';')
            out += QStringLiteral("#%1;").arg(int(u));
        else if (u < 0x20 || u == 0x7f)
            out += QStringLiteral("#65533;");
        else
            out += c;
    }
    return out;
}

}  // namespace

Diagram areaDiagram(const DictionaryMap& map, int area, const QString& root)
{
    DiagramBuilder builder(map, area, root);
    for (const DictionaryMap::Listing& listing : map.listings()) {
        if (listing.area == area)
            builder.node(listing.table, false);
    }
    for (const DictionaryMap::Listing& listing : map.listings()) {
        if (listing.area != area)
            continue;
        for (const int reference : map.tables()[size_t(listing.table)].references) {
            if (inferred(map.references()[size_t(reference)]))
                builder.edge(map.references()[size_t(reference)]);
        }
    }
    // At a hundred tables the column names on the edges would hide the tables; the table pages show them.
    Diagram diagram = builder.take();
    diagram.edgeLabels = false;
    return diagram;
}

Diagram tableDiagram(const DictionaryMap& map, int table, int area, const QString& root)
{
    DiagramBuilder builder(map, area, root);
    builder.node(table, true);
    for (const int reference : map.tables()[size_t(table)].references) {
        if (inferred(map.references()[size_t(reference)]))
            builder.edge(map.references()[size_t(reference)]);
    }
    for (const int reference : map.tables()[size_t(table)].referrers) {
        if (map.references()[size_t(reference)].table != table)
            builder.edge(map.references()[size_t(reference)]);
    }
    return builder.take();
}

QString toDot(const Diagram& diagram, bool links)
{
    // Left to right, so that a table's references lie to its right; the tables without any are packed
    // into rows instead of one long column.
    QString dot = QStringLiteral(
        "digraph tables {\n"
        "  graph [rankdir=LR, pack=true, packmode=\"array_u\", nodesep=0.25, ranksep=0.7, fontname=\"Helvetica\"];\n"
        "  node [shape=box, style=\"rounded,filled\", fillcolor=\"#ffffff\", color=\"#44546a\", "
        "fontname=\"Helvetica\", fontsize=11, height=0.3, margin=\"0.12,0.04\"];\n"
        "  edge [style=dashed, color=\"#44546a\", fontname=\"Helvetica\", fontsize=9, arrowsize=0.7];\n");
    for (size_t i = 0; i < diagram.nodes.size(); ++i) {
        const Diagram::Node& node = diagram.nodes[i];
        dot += QStringLiteral("  n%1 [label=<%2>")
                   .arg(i)
                   .arg(node.focus ? QStringLiteral("<b>%1</b>").arg(labelText(node.name)) : labelText(node.name));
        if (node.focus)
            dot += QStringLiteral(", fillcolor=\"#dbe7f5\", penwidth=2");
        else if (node.elsewhere)
            dot += QStringLiteral(", style=\"rounded,dashed\", fontcolor=\"#44546a\"");
        if (links && !node.link.isEmpty())
            dot +=
                QStringLiteral(", URL=\"%1\", target=\"_top\", tooltip=\"%2\"").arg(node.link, tooltipText(node.name));
        dot += QStringLiteral("];\n");
    }
    for (const Diagram::Edge& edge : diagram.edges) {
        dot += QStringLiteral("  n%1 -> n%2").arg(edge.from).arg(edge.to);
        dot +=
            diagram.edgeLabels ? QStringLiteral(" [label=<%1>];\n").arg(labelText(edge.column)) : QStringLiteral(";\n");
    }
    dot += QStringLiteral("}\n");
    return dot;
}

QString toMermaid(const Diagram& diagram)
{
    QString text = QStringLiteral("flowchart LR\n");
    for (size_t i = 0; i < diagram.nodes.size(); ++i) {
        const Diagram::Node& node = diagram.nodes[i];
        text += QStringLiteral("  n%1[\"%2\"]\n").arg(i).arg(mermaidText(node.name));
        if (node.focus)
            text += QStringLiteral("  style n%1 stroke-width:3px\n").arg(i);
        else if (node.elsewhere)
            text += QStringLiteral("  style n%1 stroke-dasharray:4 3\n").arg(i);
    }
    for (const Diagram::Edge& edge : diagram.edges) {
        if (diagram.edgeLabels)
            text +=
                QStringLiteral("  n%1 -.->|\"%2\"| n%3\n").arg(edge.from).arg(mermaidText(edge.column)).arg(edge.to);
        else
            text += QStringLiteral("  n%1 -.-> n%2\n").arg(edge.from).arg(edge.to);
    }
    return text;
}

}  // namespace volmira::exporting

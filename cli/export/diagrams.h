#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

namespace volmira::exporting {

class DictionaryMap;

// A graph of tables and the references between them, drawn the same way on the site (as SVG), in DOT
// and in Mermaid. Every reference is inferred from names, so every edge is dashed.
struct Diagram final {
    struct Node final {
        QString name;
        QString link;            // relative to the page that shows the diagram; empty: not linked
        bool focus = false;      // the table a diagram is drawn around
        bool elsewhere = false;  // filed under another area than the diagram's
    };
    struct Edge final {
        int from = 0;  // the referring table
        int to = 0;
        QString column;
    };
    std::vector<Node> nodes;
    std::vector<Edge> edges;
    bool edgeLabels = true;  // each edge named by its column
};

// The area's tables with their references, and the tables of other areas they refer to. `root` leads
// from the page that shows it to the site's root.
Diagram areaDiagram(const DictionaryMap& map, int area, const QString& root);
// The table, what it refers to and what refers to it.
Diagram tableDiagram(const DictionaryMap& map, int table, int area, const QString& root);

// DOT text that Graphviz lays out; `links` adds each node's link as its URL.
QString toDot(const Diagram& diagram, bool links);
QString toMermaid(const Diagram& diagram);

// Lays out DOT text with Graphviz's dot layout and writes it as SVG, with the two plugins loaded by
// the program itself (no plugin configuration is read, no font library measures the names: Graphviz's
// own font metrics do), so the same graph gives the same bytes on every machine. Built without Graphviz
// (VOLMIRA_DIAGRAMS off, as on Windows), it draws nothing and the site leaves its diagrams out.
class SvgRenderer final {
public:
    SvgRenderer();
    ~SvgRenderer();
    SvgRenderer(const SvgRenderer&) = delete;
    SvgRenderer& operator=(const SvgRenderer&) = delete;

    // Whether this build draws diagrams.
    static bool draws();

    // The <svg> element alone, to be placed inside a page. Raises Error when Graphviz fails.
    QByteArray inlineSvg(const QString& dot);

private:
    struct Graphviz;
    std::unique_ptr<Graphviz> graphviz_;
};

}  // namespace volmira::exporting

#include "cli/export/diagrams.h"

#include "dictionary/error.h"

namespace volmira::exporting {

struct SvgRenderer::Graphviz {};

SvgRenderer::SvgRenderer() = default;
SvgRenderer::~SvgRenderer() = default;

bool SvgRenderer::draws() { return false; }

QByteArray SvgRenderer::inlineSvg(const QString&)
{
    throw Error(ErrorNumber::DiagramLayout, QStringLiteral("This build of volmira-export draws no diagrams"));
}

}  // namespace volmira::exporting

#include "cli/export/diagrams.h"

#include "dictionary/error.h"

#include <graphviz/gvc.h>
#include <graphviz/gvplugin.h>

#include <dlfcn.h>

namespace volmira::exporting {

namespace {

// One of Graphviz's plugin libraries, opened by its full path: they lie off the loader's path.
void* openPlugin(const char* file, const char* symbol, void*& library)
{
    const QByteArray path = QByteArrayLiteral(VOLMIRA_GRAPHVIZ_PLUGIN_DIR "/") + file;
    library = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    void* found = library ? dlsym(library, symbol) : nullptr;
    if (!found)
        throw Error(ErrorNumber::DiagramLayout,
                    QStringLiteral("Graphviz's %1 cannot be loaded: %2").arg(path, QString::fromLocal8Bit(dlerror())));
    return found;
}

}  // namespace

struct SvgRenderer::Graphviz {
    void* libraries[2] = {nullptr, nullptr};
    lt_symlist_t plugins[3] = {};  // Graphviz reads the list while the context lives
    GVC_t* context = nullptr;

    ~Graphviz()
    {
        if (context)
            gvFreeContext(context);
        for (void* library : libraries)
            if (library)
                dlclose(library);
    }
};

SvgRenderer::SvgRenderer() : graphviz_(std::make_unique<Graphviz>())
{
    Graphviz& g = *graphviz_;
    g.plugins[0] = {"gvplugin_dot_layout_LTX_library",
                    openPlugin("libgvplugin_dot_layout.so.6", "gvplugin_dot_layout_LTX_library", g.libraries[0])};
    g.plugins[1] = {"gvplugin_core_LTX_library",
                    openPlugin("libgvplugin_core.so.6", "gvplugin_core_LTX_library", g.libraries[1])};
    g.plugins[2] = {nullptr, nullptr};
    g.context = gvContextPlugins(g.plugins, 0);
    if (!g.context)
        throw Error(ErrorNumber::DiagramLayout, QStringLiteral("Graphviz cannot start"));
}

SvgRenderer::~SvgRenderer() = default;

bool SvgRenderer::draws() { return true; }

QByteArray SvgRenderer::inlineSvg(const QString& dot)
{
    GVC_t* context = graphviz_->context;
    const QByteArray text = dot.toUtf8();
    Agraph_t* graph = agmemread(text.constData());
    if (!graph)
        throw Error(ErrorNumber::DiagramLayout, QStringLiteral("Graphviz cannot read a diagram"));
    QByteArray svg;
    if (gvLayout(context, graph, "dot") == 0) {
        char* data = nullptr;
        unsigned int length = 0;
        if (gvRenderData(context, graph, "svg", &data, &length) == 0)
            svg = QByteArray(data, int(length));
        gvFreeRenderData(data);
        gvFreeLayout(context, graph);
    }
    agclose(graph);
    const int start = int(svg.indexOf("<svg"));
    if (start < 0)
        throw Error(ErrorNumber::DiagramLayout, QStringLiteral("Graphviz cannot lay out a diagram"));
    return svg.mid(start);
}

}  // namespace volmira::exporting

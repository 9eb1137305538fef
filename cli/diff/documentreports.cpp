// The reports people read: plain text, Markdown and a web page, all in one layout.

#include "cli/diff/documentreports.h"

#include "cli/diff/escaping.h"
#include "cli/diff/twohalves.h"

namespace volmira::diff {

namespace {

// Walks the changes area by area and table by table, handing each piece to a layout.
class DocumentLayout {
public:
    virtual ~DocumentLayout() = default;
    virtual void heading(const QString& title) = 0;
    virtual void summary(int total, const std::vector<std::pair<QString, int>>& byKind,
                         const std::vector<std::pair<QString, int>>& byArea) = 0;
    virtual void area(const QString& title) = 0;
    virtual void table(const QString& name) = 0;
    virtual void change(const QString& description) = 0;
    virtual void nothingChanged() = 0;
    virtual QString finish() = 0;
};

void lay(const Comparison& comparison, const ComparedFiles& files, const Markup& markup, DocumentLayout& layout)
{
    layout.heading(markup.escape(files.oldFile) + QStringLiteral(" (") + versionText(comparison.oldVersion)
                   + QStringLiteral(")") + markup.arrow + markup.escape(files.newFile) + QStringLiteral(" (")
                   + versionText(comparison.newVersion) + ')');
    if (comparison.changes.empty()) {
        layout.nothingChanged();
        return;
    }
    std::vector<std::pair<QString, int>> byKind, byArea;
    for (int k = 0; k < changeKindCount; ++k) {
        const int n = comparison.count(ChangeKind(k));
        if (n > 0)
            byKind.emplace_back(kindTitle(ChangeKind(k)), n);
    }
    for (int a = 0; a < int(comparison.areas.size()); ++a) {
        const int n = comparison.countInArea(a);
        if (n > 0)
            byArea.emplace_back(markup.escape(areaHeading(comparison.areas[std::size_t(a)])), n);
    }
    layout.summary(comparison.changeCount(), byKind, byArea);
    // Describing a change (comparing its texts by words) is most of the work: two halves at once.
    std::vector<QString> descriptions(comparison.changes.size());
    inTwoHalves(descriptions.size(), [&](int, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            descriptions[i] = describeChange(comparison.changes[i], comparison, markup);
    });
    int area = -1;
    const QString* table = nullptr;
    for (std::size_t i = 0; i < comparison.changes.size(); ++i) {
        const Change& c = comparison.changes[i];
        if (c.area != area) {
            area = c.area;
            table = nullptr;
            layout.area(markup.escape(areaHeading(comparison.areas[std::size_t(area)])));
        }
        if (!table || *table != c.table) {
            table = &c.table;
            layout.table(markup.nameStart + markup.escape(c.table) + markup.nameEnd);
        }
        layout.change(descriptions[i]);
    }
}

QString countLine(const QString& title, int n, int width)
{
    return QStringLiteral("  ") + title + QString(std::max(1, width - int(title.size())), QLatin1Char(' '))
           + QString::number(n) + '\n';
}

class TextLayout final : public DocumentLayout {
public:
    void heading(const QString& title) override { out_ += QStringLiteral("Changes: ") + title + "\n\n"; }
    void summary(int total, const std::vector<std::pair<QString, int>>& byKind,
                 const std::vector<std::pair<QString, int>>& byArea) override
    {
        out_ += QStringLiteral("Summary: %1 changes\n").arg(total);
        for (const auto& k : byKind)
            out_ += countLine(k.first, k.second, 40);
        out_ += QStringLiteral("By area:\n");
        for (const auto& a : byArea)
            out_ += countLine(a.first, a.second, 40);
    }
    void area(const QString& title) override { out_ += '\n' + title + '\n'; }
    void table(const QString& name) override { out_ += QStringLiteral("  Table ") + name + '\n'; }
    void change(const QString& description) override { out_ += QStringLiteral("    ") + description + '\n'; }
    void nothingChanged() override
    {
        out_ += QStringLiteral("No changes: both dictionaries show the same tables, columns and valid values.\n");
    }
    QString finish() override { return out_; }

private:
    QString out_;
};

class MarkdownLayout final : public DocumentLayout {
public:
    void heading(const QString& title) override { out_ += QStringLiteral("# Changes: ") + title + "\n"; }
    void summary(int total, const std::vector<std::pair<QString, int>>& byKind,
                 const std::vector<std::pair<QString, int>>& byArea) override
    {
        out_ += QStringLiteral("\n## Summary: %1 changes\n\n| Change | Count |\n|---|---:|\n").arg(total);
        for (const auto& k : byKind)
            out_ += QStringLiteral("| ") + k.first + QStringLiteral(" | ") + QString::number(k.second)
                    + QStringLiteral(" |\n");
        out_ += QStringLiteral("\n| Functional area | Changes |\n|---|---:|\n");
        for (const auto& a : byArea)
            out_ += QStringLiteral("| ") + a.first + QStringLiteral(" | ") + QString::number(a.second)
                    + QStringLiteral(" |\n");
    }
    void area(const QString& title) override { out_ += QStringLiteral("\n## ") + title + '\n'; }
    void table(const QString& name) override { out_ += QStringLiteral("\n### Table ") + name + "\n\n"; }
    void change(const QString& description) override { out_ += QStringLiteral("- ") + description + '\n'; }
    void nothingChanged() override
    {
        out_ += QStringLiteral("\nNo changes: both dictionaries show the same tables, columns and valid values.\n");
    }
    QString finish() override { return out_; }

private:
    QString out_;
};

class HtmlLayout final : public DocumentLayout {
public:
    void heading(const QString& title) override
    {
        out_ +=
            QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Changes: ")
            + title + QStringLiteral("</title>\n<style>\n") + changeStyle()
            + QStringLiteral("</style>\n</head>\n<body>\n<main>\n<h1>Changes</h1>\n<p class=\"versions\">") + title
            + QStringLiteral("</p>\n");
    }
    void summary(int total, const std::vector<std::pair<QString, int>>& byKind,
                 const std::vector<std::pair<QString, int>>& byArea) override
    {
        out_ += QStringLiteral("<section class=\"summary\">\n<h2>Summary: %1 changes</h2>\n<table>\n"
                               "<tr><th>Change</th><th>Count</th></tr>\n")
                    .arg(total);
        for (const auto& k : byKind)
            out_ += QStringLiteral("<tr><td>") + k.first + QStringLiteral("</td><td>") + QString::number(k.second)
                    + QStringLiteral("</td></tr>\n");
        out_ += QStringLiteral("</table>\n<table>\n<tr><th>Functional area</th><th>Changes</th></tr>\n");
        for (const auto& a : byArea)
            out_ += QStringLiteral("<tr><td>") + a.first + QStringLiteral("</td><td>") + QString::number(a.second)
                    + QStringLiteral("</td></tr>\n");
        out_ += QStringLiteral("</table>\n</section>\n");
    }
    void area(const QString& title) override
    {
        closeList();
        out_ += QStringLiteral("<h2>") + title + QStringLiteral("</h2>\n");
    }
    void table(const QString& name) override
    {
        closeList();
        out_ += QStringLiteral("<h3>Table ") + name + QStringLiteral("</h3>\n<ul>\n");
        listOpen_ = true;
    }
    void change(const QString& description) override
    {
        out_ += QStringLiteral("<li>") + description + QStringLiteral("</li>\n");
    }
    void nothingChanged() override
    {
        out_ += QStringLiteral("<p class=\"nochange\">No changes: both dictionaries show the same tables, columns and "
                               "valid values.</p>\n");
    }
    QString finish() override
    {
        closeList();
        return out_ + QStringLiteral("</main>\n</body>\n</html>\n");
    }

private:
    void closeList()
    {
        if (listOpen_)
            out_ += QStringLiteral("</ul>\n");
        listOpen_ = false;
    }

    QString out_;
    bool listOpen_ = false;
};

}  // namespace

QString changeStyle()
{
    return QStringLiteral(
        "body{font-family:sans-serif;color:#1a1a1a;background:#fff;margin:1em 2em;}\n"
        "code{font-family:monospace;}\n"
        "del{background:#fdd;color:#700;text-decoration:line-through;}\n"
        "ins{background:#dfd;color:#050;text-decoration:none;}\n"
        "table{border-collapse:collapse;margin:0 2em 1em 0;display:inline-table;vertical-align:top;}\n"
        "th,td{border:1px solid #999;padding:2px 8px;text-align:left;}\n"
        "li{white-space:pre-wrap;margin:2px 0;}\n");
}

QString documentReport(const Comparison& comparison, ReportFormat format, const ComparedFiles& files)
{
    TextLayout text;
    MarkdownLayout markdown;
    HtmlLayout html;
    DocumentLayout* layout = &text;
    const Markup* markup = &textMarkup();
    if (format == ReportFormat::Markdown) {
        layout = &markdown;
        markup = &markdownMarkup();
    } else if (format == ReportFormat::Html) {
        layout = &html;
        markup = &htmlMarkup();
    }
    lay(comparison, files, *markup, *layout);
    return layout->finish();
}

}  // namespace volmira::diff

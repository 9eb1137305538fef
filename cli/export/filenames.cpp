#include "cli/export/filenames.h"

namespace volmira::exporting {

namespace {

constexpr int maximumStemLength = 60;

bool reservedOnWindows(const QString& stem)
{
    static const QSet<QString> reserved{
        QStringLiteral("con"),  QStringLiteral("prn"),  QStringLiteral("aux"),  QStringLiteral("nul"),
        QStringLiteral("com1"), QStringLiteral("com2"), QStringLiteral("com3"), QStringLiteral("com4"),
        QStringLiteral("com5"), QStringLiteral("com6"), QStringLiteral("com7"), QStringLiteral("com8"),
        QStringLiteral("com9"), QStringLiteral("lpt1"), QStringLiteral("lpt2"), QStringLiteral("lpt3"),
        QStringLiteral("lpt4"), QStringLiteral("lpt5"), QStringLiteral("lpt6"), QStringLiteral("lpt7"),
        QStringLiteral("lpt8"), QStringLiteral("lpt9")};
    return reserved.contains(stem);
}

QString safeStem(const QString& name)
{
    QString stem;
    stem.reserve(qMin(int(name.size()), maximumStemLength));
    for (const QChar c : name) {
        if (stem.size() == maximumStemLength)
            break;
        const char16_t u = c.unicode();
        if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_' || u == '-')
            stem += c;
        else if (u >= 'A' && u <= 'Z')
            stem += QChar(u + ('a' - 'A'));
        else
            stem += QLatin1Char('_');
    }
    if (stem.isEmpty() || reservedOnWindows(stem))
        stem += QLatin1Char('_');
    return stem;
}

}  // namespace

QString UniqueFileNames::take(const QString& name)
{
    const QString stem = safeStem(name);
    QString candidate = stem;
    for (int suffix = 2; taken_.contains(candidate); ++suffix)
        candidate = stem + QLatin1Char('-') + QString::number(suffix);
    taken_.insert(candidate);
    return candidate;
}

}  // namespace volmira::exporting

#include "app/FileFilter.h"

#include <QStringList>

namespace vorn::app {
namespace {

// "*.a; *.b " -> "*.a *.b". On Windows "*.*" matches every file; here it would hide the
// files without a dot in their names, so it becomes "*".
QString QtPatterns(const QString& windowsPatterns) {
    QStringList patterns;
    for (const QString& pattern : windowsPatterns.split(u';')) {
        const QString trimmed = pattern.trimmed();
        if (trimmed == QLatin1String("*.*"))
            patterns << QStringLiteral("*");
        else if (!trimmed.isEmpty())
            patterns << trimmed;
    }
    return patterns.join(u' ');
}

}  // namespace

QString QtFileFilter(std::string_view windowsFilter) {
    const QStringList parts =
        QString::fromUtf8(windowsFilter.data(), static_cast<qsizetype>(windowsFilter.size()))
            .split(u'|');
    QStringList filters;
    // A "||" ends the list; everything after it is not part of the filter.
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        const QString patterns = QtPatterns(parts[i + 1]);
        if (!patterns.isEmpty()) filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

QString DefaultSuffix(std::string_view defaultExtension) {
    QString suffix =
        QString::fromUtf8(defaultExtension.data(), static_cast<qsizetype>(defaultExtension.size()))
            .trimmed();
    if (suffix.startsWith(u'*')) suffix.remove(0, 1);
    if (suffix.startsWith(u'.')) suffix.remove(0, 1);
    if (suffix.contains(u'*') || suffix.contains(u'?')) return QString();
    return suffix;
}

}  // namespace vorn::app

// make_default_data CRITERIA_CSV OUTPUT_FOLDER: writes the default data (see
// defaultdata.h) into OUTPUT_FOLDER, which is emptied first so that nothing
// stale is ever installed.
#include "defaultdata.h"

#include "core/results/criteria.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace defaults {

bool WriteCriteria(const QString& source, const QString& path, QString& errorText) {
    constexpr int kLevels = 15;
    QFile f(source);
    if (!f.open(QIODevice::ReadOnly)) {
        errorText = QStringLiteral("%1: %2").arg(f.fileName(), f.errorString());
        return false;
    }
    QString text;
    for (const QString& line : QString::fromUtf8(f.readAll()).split(u'\n'))
        if (!line.trimmed().startsWith(u'#')) text += line.trimmed() + QStringLiteral("\r\n");
    results::CriteriaTable table;
    results::ReadCriteriaItems(text, table);
    const QStringList faults = results::CriteriaFaults(table, kLevels);
    if (table.SlotsRead != kLevels + 1 || !faults.isEmpty()) {
        errorText = QStringLiteral("%1: a header and %2 complete levels expected. %3")
                        .arg(source)
                        .arg(kLevels)
                        .arg(faults.join(u' '));
        return false;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        errorText = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    return results::SaveCriteria(table, kLevels, errorText, path);
}

}  // namespace defaults

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: make_default_data CRITERIA_CSV OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QDir(args[2]).absolutePath() + u'/';
    QString error;
    if ((QDir(out).exists() && !QDir(out).removeRecursively()) ||
        !defaults::WriteSounds(out + QStringLiteral("音フォルダ/"), error) ||
        !defaults::WriteCriteria(args[1], out + QStringLiteral("ローマ字/タイム回数データ.txt"), error)) {
        std::fprintf(stderr, "make_default_data: %s\n",
                     qPrintable(error.isEmpty() ? QStringLiteral("cannot empty ") + out : error));
        return 1;
    }
    return 0;
}

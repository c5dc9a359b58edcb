// romaji-admin: the administrator's tool beside the program. Reports on the
// romaji-admin: the administrator's tool beside the program. Reports on the
// results file and the other data files, exports the results as CSV, lists
// the maintenance log and puts a deleted record back; sets a school up
// (setupcommands.h).
#include "admin/commands.h"
#include "admin/history.h"
#include "admin/setupcommands.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

void Write(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QString Help() { return admin::HelpText() + admin::SetupHelpText(); }

int Usage(const QString& problem) {
    Write(stderr, QStringLiteral("romaji-admin: %1\n\n").arg(problem) + Help());
    return admin::kExitUnreadable;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.isEmpty()) return Usage(QStringLiteral("コマンドがありません / no command given"));
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h")) ||
        args.first() == QStringLiteral("help")) {
        Write(stdout, Help());
        return admin::kExitWell;
    }

    const QString command = args.takeFirst();
    {
        QString out;
        QString err;
        if (const auto code = admin::RunSetupCommand(command, args, QCoreApplication::applicationDirPath(), out, err)) {
            Write(stdout, out);
            Write(stderr, err);
            return *code;
        }
    }
    QString folder;
    QString number;  // restore: the history line
    admin::ExportRequest request;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool takesValue = command == QStringLiteral("export") &&
                                (a == QStringLiteral("--from") || a == QStringLiteral("--to") ||
                                 a == QStringLiteral("-o") || a == QStringLiteral("--output"));
        if (takesValue) {
            if (i + 1 >= args.size())
                return Usage(QStringLiteral("%1 のあとに値がありません / %1 needs a value").arg(a));
            const QString value = args[++i];
            if (a == QStringLiteral("--from")) request.From = value;
            else if (a == QStringLiteral("--to")) request.To = value;
            else request.Output = value;
        } else if (a.startsWith(u'-') && a.size() > 1) {
            return Usage(QStringLiteral("知らないオプション / unknown option: %1").arg(a));
        } else if (command == QStringLiteral("restore") && number.isEmpty()) {
            number = a;
        } else if (folder.isEmpty()) {
            folder = a;
        } else {
            return Usage(QStringLiteral("データフォルダは一つだけです / only one data folder: %1").arg(a));
        }
    }
    const QStringList commands{QStringLiteral("check"), QStringLiteral("export"), QStringLiteral("history"),
                               QStringLiteral("restore")};
    if (!commands.contains(command))
        return Usage(QStringLiteral("知らないコマンド / unknown command: %1").arg(command));
    if (command == QStringLiteral("restore") && number.isEmpty())
        return Usage(QStringLiteral("restore には履歴の番号がいります / restore needs a history number"));
    if (command == QStringLiteral("export") && request.Output.isEmpty())
        return Usage(QStringLiteral("-o FILE.csv がありません / -o FILE.csv is missing"));

    admin::DataFolders folders;
    QString error;
    if (!admin::FindFolders(folder, QCoreApplication::applicationDirPath(), folders, error)) {
        Write(stderr, QStringLiteral("romaji-admin: %1\n").arg(error));
        return admin::kExitUnreadable;
    }
    QString out = command == QStringLiteral("check") ? QString() : admin::FolderLine(folders);
    QString err;
    int code = admin::kExitWell;
    if (command == QStringLiteral("check")) code = admin::Check(folders, out);
    else if (command == QStringLiteral("export")) code = admin::Export(folders, request, out, err);
    else if (command == QStringLiteral("history")) code = admin::History(folders, out, err);
    else code = admin::Restore(folders, number, out, err);
    Write(stdout, out);
    if (!err.isEmpty()) Write(stderr, err);
    return code;
}

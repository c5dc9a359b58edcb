#include "admin/commands.h"

#include "core/common/platform.h"
#include "core/common/replacefile.h"
#include "core/common/runstate.h"
#include "core/common/textfile.h"
#include "core/menus/roster.h"
#include "core/results/criteria.h"
#include "core/results/changelog.h"
#include "core/results/filecheck.h"
#include "core/results/resultsfile.h"
#include "core/startup/configuration.h"
#include "core/startup/newschool.h"
#include "core/startup/runstate.h"
#include "core/views/resultsexport.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>

namespace admin {
namespace {

// Faulty records shown one by one; the rest are counted.
constexpr int kFaultsShown = 20;

const QString kWarn = QStringLiteral("  注意: ");
const QString kUnreadable = QStringLiteral("  読めません: ");

// The folders go where the program's own file names are made from them.
void UseFolders(const DataFolders& folders) {
    common::RunState& rs = common::runState();
    rs.DataRoot = folders.DataRoot;
    rs.ProgramDataFolder = folders.ProgramDataFolder;
    startup::FillCourseList();
}

QString FileName(const QString& path) { return QFileInfo(path).fileName(); }

QString Indented(const QString& text) {
    QString out;
    for (const QString& line : text.split(u'\n')) out += QStringLiteral("    ") + line + u'\n';
    return out;
}

QString FaultText(const results::FaultyRecord& f) {
    const results::LogEntry& e = f.Entry;
    const QString head = QStringLiteral("記録 %1: ").arg(f.RecordNumber);
    switch (f.Fault) {
    case results::RecordFault::LevelOutsideSlots:
        return head + QStringLiteral("レベル %1（レベルは 0～35）").arg(e.Level);
    case results::RecordFault::PupilOutsideSlots:
        return head + QStringLiteral("生徒番号 %1（生徒番号は 0～5000）").arg(e.PupilNumber);
    case results::RecordFault::NegativeResult:
        return head + QStringLiteral("結果が負の値 %1 秒").arg(e.Result);
    case results::RecordFault::NegativeDate:
        return head + QStringLiteral("日付が負の値 %1").arg(e.RecordDate);
    case results::RecordFault::ImpossibleDate:
        return head + QStringLiteral("ありえない日付・時刻（日付の値 %1、時刻の値 %2）")
                          .arg(e.RecordDate)
                          .arg(e.RecordTime);
    }
    return head;
}

// What bears the journal's name, the journals set aside, the journal events of
// the maintenance log, and a copy under the old name.
int CheckJournal(const results::ResultsFileReport& r, QString& out) {
    int code = kExitWell;
    const QString journal = FileName(r.JournalPath);
    switch (r.Journal) {
    case results::JournalState::None: break;
    case results::JournalState::Hot:
        out += kWarn + QStringLiteral("%1 があります。記録の変更・消去・復元が終わらずに止まっています。"
                                      "記録は変更の前のものとして読まれ、次に記録するときにプログラムが元に戻します。"
                                      "消さずに残してください。\n")
                           .arg(journal);
        code = kExitAttention;
        break;
    case results::JournalState::Torn:
        out += QStringLiteral("  %1 は書きかけで止まったものです（%2）。次に記録するときにプログラムが消します。\n")
                   .arg(journal, r.JournalReason);
        break;
    case results::JournalState::Foreign:
        out += kWarn + QStringLiteral("%1 はジャーナルとして使えません（%2）。次に記録するときに"
                                      "プログラムが別の名前にして残し、%3 はそのままにします。\n")
                           .arg(journal, r.JournalReason, FileName(r.Path));
        code = kExitAttention;
        break;
    case results::JournalState::Unreadable:
        out += kUnreadable + QDir::toNativeSeparators(r.JournalPath) + u'\n' + Indented(r.JournalReason) +
               QStringLiteral("    読めるようになるまで、記録する PC は 1 秒ごとにやり直します。\n");
        code = kExitUnreadable;
        break;
    }
    for (const QString& aside : r.SetAside) {
        out += kWarn + QStringLiteral("%1 は使えなかったジャーナルを別の名前にしたものです。中身を確かめてから"
                                      "片付けてください。\n")
                           .arg(aside);
        code = std::max(code, kExitAttention);
    }
    for (const results::ChangeLogEntry& e : r.JournalEvents) {
        switch (e.Op) {
        case results::LogOp::JournalApplied:
            out += QStringLiteral("  %1 %2: 止まった%3（記録 %4）をジャーナルから元に戻しました。\n")
                       .arg(e.When, e.Pc, e.Detail)
                       .arg(e.Number);
            break;
        case results::LogOp::JournalSetAside:
            out += QStringLiteral("  %1 %2: ジャーナルを %3 にして残しました（%4）。\n").arg(e.When, e.Pc, e.SetAsideAs, e.Detail);
            break;
        default:
            out += QStringLiteral("  %1 %2: 書きかけのジャーナルを消しました（%3）。\n").arg(e.When, e.Pc, e.Detail);
            break;
        }
    }
    if (!r.LogError.isEmpty()) {
        out += kUnreadable + results::kChangeLogFileName + u'\n' + Indented(r.LogError);
        code = std::max(code, kExitUnreadable);
    }
    if (r.OldCopyPresent)
        out += QStringLiteral("  %1 があります。古い版が残したコピーで、プログラムは読みも書きも消しもしません"
                              "（害はありません。要らなければ消してかまいません）。\n")
                   .arg(results::kOldCopyName);
    return code;
}

// The results file and a journal beside it.
int CheckResults(QString& out) {
    const results::ResultsFileReport r = results::CheckResultsFile(common::runState().ProgramDataFolder);
    int code = kExitWell;
    out += FileName(r.Path) + QStringLiteral(":\n");
    if (!r.Readable) {
        out += kUnreadable + QDir::toNativeSeparators(r.Path) + QStringLiteral("\n") + Indented(r.Error);
        code = kExitUnreadable;
    } else if (!r.Exists) {
        out += QStringLiteral("  まだありません（最初の記録のときにプログラムが作ります）。\n");
    } else {
        out += QStringLiteral("  記録 %1 件（%2 バイト）\n").arg(r.WholeRecords).arg(r.Size);
        if (r.WholeRecords > results::kMaxHistory)
            out += QStringLiteral("  プログラムが読むのは新しい %1 件です（古い %2 件は集計に入りません）。\n")
                       .arg(results::kMaxHistory)
                       .arg(r.WholeRecords - results::kMaxHistory);
        if (r.TailBytes > 0) {
            out += kWarn + QStringLiteral("最後に途中までの記録（半端な %1 バイト）があります。"
                                          "書き込みの途中で止まった記録です。プログラムはこれを読まず、"
                                          "次の記録をその上に書きます。\n")
                               .arg(r.TailBytes);
            code = kExitAttention;
        }
        if (!r.Faulty.empty()) {
            std::array<long long, 5> counts{};
            for (const auto& f : r.Faulty) ++counts.at(size_t(f.Fault));
            out += kWarn + QStringLiteral("プログラムが読み飛ばす記録、またはありえない日付の記録が %1 件あります"
                                          "（レベルが 0～35 の外 %2 件、生徒番号が 0～5000 の外 %3 件、"
                                          "結果が負 %4 件、日付が負 %5 件、ありえない日付・時刻 %6 件）。\n")
                               .arg(r.Faulty.size())
                               .arg(counts[size_t(results::RecordFault::LevelOutsideSlots)])
                               .arg(counts[size_t(results::RecordFault::PupilOutsideSlots)])
                               .arg(counts[size_t(results::RecordFault::NegativeResult)])
                               .arg(counts[size_t(results::RecordFault::NegativeDate)])
                               .arg(counts[size_t(results::RecordFault::ImpossibleDate)]);
            const size_t shown = std::min<size_t>(r.Faulty.size(), kFaultsShown);
            for (size_t i = 0; i < shown; ++i) out += QStringLiteral("    ") + FaultText(r.Faulty[i]) + u'\n';
            if (r.Faulty.size() > shown)
                out += QStringLiteral("    … ほか %1 件\n").arg(r.Faulty.size() - shown);
            code = kExitAttention;
        }
        if (r.Unnamed > 0)
            out += QStringLiteral("  生徒番号 0 かレベル 0 の記録が %1 件あります（集計には入らず、ファイルには残ります）。\n")
                       .arg(r.Unnamed);
    }
    code = std::max(code, CheckJournal(r, out));
    return code;
}

int CheckCommonFile(QString& out) {
    const QString path = common::runState().DataRoot + QStringLiteral("共通データ.txt");
    out += FileName(path) + QStringLiteral(":\n");
    startup::CommonFile common;
    QString error;
    if (startup::ReadCommonFile(common::runState().DataRoot, common, error)) {
        out += QStringLiteral("  正しく読めました。\n");
        return kExitWell;
    }
    // A file that opens but does not hold what it must needs attention;
    // one that does not open cannot be read.
    const bool opens = common::ReadFileBytes(path).has_value();
    out += (opens ? kWarn : kUnreadable) + error.section(u'\n', 0, 0) + u'\n' +
           Indented(error.section(u'\n', 1));
    return opens ? kExitAttention : kExitUnreadable;
}

int CheckCriteria(QString& out) {
    const QString path = common::runState().ProgramDataFolder + QStringLiteral("タイム回数データ.txt");
    out += FileName(path) + QStringLiteral(":\n");
    QString error;
    if (!results::LoadCriteria(error)) {
        out += kUnreadable + error.section(u'\n', 0, 0) + u'\n' + Indented(error.section(u'\n', 1));
        return kExitUnreadable;
    }
    const QStringList faults = results::CriteriaFaults(results::criteria(), common::runState().LevelCount);
    if (faults.isEmpty()) {
        out += QStringLiteral("  正しく読めました（レベル 1～%1）。\n").arg(common::runState().LevelCount);
        return kExitWell;
    }
    for (const QString& f : faults) out += kWarn + f + u'\n';
    return kExitAttention;
}

int CheckRoster(QString& out) {
    const QString path = menus::RosterPath();
    out += FileName(path) + QStringLiteral(":\n");
    const menus::RosterReading r = menus::ReadRosterFile(path);
    if (!r.readable) {
        out += kUnreadable + QDir::toNativeSeparators(path) + u'\n' + Indented(r.error);
        return kExitUnreadable;
    }
    int code = kExitWell;
    if (r.cutShort) {
        out += kWarn + QStringLiteral("%1 件目の途中で終わっています（その件は読まれません）。\n").arg(r.cutShortAt);
        code = kExitAttention;
    }
    if (!r.faults.isEmpty()) {
        out += kWarn + QStringLiteral("読み飛ばされる件が %1 件あります（番号が 1～5000 の外か、数の欄が数ではありません）:\n")
                           .arg(r.faults.size());
        for (const QString& f : r.faults) out += QStringLiteral("    ") + f + u'\n';
        code = kExitAttention;
    }
    if (code == kExitWell) out += QStringLiteral("  正しく読めました（%1 件）。\n").arg(r.entries.size());
    return code;
}

// YYYY-MM-DD or YYYY/MM/DD.
QDate ParseDate(const QString& text) {
    QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid()) d = QDate::fromString(text, QStringLiteral("yyyy/MM/dd"));
    return d;
}

}  // namespace

bool FindFolders(const QString& given, const QString& programFolder, DataFolders& folders,
                 QString& errorMessage) {
    if (!given.isEmpty()) {
        const QFileInfo info(given);
        if (!info.isDir()) {
            errorMessage = QStringLiteral("データフォルダがありません / no such data folder: %1").arg(given);
            return false;
        }
        const QString folder = QDir::cleanPath(info.absoluteFilePath());
        const QString withSlash = folder == QStringLiteral("/") ? folder : folder + u'/';
        // The data root holds the common settings, the roster, the sound
        // folder or the program's data folder (named as the installed program
        // folder); anything else is taken as the program's data folder, whose
        // parent is the data root.
        const QString programFolderName = startup::InstalledProgramFolderName();
        const bool dataRoot = QFileInfo::exists(withSlash + QStringLiteral("共通データ.txt")) ||
                              QFileInfo::exists(withSlash + QStringLiteral("新名簿.txt")) ||
                              QFileInfo(withSlash + QStringLiteral("音フォルダ")).isDir() ||
                              QFileInfo(withSlash + programFolderName).isDir();
        if (dataRoot) {
            folders.DataRoot = withSlash;
            folders.ProgramDataFolder = withSlash + programFolderName + u'/';
            folders.FoundFrom = QStringLiteral("データのルート %1 の中").arg(withSlash);
            return true;
        }
        folders.ProgramDataFolder = withSlash;
        QDir dir(folder);
        dir.cdUp();
        folders.DataRoot = dir.absolutePath() == QStringLiteral("/") ? QStringLiteral("/")
                                                                    : dir.absolutePath() + u'/';
        folders.FoundFrom = QStringLiteral("指定のとおり");
        return true;
    }
    // As the program finds them, from the folder this tool is installed in.
    const bool devLayout = startup::IsDevLayout(programFolder);
    QString dataRoot;
    if (!devLayout && !startup::ReadDataRoot(programFolder, dataRoot, errorMessage)) return false;
    const startup::Folders f = startup::DeriveFolders(programFolder, dataRoot, devLayout);
    folders.DataRoot = f.DataRoot;
    folders.ProgramDataFolder = f.ProgramDataFolder;
    folders.FoundFrom = devLayout ? QStringLiteral("開発用の配置") : QStringLiteral("パスデータ.txt から");
    return true;
}

QString FolderLine(const DataFolders& folders) {
    QString line = QStringLiteral("データフォルダ: %1").arg(QDir::toNativeSeparators(folders.ProgramDataFolder));
    if (!folders.FoundFrom.isEmpty()) line += QStringLiteral("（%1）").arg(folders.FoundFrom);
    return line + u'\n';
}

int Check(const DataFolders& folders, QString& out) {
    UseFolders(folders);
    out += FolderLine(folders);
    int code = kExitWell;
    for (int part : {CheckResults(out), CheckCriteria(out), CheckRoster(out), CheckCommonFile(out)})
        code = std::max(code, part);
    switch (code) {
    case kExitWell: out += QStringLiteral("結果: 問題はありません。\n"); break;
    case kExitAttention: out += QStringLiteral("結果: 「注意」の行を確かめてください。\n"); break;
    default: out += QStringLiteral("結果: 読めないファイルがあります。\n"); break;
    }
    return code;
}

int Export(const DataFolders& folders, const ExportRequest& request, QString& out, QString& err) {
    UseFolders(folders);
    const auto fail = [&err](const QString& message) {
        err += QStringLiteral("romaji-admin: ") + message + u'\n';
        return kExitUnreadable;
    };

    views::DateRange range;
    if (!request.From.isEmpty() && !(range.From = ParseDate(request.From)).isValid())
        return fail(QStringLiteral("--from の日付が読めません（YYYY-MM-DD）/ bad date: %1").arg(request.From));
    if (!request.To.isEmpty() && !(range.To = ParseDate(request.To)).isValid())
        return fail(QStringLiteral("--to の日付が読めません（YYYY-MM-DD）/ bad date: %1").arg(request.To));
    if (range.From.isValid() && range.To.isValid() && range.From > range.To)
        return fail(QStringLiteral("--from が --to より後です / --from is after --to"));

    // The grade labels need the school year; the points need the criteria.
    startup::CommonFile common;
    QString error;
    if (!startup::ReadCommonFile(folders.DataRoot, common, error)) return fail(error);
    if (!results::LoadCriteria(error)) return fail(error);
    const menus::RosterReading roster = menus::ReadRosterFile(menus::RosterPath());
    if (!roster.readable)
        return fail(QStringLiteral("%1 が読めません。\n%2").arg(menus::RosterPath(), roster.error));
    if (roster.cutShort)
        err += QStringLiteral("romaji-admin: 新名簿.txt は %1 件目の途中で終わっています（その件の名前は出ません）。\n")
                   .arg(roster.cutShortAt);

    // The state last committed, as every reader of the program sees it.
    results::CommittedRead records;
    common::IoFailure failure;
    const QString resultsPath = results::ResultsFilePath();
    if (!QFileInfo::exists(resultsPath))
        err += QStringLiteral("romaji-admin: 成績累積データ.dat はまだありません（見出しの行だけを書きます）。\n");
    if (!results::ReadCommittedResults(resultsPath, results::RecordRange::All(), records, failure, false))
        return fail(QStringLiteral("%1 が読めません。\n%2").arg(resultsPath, common::IoFailureText(failure)));

    views::ExportSchool school;
    school.Roster = roster.entries;
    school.SchoolYear = menus::SchoolYearOf(common::platform().Now().date(),
                                            common.Settings.SchoolYearStartMonth);
    school.LevelNames = common::runState().LevelNames;
    long long rows = 0;
    const QByteArray csv = views::ResultsCsv(records.Bytes, school, range, &rows);

    if (const common::IoFailure failure = common::ReplaceFile(request.Output, QString(), csv))
        return fail(QStringLiteral("%1 に書き込めません。\n%2").arg(request.Output, qt_error_string(failure.Error)));
    out += QStringLiteral("%1 件の記録を %2 に書き出しました。\n").arg(rows).arg(request.Output);
    if (const int tail = static_cast<int>(records.Bytes.size() % results::kRecordSize))
        out += QStringLiteral("最後の半端な %1 バイトは記録ではないので書き出していません。\n").arg(tail);
    return kExitWell;
}

QString HelpText() {
    return QStringLiteral(
        "使い方 / Usage:\n"
        "  romaji-admin check  [データフォルダ]\n"
        "  romaji-admin export [データフォルダ] [--from 日付] [--to 日付] -o ファイル.csv\n"
        "  romaji-admin history [データフォルダ]\n"
        "  romaji-admin restore 番号 [データフォルダ]\n"
        "\n"
        "check   成績累積データ.dat を読んで、記録の数、途中までの記録、プログラムが読み飛ばす記録\n"
        "        （レベルが 0～35 の外、生徒番号が 0～5000 の外、負の結果、負の日付やありえない日付）、\n"
        "        成績累積データ.dat-journal（止まった変更・消去）とその記録、タイム回数データ.txt と\n"
        "        新名簿.txt と 共通データ.txt が正しく読めるかを表示します。何も変えません。\n"
        "        終了コード: 0 問題なし、1 確かめることがある、2 読めないファイルがある。\n"
        "export  すべての記録を CSV（UTF-8、BOM 付き、行末 CR LF）に書き出します: 日付、時刻、\n"
        "        生徒番号、氏名、学年、レベル、レベル名、タイム（秒、時間切れは空）、ポイント、\n"
        "        教室コード。--from と --to（YYYY-MM-DD、その日を含む）で期間を選べます。\n"
        "history 成績変更記録.txt（記録の変更・消去・復元の記録）を番号をつけて表示します。\n"
        "restore history の番号の消去で消えた記録を、もとの場所に戻します（一度だけ）。\n"
        "データフォルダを省くと、プログラムと同じように一つ上のフォルダの パスデータ.txt から\n"
        "決めます。データフォルダはこのプログラムのデータのフォルダ（例 /srv/CAIdata/ローマ字）です。\n"
        "\n"
        "check   reads the results file 成績累積データ.dat as the program does and reports the number\n"
        "        of whole records, a partial record at the end, records the program skips (level\n"
        "        outside 0-35, pupil outside 0-5000, negative results, negative or impossible\n"
        "        dates), a journal 成績累積データ.dat-journal left by an unfinished change or deletion\n"
        "        and the journal events of the maintenance log, and whether\n"
        "        the criteria file, the roster and the common settings read cleanly. It changes nothing.\n"
        "        Exit status: 0 all is well, 1 something needs attention, 2 a file cannot be read.\n"
        "export  writes every record as one CSV row (UTF-8 with a byte-order mark, CR LF line ends):\n"
        "        date, time of day, pupil number, name, grade label, level, level name, result in\n"
        "        seconds (empty for a time-out), points, classroom code. --from and --to\n"
        "        (YYYY-MM-DD, both included) choose a period.\n"
        "history lists the maintenance log 成績変更記録.txt (every change, deletion and restore of a\n"
        "        record), one numbered line each.\n"
        "restore N puts the record that the deletion on history line N removed back at its place\n"
        "        (once).\n"
        "Without a data folder, both take it from the path file パスデータ.txt one level above the\n"
        "program folder, like the program. The data folder is this program's data folder\n"
        "(e.g. /srv/CAIdata/ローマ字), which holds 成績累積データ.dat and タイム回数データ.txt;\n"
        "the roster and the common settings are read from the folder above it.\n");
}

}  // namespace admin

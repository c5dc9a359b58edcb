#include "admin/setupcommands.h"

#include "admin/commands.h"
#include "core/common/replacefile.h"
#include "core/common/textfile.h"
#include "core/menus/roster.h"
#include "core/menus/rostercsv.h"
#include "core/menus/teacherpin.h"
#include "core/results/resultsfile.h"
#include "core/startup/configuration.h"
#include "core/startup/newschool.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace admin {
namespace {

constexpr int kRefused = 1;

const QString kCommonFile = QStringLiteral("共通データ.txt");
const QString kRosterFile = QStringLiteral("新名簿.txt");
const QString kRosterBackup = QStringLiteral("新名簿.bak");
const QString kSoundFolder = QStringLiteral("音フォルダ");
const QString kPathFile = QStringLiteral("パスデータ.txt");

// The roster of a new school: the teacher alone, under the last pupil number
// so that a school's own numbering from 1 stays free. The birth year gives
// the grade beyond high school.
constexpr int kTeacherNumber = 5000;
constexpr int kTeacherBirthYear = 1990;

// Errors of one command: each line prefixed with the tool's name.
int Fail(QString& err, const QString& message, int code) {
    for (const QString& line : message.split(u'\n'))
        err += QStringLiteral("romaji-admin: ") + line + u'\n';
    return code;
}

int Usage(QString& err, const QString& problem) {
    return Fail(err, problem + QStringLiteral("\n(romaji-admin --help)"), kExitUnreadable);
}

// Options of a command: "--name value" pairs and flags, then the positional
// arguments in order. False with the message on an unknown option.
struct Parsed {
    QStringList positional;
    QMap<QString, QString> values;
    QStringList flags;
};
bool Parse(const QStringList& arguments, const QStringList& valueOptions, const QStringList& flagOptions,
           Parsed& parsed, QString& problem) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (valueOptions.contains(a)) {
            if (i + 1 >= arguments.size()) {
                problem = QStringLiteral("%1 のあとに値がありません / %1 needs a value").arg(a);
                return false;
            }
            parsed.values[a] = arguments[++i];
        } else if (flagOptions.contains(a)) {
            parsed.flags << a;
        } else if (a.startsWith(u'-') && a.size() > 1) {
            problem = QStringLiteral("知らないオプション / unknown option: %1").arg(a);
            return false;
        } else {
            parsed.positional << a;
        }
    }
    return true;
}

QString Native(const QString& path) { return QDir::toNativeSeparators(QDir::cleanPath(path)); }

// ---- init ----

// The classroom text of 共通データ.txt from a code and a name, as the
// program reads it back; empty with the problem when it would not be.
QString ClassroomText(const QString& code, const QString& name, QString& problem) {
    if (!code.isEmpty() && (code.size() != 5 || !std::all_of(code.begin(), code.end(), [](QChar c) {
                                return c >= u'0' && c <= u'9';
                            }))) {
        problem = QStringLiteral("教室コードは数字 5 けたです（いまは「%1」）。").arg(code);
        return QString();
    }
    const QString text = code + name;
    if (text.contains(u'"') || text.contains(u'\r') || text.contains(u'\n') ||
        common::FromShiftJis(common::ToShiftJis(text)) != text) {
        problem = QStringLiteral("教室名「%1」に、Shift-JIS にない文字かダブルクォーテーション（\"）か改行があります。")
                      .arg(name);
        return QString();
    }
    QString readCode;
    QString readName;
    startup::SplitClassroomText(text, readCode, readName);
    if (readCode != code || readName != name) {
        problem = code.isEmpty()
                      ? QStringLiteral("教室名「%1」は数字で始まるので、プログラムは初めの 5 文字を教室コードと読みます。"
                                       "--code で教室コードも付けてください。")
                            .arg(name)
                      : QStringLiteral("教室コード「%1」は 00000 にできません（プログラムはコードなしと読みます）。").arg(code);
        return QString();
    }
    return text;
}

QString TeacherRosterText() {
    menus::PupilEntry teacher;
    teacher.Number = kTeacherNumber;
    teacher.BirthYear = kTeacherBirthYear;
    teacher.Name = QStringLiteral("先生");
    return menus::RosterFileText({teacher});
}

// Writes dataRoot as item 1 of the path file in the administrator's folder;
// items 2 to 10 of a path file already there are kept.
bool WritePathFile(const QString& dataRoot, QString& path, QString& problem) {
    path = startup::SystemConfigFolder() + u'/' + kPathFile;
    QStringList items;
    if (const auto old = common::ReadShiftJisFile(path)) items = common::ReadAllItems(*old);
    while (items.size() < 10) items << QString();
    items[0] = dataRoot;
    common::ItemWriter w;
    for (qsizetype i = 0; i < 10; ++i) w.Text(items[i]).EndLine();
    common::IoFailure making;
    if (!common::MakeFolders(startup::SystemConfigFolder(), making)) {
        problem = QStringLiteral("フォルダを作れません: %1").arg(startup::SystemConfigFolder());
        return false;
    }
    QString error;
    if (!common::WriteShiftJisFile(path, w.Result(), &error)) {
        problem = QStringLiteral("%1 に書き込めません。\n%2").arg(Native(path), error);
        return false;
    }
    return true;
}

int Init(const QStringList& arguments, const QString& programFolder, QString& out, QString& err) {
    Parsed p;
    QString problem;
    if (!Parse(arguments, {QStringLiteral("--start-month"), QStringLiteral("--code"), QStringLiteral("--name")},
               {QStringLiteral("--path-file")}, p, problem))
        return Usage(err, problem);
    if (p.positional.size() != 1)
        return Usage(err, QStringLiteral("データのルートを一つ指定してください / give one data root: init DATA_ROOT"));

    bool ok = true;
    const int startMonth = p.values.value(QStringLiteral("--start-month"), QStringLiteral("4")).toInt(&ok);
    if (!ok || startMonth < 1 || startMonth > 12)
        return Fail(err, QStringLiteral("学年の始まる月は 1～12 です（--start-month）。何も変えていません。"), kRefused);
    const QString classroom =
        ClassroomText(p.values.value(QStringLiteral("--code")), p.values.value(QStringLiteral("--name")), problem);
    if (!problem.isEmpty()) return Fail(err, problem + QStringLiteral("何も変えていません。"), kRefused);

    const QString root = QDir::cleanPath(QDir(p.positional.first()).absolutePath()) + u'/';
    if (root.contains(u'"'))
        return Fail(err, QStringLiteral("データのルートの名前にダブルクォーテーション（\"）は使えません。"), kRefused);
    const QString programData = root + startup::InstalledProgramFolderName() + u'/';
    QStringList there;
    for (const QString& name : {kCommonFile, kRosterFile, kSoundFolder, startup::InstalledProgramFolderName()})
        if (QFileInfo::exists(root + name) || QFileInfo(root + name).isSymLink()) there << name;
    if (QFileInfo::exists(root) && !QFileInfo(root).isDir())
        return Fail(err, QStringLiteral("%1 はフォルダではありません。何も変えていません。").arg(Native(root)), kRefused);
    if (!there.isEmpty())
        return Fail(err,
                    QStringLiteral("%1 には学校がもうあります（%2）。何も変えていません。")
                        .arg(Native(root), there.join(QStringLiteral("、"))),
                    kRefused);

    const QString defaults = startup::FindDefaultDataFolder(programFolder);
    if (defaults.isEmpty())
        return Fail(err,
                    QStringLiteral("既定の音と合格基準が見つかりません（%1）。パッケージを入れ直してください。")
                        .arg(Native(programFolder + QStringLiteral("/../../../share/romaji"))),
                    kExitUnreadable);

    QStringList made;
    const auto write = [&](const QString& path, const QString& text) {
        if (!common::WriteShiftJisFile(path, text, &problem)) {
            problem = QStringLiteral("%1 に書き込めません。\n%2").arg(Native(path), problem);
            return false;
        }
        made << path;
        return true;
    };
    common::IoFailure making;
    const bool laidOut = common::MakeFolders(programData, making) &&
                         write(root + kCommonFile, startup::CommonFileText(startMonth, classroom)) &&
                         write(root + kRosterFile, TeacherRosterText()) &&
                         startup::CopyDefaultSounds(defaults, root, made, problem) &&
                         startup::CopyDefaultCriteria(defaults, programData, made, problem);
    if (!laidOut) {
        if (problem.isEmpty()) problem = QStringLiteral("フォルダを作れません: %1").arg(Native(programData));
        return Fail(err, problem + QStringLiteral("\n途中までにできたファイルは残っています。"), kExitUnreadable);
    }

    QString code;
    QString name;
    startup::SplitClassroomText(classroom, code, name);
    const qsizetype sounds = QDir(root + kSoundFolder).entryList({QStringLiteral("*.wav")}, QDir::Files).size();
    out += QStringLiteral("新しい学校を作りました: %1\n").arg(Native(root));
    out += QStringLiteral("  %1  学年の始まる月 %2、教室コード %3、教室名 %4\n")
               .arg(kCommonFile)
               .arg(startMonth)
               .arg(code.isEmpty() ? QStringLiteral("なし") : code, name.isEmpty() ? QStringLiteral("なし") : name);
    out += QStringLiteral("  %1  「先生」（番号 %2）だけ\n").arg(kRosterFile).arg(kTeacherNumber);
    out += QStringLiteral("  %1/  新音ファイル.txt と WAV ファイル %2 個（%3 から）\n")
               .arg(kSoundFolder)
               .arg(sounds)
               .arg(Native(defaults));
    out += QStringLiteral("  %1/タイム回数データ.txt  レベル 1～15 の合格基準\n").arg(startup::InstalledProgramFolderName());
    if (p.flags.contains(QStringLiteral("--path-file"))) {
        QString pathFile;
        if (!WritePathFile(root, pathFile, problem)) return Fail(err, problem, kExitUnreadable);
        out += QStringLiteral("  %1  データのルート %2\n").arg(Native(pathFile), Native(root) + u'/');
    } else {
        out += QStringLiteral("パスデータ.txt は変えていません。この PC のプログラムにこの学校を使わせるには --path-file を付けるか、"
                              "%1 の 1 番目の項目を \"%2\" にしてください。\n")
                   .arg(Native(startup::SystemConfigFolder() + u'/' + kPathFile), root);
    }
    out += QStringLiteral("生徒のアカウントが %1 にファイルを作って書き込めるようにしてください（成績累積データ.dat）。\n"
                          "次に生徒の名簿を読み込みます: romaji-admin roster import 名簿.csv %2\n")
               .arg(Native(programData), Native(root));
    return kExitWell;
}

// ---- roster ----

int RosterImport(const QString& csvPath, const DataFolders& folders, QString& out, QString& err) {
    QString error;
    const auto bytes = common::ReadFileBytes(csvPath, &error);
    if (!bytes) return Fail(err, QStringLiteral("%1 が読めません。\n%2").arg(csvPath, error), kExitUnreadable);
    const menus::RosterImport roster = menus::RosterFromCsv(*bytes);
    if (!roster.Encoding.isEmpty()) out += QStringLiteral("%1 を %2 として読みました。\n").arg(csvPath, roster.Encoding);
    const QString target = folders.DataRoot + kRosterFile;
    if (!roster.Ok()) {
        constexpr int kShown = 50;
        QString text = roster.Errors.mid(0, kShown).join(u'\n');
        if (roster.Errors.size() > kShown) text += QStringLiteral("\nほか %1 件").arg(roster.Errors.size() - kShown);
        const QString kept = QFileInfo::exists(target) ? QStringLiteral("%1 は前のままです。").arg(kRosterFile)
                                                       : QString();
        return Fail(err, text + QStringLiteral("\n何も書いていません。") + kept, kRefused);
    }
    const bool hadRoster = QFileInfo::exists(target);
    if (const common::IoFailure failure =
            common::ReplaceFile(target, folders.DataRoot + kRosterBackup, roster.RosterBytes)) {
        common::LogIoFailure(failure, "roster");
        return Fail(err,
                    QStringLiteral("%1 に書き込めません。\n%2\n%3 は前のままです。")
                        .arg(Native(target), common::ErrorDescription(failure.Error), kRosterFile),
                    kExitUnreadable);
    }
    const auto listed = std::count_if(roster.Entries.begin(), roster.Entries.end(),
                                      [](const menus::PupilEntry& e) { return e.ListingFlag == 0; });
    out += QStringLiteral("%1 に %2 件を書きました（名前の一覧に出るのは %3 件）。\n")
               .arg(Native(target))
               .arg(roster.Entries.size())
               .arg(listed);
    if (hadRoster) out += QStringLiteral("前の名簿は %1 にあります。\n").arg(Native(folders.DataRoot + kRosterBackup));
    for (const QString& w : roster.Warnings) out += QStringLiteral("注意: ") + w + u'\n';
    return kExitWell;
}

int RosterExport(const QString& csvPath, const DataFolders& folders, QString& out, QString& err) {
    const QString source = folders.DataRoot + kRosterFile;
    const menus::RosterReading roster = menus::ReadRosterFile(source);
    if (!roster.readable)
        return Fail(err, QStringLiteral("%1 が読めません。\n%2").arg(Native(source), roster.error), kExitUnreadable);
    const QByteArray csv = menus::RosterCsv(roster.entries);
    if (const common::IoFailure failure = common::ReplaceFile(csvPath, QString(), csv))
        return Fail(err, QStringLiteral("%1 に書き込めません。\n%2").arg(csvPath, qt_error_string(failure.Error)),
                    kExitUnreadable);
    out += QStringLiteral("%1 の %2 件を %3 に書き出しました（UTF-8、BOM 付き）。\n")
               .arg(Native(source))
               .arg(roster.entries.size())
               .arg(csvPath);
    int code = kExitWell;
    if (!roster.faults.isEmpty()) {
        err += QStringLiteral("romaji-admin: 注意: 次の行は数の欄が正しくないので書き出していません:\n");
        for (const QString& f : roster.faults) err += QStringLiteral("  ") + f + u'\n';
        code = kExitAttention;
    }
    if (roster.cutShort) {
        err += QStringLiteral("romaji-admin: 注意: %1 は %2 件目の途中で終わっています（その件は書き出していません）。\n")
                   .arg(kRosterFile)
                   .arg(roster.cutShortAt);
        code = kExitAttention;
    }
    return code;
}

int Roster(const QStringList& arguments, const QString& programFolder, QString& out, QString& err) {
    Parsed p;
    QString problem;
    if (!Parse(arguments, {}, {}, p, problem)) return Usage(err, problem);
    const QString sub = p.positional.value(0);
    if ((sub != QStringLiteral("import") && sub != QStringLiteral("export")) || p.positional.size() < 2 ||
        p.positional.size() > 3)
        return Usage(err, QStringLiteral("roster import FILE.csv [データフォルダ] / roster export FILE.csv [データフォルダ]"));
    DataFolders folders;
    if (!FindFolders(p.positional.value(2), programFolder, folders, problem))
        return Fail(err, problem, kExitUnreadable);
    out += FolderLine(folders);
    return sub == QStringLiteral("import") ? RosterImport(p.positional[1], folders, out, err)
                                           : RosterExport(p.positional[1], folders, out, err);
}

// ---- teacher-pin ----

// One line from standard input; on a terminal without echo, after a prompt
// on standard error. The PIN never goes to any output.
std::optional<QString> ReadSecretLine(const QString& prompt) {
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (terminal) {
        std::fputs(prompt.toUtf8().constData(), stderr);
        std::fflush(stderr);
        ::tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    bool got = false;
    for (int c; (c = std::fgetc(stdin)) != EOF;) {
        got = true;
        if (c == '\n') break;
        line += static_cast<char>(c);
    }
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputs("\n", stderr);
    }
    if (!got) return std::nullopt;
    QString text = QString::fromUtf8(line);
    if (text.endsWith(u'\r')) text.chop(1);
    return text;
}

int TeacherPin(const QStringList& arguments, QString& out, QString& err) {
    Parsed p;
    QString problem;
    if (!Parse(arguments, {}, {}, p, problem)) return Usage(err, problem);
    const QString sub = p.positional.value(0);
    if (p.positional.size() != 1 || (sub != QStringLiteral("set") && sub != QStringLiteral("clear")))
        return Usage(err, QStringLiteral("teacher-pin set / teacher-pin clear"));
    const QString path = menus::TeacherPinPath();

    if (sub == QStringLiteral("clear")) {
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
            out += QStringLiteral("先生の暗証番号は決められていません（%1 はありません）。\n").arg(Native(path));
            return kExitWell;
        }
        common::IoFailure failure;
        if (!common::RemoveFile(path, failure))
            return Fail(err, QStringLiteral("%1 を消せません。\n%2").arg(Native(path), qt_error_string(failure.Error)),
                        kExitUnreadable);
        out += QStringLiteral("先生の暗証番号を消しました（%1）。名前の一覧で「先生」を選ぶと、そのままレベル選択に進みます。\n")
                   .arg(Native(path));
        return kExitWell;
    }

    const QString rule = QStringLiteral("暗証番号は数字 %1～%2 けたです。").arg(menus::kMinPinDigits).arg(menus::kMaxPinDigits);
    const auto pin = ReadSecretLine(QStringLiteral("先生の暗証番号（数字 %1～%2 けた）: ")
                                        .arg(menus::kMinPinDigits)
                                        .arg(menus::kMaxPinDigits));
    if (!pin || !menus::ValidPinText(*pin))
        return Fail(err, rule + QStringLiteral("何も変えていません。"), kRefused);
    if (::isatty(STDIN_FILENO) == 1) {
        const auto again = ReadSecretLine(QStringLiteral("もう一度: "));
        if (!again || *again != *pin)
            return Fail(err, QStringLiteral("二つの暗証番号が違います。何も変えていません。"), kRefused);
    }
    const auto hash = menus::HashPin(*pin);
    if (!hash) return Fail(err, QStringLiteral("暗証番号を暗号化できません（メモリが足りません）。"), kExitUnreadable);

    // Readable by every account (the program checks the PIN as the pupil's
    // account), writable by its owner, root, alone.
    const QString folder = startup::SystemConfigFolder();
    common::IoFailure failure;
    if (common::MakeFolders(folder, failure)) failure = common::ReplaceFile(path, QString(), *hash + '\n', false, 0644);
    if (failure)
        return Fail(err,
                    QStringLiteral("%1 に書き込めません（root で実行してください）。\n%2")
                        .arg(Native(path), qt_error_string(failure.Error)),
                    kExitUnreadable);
    out += QStringLiteral("先生の暗証番号を決めました（%1）。名前の一覧で名前に「先生」を含む人を選ぶと、暗証番号を聞きます。\n")
               .arg(Native(path));
    return kExitWell;
}

}  // namespace

std::optional<int> RunSetupCommand(const QString& command, const QStringList& arguments,
                                   const QString& programFolder, QString& out, QString& err) {
    if (command == QStringLiteral("init")) return Init(arguments, programFolder, out, err);
    if (command == QStringLiteral("roster")) return Roster(arguments, programFolder, out, err);
    if (command == QStringLiteral("teacher-pin")) return TeacherPin(arguments, out, err);
    return std::nullopt;
}

QString SetupHelpText() {
    return QStringLiteral(
        "\n"
        "学校の用意 / Setting a school up:\n"
        "  romaji-admin init DATA_ROOT [--start-month 4] [--code 01234] [--name 教室名] [--path-file]\n"
        "  romaji-admin roster import 名簿.csv [データフォルダ]\n"
        "  romaji-admin roster export 名簿.csv [データフォルダ]\n"
        "  romaji-admin teacher-pin set | clear\n"
        "\n"
        "init     新しい空の学校を作ります: 共通データ.txt、「先生」だけの 新名簿.txt、音フォルダ/（既定の音）、\n"
        "         ローマ字/タイム回数データ.txt（既定の合格基準）。--path-file で /etc/romaji/パスデータ.txt に\n"
        "         DATA_ROOT を書きます。学校がもうあるフォルダには何もしません。\n"
        "roster   import: 表計算の CSV（UTF-8 か Shift-JIS、見出しの行: 番号、名前、生まれ年度、表示区分）から\n"
        "         新名簿.txt を作ります。正しくない行があれば行の番号を示して何も書きません。前の名簿は\n"
        "         新名簿.bak に残ります。export: 名簿を同じ形の CSV に書き出します。\n"
        "teacher-pin  set: 先生の暗証番号（数字 4～16 けた）を決めます。入力は画面に出ません。root で実行します。\n"
        "         clear: 暗証番号をなくします。\n"
        "データフォルダには、データのルート（共通データ.txt のあるフォルダ）か、プログラムのデータのフォルダの\n"
        "どちらを指定してもかまいません。終了コード: 0 できた、1 正しくない入力なので何も変えていない、\n"
        "2 ファイルが読めないか書けない（またはコマンドの誤り）。\n"
        "\n"
        "init     lays out a new, empty school: the common settings, a roster holding only the entry \"先生\",\n"
        "         the default sounds and the default criteria of the 15 levels; with --path-file it also\n"
        "         writes DATA_ROOT into /etc/romaji/パスデータ.txt. It refuses a folder that holds a school.\n"
        "roster   import writes 新名簿.txt from a spreadsheet's CSV (UTF-8 with or without BOM, or Shift-JIS;\n"
        "         a header row naming the columns 番号/number, 名前/name, 生まれ年度/birth year, 表示区分/\n"
        "         listing flag). Every row is checked as the program reads the roster; a bad row is named by\n"
        "         its line and nothing is written. The old roster is kept as 新名簿.bak. export writes the\n"
        "         roster back as CSV.\n"
        "teacher-pin  set asks for the teacher's PIN (4-16 digits, not echoed; read from standard input\n"
        "         when that is no terminal) and stores a salted Argon2id hash of it in /etc/romaji/teacher-pin\n"
        "         (or $ROMAJI_CONFIG_DIR); clear removes it. Run them as root.\n"
        "Every command that reads the school's files takes either the data root (the folder holding\n"
        "共通データ.txt) or the program's data folder, and says which data folder it used.\n"
        "Exit status: 0 done, 1 refused (bad input, nothing changed), 2 a file cannot be read or\n"
        "written (or the command line is wrong).\n");
}

}  // namespace admin

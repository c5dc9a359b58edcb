#include "admin/history.h"

#include "core/common/runstate.h"
#include "core/results/changelog.h"
#include "core/results/resultsfile.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace admin {
namespace {

QString RecordText(const QByteArray& bytes) {
    if (bytes.size() != results::kRecordSize) return QStringLiteral("（内容なし）");
    const results::CumulativeRecord r = results::DecodeRecord(bytes.constData());
    return QStringLiteral("%1 %2 生徒 %3 レベル %4 %5秒 教室 %6")
        .arg(results::DateValueText(r.RecordDate), results::DateValueText(r.RecordTime))
        .arg(r.PupilNumber)
        .arg(r.Level)
        .arg(r.Result)
        .arg(QString::fromLatin1(r.SchoolCodeText).trimmed());
}

// What became of a deletion afterwards: undone by a journal, put back, or
// still to be put back.
QString DeletionFate(const std::vector<results::ChangeLogEntry>& log, size_t index) {
    if (results::RolledBack(log, index)) return QStringLiteral("（途中で止まり、取り消されました）");
    for (size_t j = index + 1; j < log.size(); ++j)
        if (log[j].Op == results::LogOp::Restore && log[j].Undoes == static_cast<qint64>(index + 1) &&
            !results::RolledBack(log, j))
            return QStringLiteral("（履歴 %1 で戻しました）").arg(j + 1);
    return QStringLiteral("（romaji-admin restore %1 で戻せます）").arg(index + 1);
}

QString EntryText(const std::vector<results::ChangeLogEntry>& log, size_t index) {
    const results::ChangeLogEntry& e = log[index];
    const QString head = QStringLiteral("%1  %2  %3  %4  ")
                             .arg(index + 1, 4)
                             .arg(e.When, e.Pc, e.Name.isEmpty() ? QStringLiteral("（名前なし）") : e.Name);
    const QString undone = results::RolledBack(log, index) ? QStringLiteral("（途中で止まり、取り消されました）")
                                                           : QString();
    switch (e.Op) {
    case results::LogOp::Change:
        return head + QStringLiteral("変更 記録 %1: %2 → %3").arg(e.Number).arg(RecordText(e.Old), RecordText(e.New)) +
               undone;
    case results::LogOp::Delete:
        return head + QStringLiteral("消去 記録 %1: %2").arg(e.Number).arg(RecordText(e.Old)) + DeletionFate(log, index);
    case results::LogOp::Restore:
        return head + QStringLiteral("復元 記録 %1: %2（履歴 %3 の消去を戻す）")
                          .arg(e.Number)
                          .arg(RecordText(e.New))
                          .arg(e.Undoes) +
               undone;
    case results::LogOp::JournalApplied:
        return head + QStringLiteral("ジャーナル適用: 止まった%1（記録 %2）を元に戻しました").arg(e.Detail).arg(e.Number);
    case results::LogOp::JournalSetAside:
        return head + QStringLiteral("ジャーナル退避: %1 にしました（%2）").arg(e.SetAsideAs, e.Detail);
    case results::LogOp::JournalRemoved:
        return head + QStringLiteral("ジャーナル削除: %1").arg(e.Detail);
    case results::LogOp::Unknown: break;
    }
    return head + QStringLiteral("読めない行: ") + e.Detail;
}

// Who restores: the account the tool runs under.
QString AccountName() {
    if (const passwd* pw = ::getpwuid(::geteuid())) return QString::fromLocal8Bit(pw->pw_name);
    return QString::number(::geteuid());
}

}  // namespace

int History(const DataFolders& folders, QString& out, QString& err) {
    const QString folder = folders.ProgramDataFolder;
    std::vector<results::ChangeLogEntry> log;
    common::IoFailure failure;
    if (!results::ReadChangeLog(folder, log, failure)) {
        err += QStringLiteral("romaji-admin: %1 が読めません。\n%2\n")
                   .arg(results::kChangeLogFileName, common::IoFailureText(failure));
        return kExitUnreadable;
    }
    out += QStringLiteral("%1（%2 件）\n")
               .arg(QDir::toNativeSeparators(results::ChangeLogPath(folder)))
               .arg(log.size());
    for (size_t i = 0; i < log.size(); ++i) out += EntryText(log, i) + u'\n';
    return kExitWell;
}

int Restore(const DataFolders& folders, const QString& number, QString& out, QString& err) {
    bool ok = false;
    const qint64 line = number.toLongLong(&ok);
    if (!ok || line < 1) {
        err += QStringLiteral("romaji-admin: 履歴の番号が読めません / bad history number: %1\n").arg(number);
        return kExitUnreadable;
    }
    common::RunState& rs = common::runState();
    rs.DataRoot = folders.DataRoot;
    rs.ProgramDataFolder = folders.ProgramDataFolder;
    rs.CurrentPupilName = AccountName();
    const results::RewriteResult r = results::RestoreRecord(folders.ProgramDataFolder, line);
    switch (r.Outcome) {
    case results::RewriteOutcome::Done:
        out += QStringLiteral("履歴 %1 で消した記録を 記録 %2 に戻しました。\n").arg(line).arg(r.Number);
        return kExitWell;
    case results::RewriteOutcome::DoneNotFlushed:
        out += QStringLiteral("履歴 %1 で消した記録を 記録 %2 に戻しました。\n").arg(line).arg(r.Number);
        err += QStringLiteral("romaji-admin: 戻しましたが、ディスクに書き込まれていないかもしれません。\n%1\n")
                   .arg(common::IoFailureText(r.Failure));
        return kExitAttention;
    case results::RewriteOutcome::NotRestorable:
        err += QStringLiteral("romaji-admin: %1\n").arg(r.Reason);
        return kExitAttention;
    case results::RewriteOutcome::RecordsChanged:
    case results::RewriteOutcome::Failed: break;
    }
    err += QStringLiteral("romaji-admin: 戻せませんでした。記録は変わっていません。\n%1\n")
               .arg(common::IoFailureText(r.Failure));
    return kExitUnreadable;
}

}  // namespace admin

#include "core/results/changelog.h"

#include "core/common/dates.h"
#include "core/common/platform.h"
#include "core/common/runstate.h"
#include "core/common/strings.h"
#include "core/common/textfile.h"
#include "core/results/resultsfile.h"

#include <QSysInfo>

#include <fcntl.h>

namespace results {
namespace {

const QString kErased = QStringLiteral("消去");

struct OpName {
    LogOp Op;
    const char16_t* Name;
};
constexpr OpName kOpNames[] = {
    {LogOp::Change, u"変更"},
    {LogOp::Delete, u"消去"},
    {LogOp::Restore, u"復元"},
    {LogOp::JournalApplied, u"ジャーナル適用"},
    {LogOp::JournalSetAside, u"ジャーナル退避"},
    {LogOp::JournalRemoved, u"ジャーナル削除"},
};

QString NameOf(LogOp op) {
    for (const OpName& n : kOpNames)
        if (n.Op == op) return QString::fromUtf16(n.Name);
    return QString();
}

LogOp OpOf(const QString& name) {
    for (const OpName& n : kOpNames)
        if (name == QString::fromUtf16(n.Name)) return n.Op;
    return LogOp::Unknown;
}

// A free text as one item: its quotes and line ends would split the line.
QString Plain(QString text) {
    text.replace(u'"', u'”');
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

// The seven items of a record.
void WriteRecord(common::ItemWriter& w, const QByteArray& bytes) {
    const LogEntry e = DecodeEntry(bytes.constData());
    w.Text(DateValueText(e.RecordDate))
        .Text(DateValueText(e.RecordTime))
        .Number(static_cast<long long>(e.PupilNumber))
        .Number(static_cast<long long>(e.Level))
        .Number(static_cast<long long>(e.Result))
        .Text(Plain(common::FromShiftJis(bytes.mid(24, 5)).trimmed()))
        .Text(QString::fromLatin1(bytes.toHex()));
}

// The record of seven items from `at`: its bytes from the hexadecimal item.
QByteArray ReadRecord(const QStringList& items, qsizetype at) {
    if (items.size() < at + 7) return {};
    const QByteArray bytes = QByteArray::fromHex(items[at + 6].toLatin1());
    return bytes.size() == kRecordSize ? bytes : QByteArray();
}

qint64 NumberAt(const QStringList& items, qsizetype at) {
    return at < items.size() ? items[at].trimmed().toLongLong() : 0;
}

QString TextAt(const QStringList& items, qsizetype at) { return at < items.size() ? items[at] : QString(); }

// Where the items of each kind of line stand (-1: not in it); a record takes
// seven items from its place.
struct ItemLayout {
    LogOp Op;
    int Old, New, Nonce, Undoes, Detail, SetAsideAs;
};
constexpr ItemLayout kLayouts[] = {
    {LogOp::Change, 5, 12, 19, -1, -1, -1},
    {LogOp::Delete, 5, -1, 13, -1, -1, -1},
    {LogOp::Restore, -1, 6, 13, 14, -1, -1},
    {LogOp::JournalApplied, -1, -1, 6, -1, 5, -1},
    {LogOp::JournalSetAside, -1, -1, -1, -1, 5, 6},
    {LogOp::JournalRemoved, -1, -1, -1, -1, 5, -1},
};

const ItemLayout* LayoutOf(LogOp op) {
    for (const ItemLayout& l : kLayouts)
        if (l.Op == op) return &l;
    return nullptr;
}

}  // namespace

QString ChangeLogPath(const QString& folder) { return folder + kChangeLogFileName; }

ChangeLogEntry NewLogEntry(LogOp op) {
    ChangeLogEntry e;
    const QDateTime now = common::platform().Now();
    e.When = common::DateText(now.date()) + u' ' + common::TimeText(now.time());
    e.Pc = QSysInfo::machineHostName();
    e.Name = common::TrimSpaces(common::runState().CurrentPupilName);
    e.Op = op;
    return e;
}

QString ChangeLogLine(const ChangeLogEntry& e) {
    common::ItemWriter w;
    w.Text(e.When).Text(Plain(e.Pc)).Text(Plain(e.Name)).Text(NameOf(e.Op)).Number(static_cast<long long>(e.Number));
    switch (e.Op) {
    case LogOp::Change:
        WriteRecord(w, e.Old);
        WriteRecord(w, e.New);
        w.Text(e.Nonce);
        break;
    case LogOp::Delete:
        WriteRecord(w, e.Old);
        w.Text(kErased).Text(e.Nonce);
        break;
    case LogOp::Restore:
        w.Text(kErased);
        WriteRecord(w, e.New);
        w.Text(e.Nonce).Number(static_cast<long long>(e.Undoes));
        break;
    case LogOp::JournalApplied: w.Text(e.Detail).Text(e.Nonce); break;
    case LogOp::JournalSetAside: w.Text(Plain(e.Detail)).Text(Plain(e.SetAsideAs)); break;
    case LogOp::JournalRemoved: w.Text(Plain(e.Detail)); break;
    case LogOp::Unknown: break;
    }
    return w.EndLine().Result();
}

bool AppendChangeLog(const QString& folder, const ChangeLogEntry& entry, common::IoFailure& failure) {
    const QByteArray line = common::ToShiftJis(ChangeLogLine(entry));
    common::IoFile log;
    qint64 size = 0;
    // At the end as it is: the appenders' lock keeps every other writer out.
    return log.OpenInDataFolder(ChangeLogPath(folder), O_WRONLY | O_CREAT, failure) && log.Size(size, failure) &&
           log.Write(size, line.constData(), line.size(), failure) && log.Sync(failure) && log.Close(failure);
}

std::vector<ChangeLogEntry> ParseChangeLog(const QByteArray& bytes) {
    std::vector<ChangeLogEntry> entries;
    const QString text = common::FromShiftJis(bytes);
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.trimmed().isEmpty()) continue;
        const QStringList items = common::ReadAllItems(line.toString());
        ChangeLogEntry e;
        e.When = TextAt(items, 0);
        e.Pc = TextAt(items, 1);
        e.Name = TextAt(items, 2);
        e.Op = OpOf(TextAt(items, 3));
        e.Number = NumberAt(items, 4);
        if (const ItemLayout* at = LayoutOf(e.Op)) {
            if (at->Old >= 0) e.Old = ReadRecord(items, at->Old);
            if (at->New >= 0) e.New = ReadRecord(items, at->New);
            if (at->Nonce >= 0) e.Nonce = TextAt(items, at->Nonce);
            if (at->Undoes >= 0) e.Undoes = NumberAt(items, at->Undoes);
            if (at->Detail >= 0) e.Detail = TextAt(items, at->Detail);
            if (at->SetAsideAs >= 0) e.SetAsideAs = TextAt(items, at->SetAsideAs);
        } else {
            e.Detail = line.toString();
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

bool ReadChangeLog(const QString& folder, std::vector<ChangeLogEntry>& entries, common::IoFailure& failure) {
    entries.clear();
    QByteArray bytes;
    common::IoFailure reading;
    if (!common::ReadWholeFile(ChangeLogPath(folder), bytes, reading)) {
        if (reading.Call == common::IoCall::Open && reading.Error == ENOENT) return true;  // nothing changed yet
        failure = reading;
        return false;
    }
    entries = ParseChangeLog(bytes);
    return true;
}

bool RolledBack(const std::vector<ChangeLogEntry>& entries, size_t index) {
    const QString& nonce = entries[index].Nonce;
    if (nonce.isEmpty()) return false;
    for (size_t j = index + 1; j < entries.size(); ++j)
        if (entries[j].Op == LogOp::JournalApplied && entries[j].Nonce == nonce) return true;
    return false;
}

qint64 RestorePosition(const std::vector<ChangeLogEntry>& entries, qint64 line, QString& reason) {
    if (line < 1 || line > static_cast<qint64>(entries.size())) {
        reason = QStringLiteral("履歴 %1 はありません（履歴は 1～%2）。").arg(line).arg(entries.size());
        return 0;
    }
    const size_t index = static_cast<size_t>(line - 1);
    const ChangeLogEntry& e = entries[index];
    if (e.Op != LogOp::Delete || e.Old.size() != kRecordSize) {
        reason = QStringLiteral("履歴 %1 は記録の消去ではありません。").arg(line);
        return 0;
    }
    if (RolledBack(entries, index)) {
        reason = QStringLiteral("履歴 %1 の消去は途中で止まり、取り消されています。記録は消えていません。").arg(line);
        return 0;
    }
    qint64 at = e.Number;
    for (size_t j = index + 1; j < entries.size(); ++j) {
        const ChangeLogEntry& later = entries[j];
        if (RolledBack(entries, j)) continue;
        if (later.Op == LogOp::Restore && later.Undoes == line) {
            reason = QStringLiteral("履歴 %1 の記録は履歴 %2 でもう戻されています。").arg(line).arg(j + 1);
            return 0;
        }
        // A record deleted before this one's place moves it up; one put back
        // before it, or at it when that record stood before this one (its
        // deletion was logged earlier), moves it down.
        if (later.Op == LogOp::Delete && later.Number < at) --at;
        if (later.Op == LogOp::Restore && (later.Number < at || (later.Number == at && later.Undoes < line))) ++at;
    }
    return at;
}

}  // namespace results

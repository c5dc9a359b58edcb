#include "core/results/journal.h"

#include "core/results/resultsfile.h"

#include <QRandomGenerator>
#include <QtEndian>

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace results {
namespace {

constexpr char kMagic[] = "RomajiResultsJnl";
constexpr int kMagicSize = 16;
constexpr std::uint32_t kVersion = 1;
constexpr int kChecksumAt = kJournalChecksumAt;
constexpr int kChecksumSize = kJournalChecksumSize;

// SHA-256 of the header's first 64 bytes and the content. OpenSSL's, which
// uses the processor's SHA instructions: a deletion in a file of 200000
// records hashes 8.8 MB while the teacher waits.
QByteArray Checksum(QByteArrayView head, QByteArrayView content) {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    QByteArray out(kChecksumSize, '\0');
    unsigned int n = 0;
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1 ||
        EVP_DigestUpdate(ctx.get(), head.data(), static_cast<size_t>(head.size())) != 1 ||
        EVP_DigestUpdate(ctx.get(), content.data(), static_cast<size_t>(content.size())) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &n) != 1 ||
        n != kChecksumSize)
        out.fill('\xff');  // matches no journal's checksum in practice; never applied
    return out;
}

bool KnownOp(std::uint32_t op) { return op >= 1 && op <= 3; }

// Whether the journal holds nothing the results file lacks: its header, as far
// as it was written, is one of ours, the file has the length the header names
// (when it got that far), and every content byte written is the file's byte.
bool NothingTheFileLacks(QByteArrayView journal, common::IoFile* file, qint64 fileLength, bool& same, common::IoFailure& failure) {
    same = false;
    const qsizetype magic = std::min<qsizetype>(journal.size(), kMagicSize);
    if (std::memcmp(journal.data(), kMagic, static_cast<size_t>(magic)) != 0) return true;
    if (journal.size() < kJournalHeaderSize) {
        // The header itself was cut: the rewrite never began, since it
        // begins only once the whole journal is on disk.
        same = journal.size() < 24 || (qFromLittleEndian<std::uint32_t>(journal.data() + 16) == kVersion &&
                                       qFromLittleEndian<std::uint32_t>(journal.data() + 20) == kRecordSize);
        return true;
    }
    const qint64 length = qFromLittleEndian<qint64>(journal.data() + 24);
    if (length != fileLength) return true;
    const qint64 present = journal.size() - kJournalHeaderSize;
    if (present > length) return true;
    QByteArray bytes(present, Qt::Uninitialized);
    qint64 got = 0;
    if (present > 0 && (!file || !file->Read(0, bytes.data(), present, got, failure))) return file == nullptr;
    same = got == present && std::memcmp(bytes.constData(), journal.data() + kJournalHeaderSize,
                                         static_cast<size_t>(present)) == 0;
    return true;
}

}  // namespace

QByteArray NewJournalNonce() {
    QByteArray nonce(kJournalNonceSize, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(nonce.data()), kJournalNonceSize / 4);
    return nonce;
}

QByteArray JournalChecksum(QByteArrayView header, QByteArrayView content) {
    return Checksum(header.first(kChecksumAt), content);
}

QByteArray JournalHeaderBytes(const JournalHeader& h, QByteArrayView content, bool sealed) {
    QByteArray out(kJournalHeaderSize, '\0');
    char* p = out.data();
    std::memcpy(p, kMagic, kMagicSize);
    qToLittleEndian<std::uint32_t>(kVersion, p + 16);
    qToLittleEndian<std::uint32_t>(kRecordSize, p + 20);
    qToLittleEndian<qint64>(content.size(), p + 24);
    qToLittleEndian<std::uint32_t>(static_cast<std::uint32_t>(h.Op), p + 32);
    qToLittleEndian<qint64>(h.RecordNumber, p + 40);
    std::memcpy(p + 48, h.Nonce.constData(), static_cast<size_t>(std::min<qsizetype>(h.Nonce.size(), kJournalNonceSize)));
    if (sealed) {
        const QByteArray sum = Checksum(QByteArrayView(p, kChecksumAt), content);
        std::memcpy(p + kChecksumAt, sum.constData(), kChecksumSize);
    }
    return out;
}

bool CheckJournal(QByteArrayView journal, common::IoFile* file, JournalCheck& check, common::IoFailure& failure) {
    check = {};
    qint64 fileLength = 0;
    if (file && !file->Size(fileLength, failure)) return false;
    const auto foreign = [&](const QString& reason) {
        // A journal cut short by a kill or a full disk before the rewrite
        // began holds nothing that is not in the file: it goes.
        bool same = false;
        if (!NothingTheFileLacks(journal, file, fileLength, same, failure)) return false;
        check.Verdict = same ? JournalVerdict::Torn : JournalVerdict::Foreign;
        check.Reason = same ? QStringLiteral("書きかけ（記録はすべて %1 にあります）").arg(kResultsFileName)
                            : reason;
        return true;
    };
    if (journal.size() < kJournalHeaderSize || std::memcmp(journal.data(), kMagic, kMagicSize) != 0 ||
        qFromLittleEndian<std::uint32_t>(journal.data() + 16) != kVersion ||
        qFromLittleEndian<std::uint32_t>(journal.data() + 20) != kRecordSize ||
        !KnownOp(qFromLittleEndian<std::uint32_t>(journal.data() + 32)))
        return foreign(QStringLiteral("見出しがジャーナルのものではありません"));
    JournalHeader& h = check.Header;
    h.FileLength = qFromLittleEndian<qint64>(journal.data() + 24);
    h.Op = static_cast<JournalOp>(qFromLittleEndian<std::uint32_t>(journal.data() + 32));
    h.RecordNumber = qFromLittleEndian<qint64>(journal.data() + 40);
    h.Nonce = QByteArray(journal.data() + 48, kJournalNonceSize);
    if (h.FileLength < 0 || journal.size() - kJournalHeaderSize != h.FileLength)
        return foreign(QStringLiteral("長さが見出しと合いません"));
    const QByteArrayView content = journal.sliced(kJournalHeaderSize);
    if (Checksum(journal.first(kChecksumAt), content) != journal.sliced(kChecksumAt, kChecksumSize))
        return foreign(QStringLiteral("チェックサムが合いません"));

    // The results file must be what the rewrite can have left: no longer than
    // the journal's content (a restore adds one record), and every byte before
    // the rewritten record as the journal has it.
    const qint64 records = h.FileLength / kRecordSize;
    const qint64 growth = h.Op == JournalOp::Restore ? kRecordSize : 0;
    const qint64 lastNumber = h.Op == JournalOp::Restore ? records + 1 : records;
    if (h.RecordNumber < 1 || h.RecordNumber > lastNumber)
        return foreign(QStringLiteral("記録番号 %1 が内容の外です").arg(h.RecordNumber));
    const qint64 prefix = (h.RecordNumber - 1) * kRecordSize;
    bool fits = fileLength <= h.FileLength + growth && fileLength >= prefix;
    if (fits && prefix > 0) {
        QByteArray bytes(prefix, Qt::Uninitialized);
        qint64 got = 0;
        if (!file->Read(0, bytes.data(), prefix, got, failure)) return false;
        fits = got == prefix && std::memcmp(bytes.constData(), content.data(), static_cast<size_t>(prefix)) == 0;
    }
    if (!fits)
        return foreign(QStringLiteral("%1 が書き換えの途中の形ではありません").arg(kResultsFileName));
    check.Verdict = JournalVerdict::Hot;
    return true;
}

QString JournalOpName(JournalOp op) {
    switch (op) {
    case JournalOp::Change: return QStringLiteral("変更");
    case JournalOp::Delete: return QStringLiteral("消去");
    case JournalOp::Restore: return QStringLiteral("復元");
    }
    return QString();
}

}  // namespace results

#pragma once
// The rollback journal of records maintenance, "成績累積データ.dat-journal":
// a header, then the whole results file as it was before a change, deletion
// or restore, with a SHA-256 checksum over both. A file is never trusted for
// its name: the next lock holder puts the results file back from a journal
// only when the journal is sound and the file can be a half-done rewrite of it.
//
// Header (little-endian, kJournalHeaderSize bytes):
//    0  16  magic text "RomajiResultsJnl"
//   16   4  format version (1)
//   20   4  record size (44)
//   24   8  length of the results file when the journal was made = content length
//   32   4  operation (1 change, 2 deletion, 3 restore)
//   36   4  zero
//   40   8  record number the operation rewrites (from 1)
//   48  16  random nonce: tells this journal from every other one
//   64  32  SHA-256 of bytes 0..63 and the content
//   96      the content

#include "core/common/fileio.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace results {

inline constexpr int kJournalHeaderSize = 96;
inline constexpr int kJournalNonceSize = 16;
inline constexpr int kJournalChecksumAt = 64;
inline constexpr int kJournalChecksumSize = 32;

enum class JournalOp : std::uint32_t { Change = 1, Delete = 2, Restore = 3 };

struct JournalHeader {
    qint64 FileLength = 0;
    JournalOp Op = JournalOp::Change;
    qint64 RecordNumber = 0;
    QByteArray Nonce;  // kJournalNonceSize bytes
};

// A nonce from the system's random source.
QByteArray NewJournalNonce();
// The header of a journal holding `content` (the results file as it is now),
// its checksum filled in, or (`sealed` false) left zero for JournalChecksum
// to fill in later.
QByteArray JournalHeaderBytes(const JournalHeader& header, QByteArrayView content, bool sealed = true);
// The checksum of a header's first kJournalChecksumAt bytes and the content.
QByteArray JournalChecksum(QByteArrayView header, QByteArrayView content);

// What the next lock holder does with a journal it finds.
enum class JournalVerdict {
    Hot,      // sound, and the results file can be a half-done rewrite of it: put the file back
    Torn,     // written only in part and every byte of it is still in the results file: removed
    Foreign,  // anything else: set aside under another name, the results file left as it is
};

struct JournalCheck {
    JournalVerdict Verdict = JournalVerdict::Foreign;
    QString Reason;  // why a journal is not applied
    JournalHeader Header;
};

// Judges the bytes of a journal against the results file beside it (`file`
// open for reading, or nullptr when there is none). False when the results
// file cannot be read; `failure` then says why.
bool CheckJournal(QByteArrayView journal, common::IoFile* file, JournalCheck& check, common::IoFailure& failure);

// "消去", "変更", "復元": the operation as the maintenance log names it.
QString JournalOpName(JournalOp op);

}  // namespace results

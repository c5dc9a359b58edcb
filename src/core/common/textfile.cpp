#include "core/common/textfile.h"

#include "core/common/fileio.h"
#include "core/common/numbers.h"
#include "core/common/replacefile.h"

#include <QDir>
#include <QStringDecoder>
#include <QStringEncoder>

namespace common {
namespace {
// Code page 932 as Windows has it (NEC and IBM extensions: ① Ⅰ ～ －).
constexpr const char* kCodePage932 = "windows-31j";

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool IsLineEnd(QChar c) { return c == u'\r' || c == u'\n'; }
}  // namespace

QString FromShiftJis(const QByteArray& bytes) {
    QStringDecoder decoder(kCodePage932);
    if (!decoder.isValid())
        qFatal("Shift-JIS (%s) is not available in this Qt build", kCodePage932);
    return decoder.decode(bytes);
}

QByteArray ToShiftJis(const QString& text) {
    QStringEncoder encoder(kCodePage932);
    if (!encoder.isValid())
        qFatal("Shift-JIS (%s) is not available in this Qt build", kCodePage932);
    return encoder.encode(text);
}

std::optional<QByteArray> ReadFileBytes(const QString& path, QString* errorText) {
    QByteArray bytes;
    IoFailure failure;
    if (!ReadWholeFile(path, bytes, failure, true)) {
        if (errorText) *errorText = qt_error_string(failure.Error);
        return std::nullopt;
    }
    return bytes;
}

std::optional<QString> ReadShiftJisFile(const QString& path, QString* errorText) {
    auto bytes = ReadFileBytes(path, errorText);
    if (!bytes) return std::nullopt;
    return FromShiftJis(*bytes);
}

bool WriteShiftJisFile(const QString& path, const QString& text, QString* errorText, bool inPlaceFallback) {
    const IoFailure failure = ReplaceFile(path, QString(), ToShiftJis(text), inPlaceFallback);
    if (!failure) return true;
    if (errorText) *errorText = qt_error_string(failure.Error);
    return false;
}

ItemReader::ItemReader(QString text) : text_(std::move(text)) {}

bool ItemReader::AtEnd() const { return pos_ >= text_.size() && !commaBeforeEnd_; }

std::optional<QString> ItemReader::Next() {
    if (commaBeforeEnd_) {
        commaBeforeEnd_ = false;
        lastQuoted_ = false;
        return QString();
    }
    if (AtEnd()) return std::nullopt;
    const qsizetype n = text_.size();
    while (pos_ < n && IsBlank(text_[pos_])) ++pos_;
    QString item;
    lastQuoted_ = false;
    if (pos_ < n && text_[pos_] == u'"') {
        lastQuoted_ = true;
        const qsizetype close = text_.indexOf(u'"', pos_ + 1);
        const qsizetype end = close < 0 ? n : close;
        item = text_.mid(pos_ + 1, end - pos_ - 1);
        pos_ = close < 0 ? n : close + 1;
        // Anything between the closing quote and the separator is dropped.
        while (pos_ < n && text_[pos_] != u',' && !IsLineEnd(text_[pos_])) ++pos_;
    } else {
        const qsizetype start = pos_;
        while (pos_ < n && text_[pos_] != u',' && !IsLineEnd(text_[pos_])) ++pos_;
        qsizetype end = pos_;
        while (end > start && IsBlank(text_[end - 1])) --end;
        item = text_.mid(start, end - start);
    }
    // Consume the separator: a comma, or one line end (CR LF, CR or LF).
    if (pos_ < n) {
        if (text_[pos_] == u',') {
            ++pos_;
            commaBeforeEnd_ = pos_ >= n;
        } else if (text_[pos_] == u'\r') {
            ++pos_;
            if (pos_ < n && text_[pos_] == u'\n') ++pos_;
        } else if (text_[pos_] == u'\n') {
            ++pos_;
        }
    }
    return item;
}

std::optional<double> ItemReader::NextNumber() {
    auto item = Next();
    if (!item) return std::nullopt;
    return LeadingNumber(*item);
}

QStringList ReadAllItems(const QString& text) {
    QStringList items;
    ItemReader reader(text);
    while (auto item = reader.Next()) items << *item;
    return items;
}

void ItemWriter::Separate() {
    if (lineStarted_) out_ += u',';
    lineStarted_ = true;
}

ItemWriter& ItemWriter::Text(const QString& value) {
    Separate();
    out_ += u'"';
    out_ += value;
    out_ += u'"';
    return *this;
}

ItemWriter& ItemWriter::Number(long long value) {
    Separate();
    out_ += QString::number(value);
    return *this;
}

ItemWriter& ItemWriter::Number(double value) {
    Separate();
    out_ += QString::number(value, 'g', 15);
    return *this;
}

ItemWriter& ItemWriter::Raw(const QString& value) {
    Separate();
    out_ += value;
    return *this;
}

ItemWriter& ItemWriter::EndLine() {
    out_ += QStringLiteral("\r\n");
    lineStarted_ = false;
    return *this;
}

QString CannotReadMessage(const QString& fileName, const QString& path, const QString& reason) {
    return QStringLiteral("%1 が読めません。\n%2\n%3").arg(fileName, QDir::cleanPath(path), reason);
}

}  // namespace common

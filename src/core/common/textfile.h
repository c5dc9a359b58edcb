#pragma once
// Shift-JIS text files and the delimited-item format shared by the
// configuration files, the criteria file, the sound list, the mode file and
// the roster: items separated by commas or line ends, an item optionally in
// double quotes (then it may hold commas), blanks around an unquoted item
// dropped. Only the order of the items counts, not how they are spread over
// lines.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace common {

// Code page 932 <-> internal text.
QString FromShiftJis(const QByteArray& bytes);
QByteArray ToShiftJis(const QString& text);

// Reads a whole file (through the file layer). Empty optional when it cannot
// be read; errorText then says why.
std::optional<QByteArray> ReadFileBytes(const QString& path, QString* errorText = nullptr);
std::optional<QString> ReadShiftJisFile(const QString& path, QString* errorText = nullptr);
// The message of a file that could not be read: its name, its path and why.
QString CannotReadMessage(const QString& fileName, const QString& path, const QString& reason);
// Replaces the file with text encoded as Shift-JIS (ReplaceFile without a
// backup: written to a new file first and renamed over, so a crash never
// leaves half a file). With inPlaceFallback, a folder that may not be written
// into (a program folder on a shared PC) does not stop the save: the file
// itself is rewritten in place when it may be written; fit for a file of one item.
bool WriteShiftJisFile(const QString& path, const QString& text, QString* errorText = nullptr,
                       bool inPlaceFallback = false);

// Reads items one after another from decoded text.
class ItemReader {
public:
    explicit ItemReader(QString text);

    bool AtEnd() const;
    // The next item as text (quotes removed), or nothing at the end of the text.
    std::optional<QString> Next();
    // The next item read as a number: its leading numeric part, 0 when it has none.
    std::optional<double> NextNumber();
    // Whether the last item returned by Next() was in quotes.
    bool LastWasQuoted() const { return lastQuoted_; }
    // Where in the text the next item starts (for telling a line number).
    qsizetype Position() const { return pos_; }

private:
    QString text_;
    qsizetype pos_ = 0;
    bool lastQuoted_ = false;
    bool commaBeforeEnd_ = false;  // the text ends right after a comma: one empty item is left
};

// Splits text into all its items.
QStringList ReadAllItems(const QString& text);

// Builds delimited lines: text in double quotes, numbers bare, items separated
// by commas, each line ended with CR LF.
class ItemWriter {
public:
    ItemWriter& Text(const QString& value);
    ItemWriter& Number(long long value);
    ItemWriter& Number(double value);
    // An item written as it stands, without quotes.
    ItemWriter& Raw(const QString& value);
    ItemWriter& EndLine();
    const QString& Result() const { return out_; }

private:
    void Separate();
    QString out_;
    bool lineStarted_ = false;
};

}  // namespace common

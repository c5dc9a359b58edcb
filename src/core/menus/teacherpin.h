#pragma once
// The teacher's PIN, set by the administrator (romaji-admin teacher-pin): with
// one set, a teacher's roster entry opens the level menu only after the PIN
// is given on the name screen. The file holds a salted, slow hash (Argon2id,
// libsodium's crypto_pwhash_str), never the PIN; it is readable by every
// account, since the program checks the PIN as the pupil's account, and
// writable by root alone.

#include <QByteArray>
#include <QString>

#include <optional>

namespace menus {

// A teacher's entry: the name, without surrounding blanks, holds "先生". Such
// an entry gets the teacher's buttons on the level menu.
bool IsTeacherName(const QString& name);

// SystemConfigFolder() + "/teacher-pin".
QString TeacherPinPath();

enum class PinState {
    None,        // no PIN set: the name screen behaves as without one
    Set,         // Hash holds the stored hash
    Unreadable,  // a file is there but cannot be read or holds no hash: no PIN can be checked
};
struct TeacherPin {
    PinState State = PinState::None;
    QByteArray Hash;
    QString Error;  // why it is Unreadable
};
TeacherPin ReadTeacherPin();

// 4 to 16 digits (0-9).
bool ValidPinText(const QString& pin);
inline constexpr int kMinPinDigits = 4;
inline constexpr int kMaxPinDigits = 16;

// The stored form of a PIN (a crypto_pwhash_str string); nothing when the
// library fails (out of memory).
std::optional<QByteArray> HashPin(const QString& pin);
// Whether pin is the one whose hash is stored. Takes about a second, by design.
bool PinMatches(const QString& pin, const QByteArray& hash);

}  // namespace menus

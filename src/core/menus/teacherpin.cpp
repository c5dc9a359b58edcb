#include "core/menus/teacherpin.h"

#include "core/common/strings.h"
#include "core/common/textfile.h"
#include "core/startup/newschool.h"

#include <QFileInfo>

#include <sodium.h>

namespace menus {
namespace {

// libsodium must be set up once before it is used; it may be called again.
bool SodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

// Moderate limits (3 passes over 256 MiB): about a second on a school's PC,
// which a teacher waits once and which makes guessing a PIN from the
// readable file slow.
constexpr unsigned long long kOpsLimit = crypto_pwhash_OPSLIMIT_MODERATE;
constexpr size_t kMemLimit = crypto_pwhash_MEMLIMIT_MODERATE;

}  // namespace

bool IsTeacherName(const QString& name) { return common::TrimSpaces(name).contains(QStringLiteral("先生")); }

QString TeacherPinPath() { return startup::SystemConfigFolder() + QStringLiteral("/teacher-pin"); }

TeacherPin ReadTeacherPin() {
    TeacherPin pin;
    const QString path = TeacherPinPath();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) return pin;
    const auto bytes = common::ReadFileBytes(path, &pin.Error);
    if (!bytes) {
        pin.State = PinState::Unreadable;
        return pin;
    }
    const QByteArray hash = bytes->trimmed();
    if (!hash.startsWith("$argon2") || hash.size() >= crypto_pwhash_STRBYTES) {
        pin.State = PinState::Unreadable;
        pin.Error = QStringLiteral("暗証番号の形になっていません。");
        return pin;
    }
    pin.State = PinState::Set;
    pin.Hash = hash;
    return pin;
}

bool ValidPinText(const QString& pin) {
    if (pin.size() < kMinPinDigits || pin.size() > kMaxPinDigits) return false;
    for (QChar c : pin)
        if (c < u'0' || c > u'9') return false;
    return true;
}

std::optional<QByteArray> HashPin(const QString& pin) {
    if (!SodiumReady()) return std::nullopt;
    const QByteArray text = pin.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, text.constData(), static_cast<unsigned long long>(text.size()), kOpsLimit,
                          kMemLimit) != 0)
        return std::nullopt;
    return QByteArray(out);
}

bool PinMatches(const QString& pin, const QByteArray& hash) {
    if (!SodiumReady() || hash.isEmpty()) return false;
    const QByteArray text = pin.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), text.constData(),
                                    static_cast<unsigned long long>(text.size())) == 0;
}

}  // namespace menus
